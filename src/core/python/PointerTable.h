#pragma once
// A map from non-null pointers to indices, for the cycle collector's walks: a
// flat table with linear probing that keeps its storage from walk to walk and
// empties in time proportional to what the last walk put in it, so that a walk
// over a large scene and the many small walks around it each pay only for
// themselves. Entries are never erased one by one.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace Tarnu
{

class PointerTable
{
public:
    static constexpr std::size_t NONE = static_cast<std::size_t>(-1);

    /// The index filed under the key, or NONE.
    std::size_t find(const void* key) const
    {
        if (slots.empty())
            return NONE;
        for (std::size_t slot = first(key);; slot = (slot + 1) & mask())
        {
            if (slots[slot].key == key)
                return slots[slot].index;
            if (!slots[slot].key)
                return NONE;
        }
    }

    /// Files the index under a key that is not in the table yet.
    void insert(const void* key, std::size_t index)
    {
        // At most half full, so that probes stay short.
        if (2 * (filled.size() + 1) > slots.size())
            grow();
        std::size_t slot = first(key);
        while (slots[slot].key)
            slot = (slot + 1) & mask();
        slots[slot] = {key, index};
        filled.push_back(slot);
    }

    void clear()
    {
        for (const std::size_t slot : filled)
            slots[slot] = {};
        filled.clear();
    }

private:
    struct Slot
    {
        const void* key = nullptr;
        std::size_t index = NONE;
    };

    std::size_t mask() const { return slots.size() - 1; }
    std::size_t first(const void* key) const
    {
        // Objects are aligned and allocated near each other: a multiplication spreads every
        // bit of the address into the top ones, which pick the slot.
        const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key));
        return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> shift);
    }
    void grow()
    {
        std::vector<Slot> old(slots.size() ? 2 * slots.size() : 64);
        shift = 64;
        for (std::size_t size = old.size(); size > 1; size /= 2)
            --shift;
        old.swap(slots);
        filled.clear();
        for (const Slot& entry : old)
            if (entry.key)
                insert(entry.key, entry.index);
    }

    std::vector<Slot> slots;  // a power of two of them
    std::vector<std::size_t> filled;
    unsigned shift = 64;  // 64 less the power
};

}
