#include "scene/WorldBox.h"

#include "scene/Component.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

const AxisAlignedBox& computeWorldBox(const Component& component, const AxisAlignedBox& local, AxisAlignedBox& cache)
{
    cache = local;
    if (SceneNode* node = component.getSceneNodePointer())
        cache.transformByMatrix(node->getTransformMatrix());
    return cache;
}

}
