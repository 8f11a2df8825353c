#pragma once
// The world box of a renderable or collidable: its local box carried by the
// world transform of the scene node its entity hangs on.

#include "core/math/AxisAlignedBox.h"

namespace Tarnu
{

class Component;

/// Fills cache from local and answers it.
const AxisAlignedBox& computeWorldBox(const Component& component, const AxisAlignedBox& local, AxisAlignedBox& cache);

}
