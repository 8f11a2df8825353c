#pragma once
// What a physics step reads of every collidable its manager holds, one cache
// line each, in a dense array indexed by slot: the refile, separation and
// collision passes walk contiguous memory instead of chasing component, node
// and bound pointers, and a cell's neighbours are a few lines of the array.
//
// A slot is given at registration and freed at removal; the next registration
// reuses it. Grid cells, the moved queue and contacts name bodies by slot, so
// each lets go of a slot before it is freed (a contact of a removed collidable
// is marked ending and never reads its slot again).

#include "core/math/AxisAlignedBox.h"

#include <cstdint>
#include <emmintrin.h>
#include <vector>

namespace Tarnu
{

class Collidable;

struct alignas(64) PhysicsBody
{
    static constexpr std::uint32_t NO_SLOT = UINT32_MAX;

    // The world box as last computed, with its extent.
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
    // The inclusive range of cells covered at level; level -1 is in no cell.
    std::uint16_t firstX = 0, firstY = 0, lastX = 0, lastY = 0;
    std::uint32_t movedStep = 0;         // the step that last refiled it: it moved in that one
    std::uint32_t boxStep = 0;           // the step whose move pass already took its world box
    std::uint32_t queueSlot = NO_SLOT;   // its place in the queue of moved collidables
    std::int8_t level = -1;
    bool oversized = false;              // larger than a cell of the coarsest level
    bool multiCell = false;
    std::uint8_t extent = AxisAlignedBox::EX_NULL;
    Collidable* collidable = nullptr;    // null while the slot is free

    void setBox(const AxisAlignedBox& box)
    {
        minX = box.getMin().x;
        minY = box.getMin().y;
        maxX = box.getMax().x;
        maxY = box.getMax().y;
        extent = box.getExtent();
    }
};
static_assert(sizeof(PhysicsBody) == 64, "a body is one cache line");

/// Whether the corners of two boxes meet on closed intervals, whatever their
/// extents: both axes in one comparison each way, without a branch.
inline bool cornersMeet(const PhysicsBody& a, const PhysicsBody& b)
{
    const __m128d aMin = _mm_load_pd(&a.minX), aMax = _mm_load_pd(&a.maxX);
    const __m128d bMin = _mm_load_pd(&b.minX), bMax = _mm_load_pd(&b.maxX);
    return _mm_movemask_pd(_mm_and_pd(_mm_cmpge_pd(bMax, aMin), _mm_cmpge_pd(aMax, bMin))) == 3;
}

/// Boxes meet on closed intervals: touching counts. An infinite box meets
/// everything and a null box nothing.
inline bool boxesTouch(const PhysicsBody& a, const PhysicsBody& b)
{
    if ((a.extent == AxisAlignedBox::EX_FINITE) & (b.extent == AxisAlignedBox::EX_FINITE))
        return cornersMeet(a, b);
    return a.extent == AxisAlignedBox::EX_INFINITE || b.extent == AxisAlignedBox::EX_INFINITE;
}

class BodyTable
{
public:
    /// A fresh body for the collidable; answers its slot.
    std::uint32_t add(Collidable& collidable)
    {
        std::uint32_t slot;
        if (freeSlots.empty())
        {
            slot = static_cast<std::uint32_t>(bodies.size());
            bodies.emplace_back();
        }
        else
        {
            slot = freeSlots.back();
            freeSlots.pop_back();
            bodies[slot] = PhysicsBody();
        }
        bodies[slot].collidable = &collidable;
        return slot;
    }

    void remove(std::uint32_t slot)
    {
        bodies[slot].collidable = nullptr;
        freeSlots.push_back(slot);
    }

    /// Whether the slot holds this collidable.
    bool holds(std::uint32_t slot, const Collidable& collidable) const
    {
        return slot < bodies.size() && bodies[slot].collidable == &collidable;
    }

    PhysicsBody& operator[](std::uint32_t slot) { return bodies[slot]; }
    const PhysicsBody& operator[](std::uint32_t slot) const { return bodies[slot]; }
    /// Slots in use and free; a free one holds no collidable.
    std::uint32_t size() const { return static_cast<std::uint32_t>(bodies.size()); }

    void clear()
    {
        bodies.clear();
        freeSlots.clear();
    }

private:
    std::vector<PhysicsBody> bodies;
    std::vector<std::uint32_t> freeSlots;
};

}
