#include "game/physics/CollisionFinders.h"

#include "core/OwnedReferences.h"
#include "scene/Component.h"
#include "scene/Entity.h"

namespace Tarnu
{

namespace
{

// The entity's own pointer: one handed in may be a temporary whose weak links die with it.
std::weak_ptr<Entity> selfOf(const std::shared_ptr<Entity>& entity)
{
    return entity ? entity->getSelf() : nullptr;
}

/// The collision and the party that is not the owner (empty for a collidable
/// without an entity), when the event is a collision naming the owner; else null.
std::shared_ptr<CollidableEvent> otherParty(const std::shared_ptr<Event>& event, const Entity* owner,
                                            std::shared_ptr<Entity>& other)
{
    auto collision = std::dynamic_pointer_cast<CollidableEvent>(event);
    if (!collision)
        return nullptr;
    if (collision->getEntity1().get() == owner)
        other = collision->getEntity2();
    else if (collision->getEntity2().get() == owner)
        other = collision->getEntity1();
    else
        return nullptr;
    return collision;
}

}

void CollisionComponentFinder::FoundEvent::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(component);
    visitor(entity);
}

void CollisionEntityFinder::FoundEvent::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(entity);
}

CollisionComponentFinder::CollisionComponentFinder(const std::shared_ptr<Entity>& owner, const std::string& typeName,
                                                   std::uint32_t foundEventType)
    : EventListener(CollidableEvent::TYPE),
      owner(selfOf(owner)),
      typeName(typeName),
      foundEventType(foundEventType)
{
}

void CollisionComponentFinder::handleEvent(const std::shared_ptr<Event>& event)
{
    const std::shared_ptr<Entity> watched = owner.lock();
    if (!watched)
        return;
    std::shared_ptr<Entity> other;
    const std::shared_ptr<CollidableEvent> collision = otherParty(event, watched.get(), other);
    if (!collision || !other)
        return;
    std::shared_ptr<Component> found = Component::getComponent(typeName, other.get());
    if (!found)
        return;
    watched->postEvent(std::make_shared<FoundEvent>(foundEventType, collision->getEventTime(), found, other,
                                                    collision->getType()));
}

CollisionEntityFinder::CollisionEntityFinder(const std::shared_ptr<Entity>& owner,
                                             const std::shared_ptr<Entity>& target,
                                             std::uint32_t collidedEventType, std::uint32_t separatedEventType)
    : EventListener(CollidableEvent::TYPE),
      owner(selfOf(owner)),
      target(selfOf(target)),
      seeksEntity(target != nullptr),
      collidedEventType(collidedEventType),
      separatedEventType(separatedEventType == 0 ? collidedEventType : separatedEventType)
{
}

void CollisionEntityFinder::setTarget(const std::shared_ptr<Entity>& newTarget)
{
    target = selfOf(newTarget);
    seeksEntity = newTarget != nullptr;
}

void CollisionEntityFinder::handleEvent(const std::shared_ptr<Event>& event)
{
    const std::shared_ptr<Entity> watched = owner.lock();
    if (!watched)
        return;
    std::shared_ptr<Entity> other;
    const std::shared_ptr<CollidableEvent> collision = otherParty(event, watched.get(), other);
    // Without a target the finder answers contacts with collidables that have no entity (tiles).
    if (!collision || (seeksEntity ? !other || other != target.lock() : other != nullptr))
        return;
    const bool collided = collision->getType() == CollidableEvent::ENTITIES_COLLIDED;
    watched->postEvent(std::make_shared<FoundEvent>(collided ? collidedEventType : separatedEventType,
                                                    collision->getEventTime(), other, collision->getType()));
}

}
