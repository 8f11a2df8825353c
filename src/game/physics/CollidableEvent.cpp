#include "game/physics/CollidableEvent.h"

#include "core/OwnedReferences.h"
#include "scene/Component.h"
#include "scene/Entity.h"

namespace Tarnu
{

std::shared_ptr<Entity> CollidableEvent::getOther(const Component& component) const
{
    return component.getOwnerPointer() == entity1.get() ? entity2 : entity1;
}

void CollidableEvent::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(entity1);
    visitor(entity2);
}

void CollidableListener::handleEvent(const std::shared_ptr<Event>& event)
{
    // A script may post a bare Event under this type number.
    auto collision = std::dynamic_pointer_cast<CollidableEvent>(event);
    if (!collision)
        return;
    if (collision->getType() == CollidableEvent::ENTITIES_COLLIDED)
        entitiesCollided(collision);
    else
        entitiesSeparated(collision);
}

}
