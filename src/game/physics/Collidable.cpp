#include "game/physics/Collidable.h"

#include "game/physics/PhysicsManager.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

Collidable::Collidable(const Collidable& other) : ComponentClass<Collidable>(other), Boundable(other)
{
}

Collidable::~Collidable()
{
    if (physicsManager)
        physicsManager->removeCollidable(this);
}

const AxisAlignedBox& Collidable::getWorldBox()
{
    // The node link spares the walk through the entity while registered.
    worldBox = getLocalBox();
    if (SceneNode* node = sceneNode ? sceneNode : getSceneNodePointer())
        worldBox.transformByMatrix(node->getTransformMatrix());
    return worldBox;
}

void Collidable::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                const std::shared_ptr<SceneManager>& oldManager)
{
    if (oldManager && physicsManager)
        physicsManager->removeCollidable(this);
    if (!newManager)
        return;
    // The manager records itself here as it registers the collidable.
    if (PhysicsManager* manager = newManager->getPhysicsManager().get())
        manager->addCollidable(this);
}

bool Collidable::attach(Entity* entity, const std::shared_ptr<Component>& component)
{
    if (!ComponentClass<Collidable>::attach(entity, component))
        return false;
    self = std::static_pointer_cast<Collidable>(component);
    return true;
}

void Collidable::markMoved()
{
    if (physicsManager && !record.queued)
        physicsManager->collidableMoved(this);
    record.queued = true;
    record.boundStale = true;
}

}
