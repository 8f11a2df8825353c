#pragma once
// The narrow-phase question of the physics manager, whether two bounds
// overlap, and the creation of an empty bound by type name for components
// that choose their shape by a parameter. Every test is strict: shapes that
// only touch do not overlap. The pair tests allocate nothing, since they run
// for every candidate pair every step.

#include "core/math/Bound.h"

#include <memory>
#include <string>

namespace Tarnu
{

/// Chooses the pair test by the two kinds; an unknown kind raises.
bool intersects(const Bound& a, const Bound& b);

/// A new empty bound for "AxisAlignedBox" or "AABB", "OrientedBox" or "OBB",
/// or "Circle" (case matters), to be filled by setFrom; null for any other name.
std::unique_ptr<Bound> createBoundByName(const std::string& name);

}
