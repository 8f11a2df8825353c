#pragma once
// The pairs of collidables that currently touch, in the order they began, so
// that separations come in the same order on every run. Each collidable lists
// its own pairs (PhysicsRecord::contacts), so finding a pair scans the shorter
// of two short lists and no pair is ever looked up by address. Pairs live in
// pooled nodes that are reused: a steady scene allocates nothing.
//
// A pair whose collidable was removed is marked ending and stays until the
// next separation pass reports it; the collidable may meanwhile register again,
// here or with another manager, so a collidable's list is filtered by list.

#include <cstdint>
#include <memory>
#include <vector>

namespace Tarnu
{

class Collidable;

struct Contact
{
    Collidable* first = nullptr;  // the one registered earlier
    Collidable* second = nullptr;
    // Their body slots in the manager's table; not read once the pair is ending.
    std::uint32_t firstSlot = 0, secondSlot = 0;
    // The ids when the pair began: a side removed and registered again meanwhile
    // has a new id, and its separation must name the pair that began.
    std::uint32_t firstId = 0, secondId = 0;
    const void* list = nullptr;  // the ContactList holding the pair
    bool ending = false;         // a side was removed: the pair separates in the next separation pass
    Contact* previous = nullptr;
    Contact* next = nullptr;
};

class ContactList
{
public:
    ContactList() = default;
    ContactList(const ContactList&) = delete;
    ContactList& operator=(const ContactList&) = delete;

    /// The pair of the two in this list, or null.
    Contact* find(const Collidable& a, const Collidable& b) const;
    /// Enters a pair that is not there yet, with the two body slots.
    Contact* insert(Collidable& a, std::uint32_t slotA, Collidable& b, std::uint32_t slotB);
    void erase(Contact* contact);
    /// Forgets every pair; the collidables' own lists are emptied too.
    void clear();

    /// The oldest pair; walk on with next.
    Contact* front() const { return head; }
    bool empty() const { return head == nullptr; }

private:
    Contact* head = nullptr;
    Contact* tail = nullptr;
    Contact* freeNodes = nullptr;  // chained through next
    std::vector<std::unique_ptr<Contact[]>> blocks;
};

}
