#include "render/Renderable.h"

#include "core/math/FiniteCheck.h"
#include "render/RenderManager.h"
#include "scene/SceneManager.h"
#include "scene/WorldBox.h"

#include <utility>

namespace Tarnu
{

Renderable::Renderable(double zOrder) : entry(this), zOrder(requireFinite(zOrder, "zOrder"))
{
}

Renderable::Renderable(const Renderable& other)
    : ComponentClass<Renderable>(other), Boundable(other), SignalWrapper<bool, Renderable*>(), entry(this),
      zOrder(other.zOrder)
{
}

Renderable::~Renderable()
{
    // Normally gone already with its scene; a renderable never leaves a dangling entry behind.
    if (RenderManager* leaving = std::exchange(renderManager, nullptr))
        leaving->removeRenderable(this);
}

void Renderable::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                const std::shared_ptr<SceneManager>& oldManager)
{
    if (oldManager)
    {
        if (RenderManager* leaving = std::exchange(renderManager, nullptr))
            leaving->removeRenderable(this);
        disconnectAll();
    }
    if (newManager)
        if (const std::shared_ptr<RenderManager>& manager = newManager->getRenderManager())
            manager->addRenderable(this);
}

const AxisAlignedBox& Renderable::getWorldBox()
{
    // A filed renderable knows its node: re-filing, done for every move, skips the walk through the entity.
    return computeWorldBox(entry.sceneNode ? entry.sceneNode : getSceneNodePointer(), getLocalBox(), entry.worldBox);
}

void Renderable::localBoxChanged()
{
    if (renderManager && !entry.boxDirty)
        renderManager->renderableMoved(this);
    markMoved();
}

}
