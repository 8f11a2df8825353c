#include "scene/WorldBox.h"

#include "scene/Component.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

const AxisAlignedBox& computeWorldBox(const Component& component, const AxisAlignedBox& local, AxisAlignedBox& cache)
{
    return computeWorldBox(component.getSceneNodePointer(), local, cache);
}

const AxisAlignedBox& computeWorldBox(SceneNode* node, const AxisAlignedBox& local, AxisAlignedBox& cache)
{
    cache = local;
    if (node)
        cache.transformByMatrix(node->getTransformMatrix());
    return cache;
}

}
