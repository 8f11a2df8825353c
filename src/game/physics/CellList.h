#pragma once
// The body slots filed in one grid cell, in the order they were filed. Most
// cells hold a handful, so those live in the cell itself and a scan reads one
// cache line; a crowded cell moves its slots to a heap block that it keeps
// from then on, so a scene that goes on filing the same way allocates nothing.

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Tarnu
{

class alignas(32) CellList
{
public:
    static constexpr std::uint32_t INLINE = 6;

    CellList() = default;
    CellList(const CellList&) = delete;
    CellList& operator=(const CellList&) = delete;
    ~CellList()
    {
        if (onHeap())
            delete[] heap;
    }

    const std::uint32_t* begin() const { return data(); }
    const std::uint32_t* end() const { return data() + count; }
    std::uint32_t size() const { return count; }
    bool empty() const { return count == 0; }

    void push_back(std::uint32_t slot)
    {
        if (count == capacity)
            grow();
        data()[count++] = slot;
    }

    /// Takes out the first entry of the slot, keeping the order of the others.
    void erase(std::uint32_t slot)
    {
        std::uint32_t* first = data();
        std::uint32_t* found = std::find(first, first + count, slot);
        if (found == first + count)
            return;
        std::copy(found + 1, first + count, found);
        --count;
    }

private:
    bool onHeap() const { return capacity > INLINE; }
    std::uint32_t* data() { return onHeap() ? heap : local; }
    const std::uint32_t* data() const { return onHeap() ? heap : local; }

    void grow()
    {
        auto* larger = new std::uint32_t[capacity * 2];
        std::memcpy(larger, data(), count * sizeof(std::uint32_t));
        if (onHeap())
            delete[] heap;
        heap = larger;
        capacity *= 2;
    }

    std::uint32_t count = 0;
    std::uint32_t capacity = INLINE;
    union
    {
        std::uint32_t local[INLINE] = {};
        std::uint32_t* heap;
    };
};
static_assert(sizeof(CellList) == 32, "two cells to a cache line");

}
