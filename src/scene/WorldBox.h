#pragma once
// The world box of a renderable or collidable: its local box carried by the
// world transform of the scene node its entity hangs on.

#include "core/math/AxisAlignedBox.h"

namespace Tarnu
{

class Component;
class SceneNode;

/// Fills cache from local and answers it.
const AxisAlignedBox& computeWorldBox(const Component& component, const AxisAlignedBox& local, AxisAlignedBox& cache);
/// The same for a caller that holds the node already; a null node leaves the box local.
const AxisAlignedBox& computeWorldBox(SceneNode* node, const AxisAlignedBox& local, AxisAlignedBox& cache);

}
