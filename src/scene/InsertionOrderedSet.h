#pragma once
// A set of shared pointers that iterates in insertion order, so that a scene
// walks its nodes and entities the same way on every run, with logarithmic
// insertion and removal by object.

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Tarnu
{

template <class T>
class InsertionOrderedSet
{
public:
    bool insert(const std::shared_ptr<T>& item)
    {
        if (!serials.emplace(item.get(), nextSerial).second)
            return false;
        items.emplace(nextSerial++, item);
        return true;
    }

    bool erase(const T* item)
    {
        auto found = serials.find(item);
        if (found == serials.end())
            return false;
        items.erase(found->second);
        serials.erase(found);
        return true;
    }

    bool contains(const T* item) const { return serials.count(item) != 0; }
    /// The set's own pointer to the item, or empty.
    std::shared_ptr<T> get(const T* item) const
    {
        auto found = serials.find(item);
        return found == serials.end() ? nullptr : items.at(found->second);
    }
    /// The item inserted first of those still here, or empty.
    std::shared_ptr<T> first() const { return items.empty() ? nullptr : items.begin()->second; }
    std::size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }

    /// The items in insertion order, copied: callers call out while they walk.
    std::vector<std::shared_ptr<T>> snapshot() const
    {
        std::vector<std::shared_ptr<T>> copy;
        copy.reserve(items.size());
        for (const auto& [serial, item] : items)
            copy.push_back(item);
        return copy;
    }

    /// Each item in insertion order, by reference: visit must not change the set.
    template <class Visit>
    void forEach(const Visit& visit) const
    {
        for (const auto& [serial, item] : items)
            visit(item);
    }

    void clear()
    {
        items.clear();
        serials.clear();
    }

private:
    std::map<std::uint64_t, std::shared_ptr<T>> items;
    std::unordered_map<const T*, std::uint64_t> serials;
    std::uint64_t nextSerial = 0;
};

}
