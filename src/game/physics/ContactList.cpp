#include "game/physics/ContactList.h"

#include "game/physics/Collidable.h"

#include <algorithm>

namespace Tarnu
{

namespace
{

constexpr std::size_t BLOCK_SIZE = 256;

void forget(Collidable& collidable, Contact* contact)
{
    std::vector<Contact*>& own = collidable.getRecord().contacts;
    auto found = std::find(own.begin(), own.end(), contact);
    if (found == own.end())
        return;
    *found = own.back();
    own.pop_back();
}

}

Contact* ContactList::find(const Collidable& a, const Collidable& b) const
{
    const std::vector<Contact*>& ofA = a.getRecord().contacts;
    const std::vector<Contact*>& ofB = b.getRecord().contacts;
    const bool aShorter = ofA.size() <= ofB.size();
    const Collidable* other = aShorter ? &b : &a;
    for (Contact* contact : aShorter ? ofA : ofB)
        if ((contact->first == other || contact->second == other) && contact->list == this)
            return contact;
    return nullptr;
}

Contact* ContactList::insert(Collidable& a, std::uint32_t slotA, Collidable& b, std::uint32_t slotB)
{
    if (!freeNodes)
    {
        blocks.push_back(std::make_unique<Contact[]>(BLOCK_SIZE));
        Contact* block = blocks.back().get();
        for (std::size_t i = 0; i < BLOCK_SIZE; ++i)
        {
            block[i].next = freeNodes;
            freeNodes = &block[i];
        }
    }
    Contact* contact = freeNodes;
    freeNodes = contact->next;
    const bool aFirst = a.getRecord().collidableId <= b.getRecord().collidableId;
    contact->first = aFirst ? &a : &b;
    contact->second = aFirst ? &b : &a;
    contact->firstSlot = aFirst ? slotA : slotB;
    contact->secondSlot = aFirst ? slotB : slotA;
    contact->firstId = contact->first->getRecord().collidableId;
    contact->secondId = contact->second->getRecord().collidableId;
    contact->list = this;
    contact->ending = false;
    contact->previous = tail;
    contact->next = nullptr;
    (tail ? tail->next : head) = contact;
    tail = contact;
    a.getRecord().contacts.push_back(contact);
    b.getRecord().contacts.push_back(contact);
    return contact;
}

void ContactList::erase(Contact* contact)
{
    forget(*contact->first, contact);
    forget(*contact->second, contact);
    (contact->previous ? contact->previous->next : head) = contact->next;
    (contact->next ? contact->next->previous : tail) = contact->previous;
    contact->first = contact->second = nullptr;
    contact->list = nullptr;
    contact->previous = nullptr;
    contact->next = freeNodes;
    freeNodes = contact;
}

void ContactList::clear()
{
    while (head)
        erase(head);
}

}
