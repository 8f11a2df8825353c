#pragma once
// Registered objects in the order they registered, with removal in constant
// time: each object keeps its slot (found through slotOf(T&)), a removed one
// leaves a hole, and compact() closes the holes, keeping the order, once they
// are half the list. Walks skip holes, so removal during a walk is safe.

#include <cstddef>
#include <vector>

namespace Tarnu
{

template <class T>
class SlotList
{
public:
    static constexpr std::size_t NO_SLOT = static_cast<std::size_t>(-1);

    void add(T* item)
    {
        slotOf(*item) = items.size();
        items.push_back(item);
    }

    /// False when the item is not in the list.
    bool remove(T* item)
    {
        std::size_t& slot = slotOf(*item);
        if (slot >= items.size() || items[slot] != item)
            return false;
        items[slot] = nullptr;
        slot = NO_SLOT;
        ++holes;
        return true;
    }

    bool contains(T& item) const
    {
        const std::size_t slot = slotOf(item);
        return slot < items.size() && items[slot] == &item;
    }

    void compact()
    {
        if (holes * 2 <= items.size())
            return;
        std::size_t kept = 0;
        for (T* item : items)
            if (item)
            {
                slotOf(*item) = kept;
                items[kept++] = item;
            }
        items.resize(kept);
        holes = 0;
    }

    /// Slot by slot; a hole is null.
    std::size_t size() const { return items.size(); }
    T* operator[](std::size_t slot) const { return items[slot]; }

    /// Empties the list; the slots of the items taken out are the caller's to reset.
    std::vector<T*> takeAll()
    {
        std::vector<T*> taken;
        for (T* item : items)
            if (item)
                taken.push_back(item);
        items.clear();
        holes = 0;
        return taken;
    }

private:
    std::vector<T*> items;
    std::size_t holes = 0;
};

}
