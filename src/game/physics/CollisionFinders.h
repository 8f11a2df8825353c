#pragma once
// Ready-made listeners on one entity's collision events (the owner's: the
// script registers them there) that answer with an event of their own when
// the other party has a component of a given type, or is a given entity. Both
// hold the entities they watch weakly and ignore events once the owner is gone.

#include "core/Event.h"
#include "core/EventListener.h"
#include "game/physics/CollidableEvent.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class Component;
class Entity;

class CollisionComponentFinder : public EventListener
{
public:
    class FoundEvent : public Event
    {
    public:
        FoundEvent(std::uint32_t type, double time, const std::shared_ptr<Component>& component,
                   const std::shared_ptr<Entity>& entity, CollidableEvent::EventType eventType)
            : Event(type, time), component(component), entity(entity), eventType(eventType)
        {
        }

        const std::shared_ptr<Component>& getComponent() const { return component; }
        const std::shared_ptr<Entity>& getEntity() const { return entity; }
        CollidableEvent::EventType getType() const { return eventType; }
        void forEachOwned(ReferenceVisitor& visitor) const override;

    private:
        std::shared_ptr<Component> component;
        std::shared_ptr<Entity> entity;
        CollidableEvent::EventType eventType;
    };

    CollisionComponentFinder(const std::shared_ptr<Entity>& owner, const std::string& typeName,
                             std::uint32_t foundEventType);

    void handleEvent(const std::shared_ptr<Event>& event) override;

private:
    std::weak_ptr<Entity> owner;
    std::string typeName;
    std::uint32_t foundEventType;
};

class CollisionEntityFinder : public EventListener
{
public:
    class FoundEvent : public Event
    {
    public:
        FoundEvent(std::uint32_t type, double time, const std::shared_ptr<Entity>& entity,
                   CollidableEvent::EventType eventType)
            : Event(type, time), entity(entity), eventType(eventType)
        {
        }

        const std::shared_ptr<Entity>& getEntity() const { return entity; }
        CollidableEvent::EventType getType() const { return eventType; }
        void forEachOwned(ReferenceVisitor& visitor) const override;

    private:
        std::shared_ptr<Entity> entity;
        CollidableEvent::EventType eventType;
    };

    /// A separated type of 0 answers separations under the collided type. An
    /// empty target stands for a collidable without an entity.
    CollisionEntityFinder(const std::shared_ptr<Entity>& owner, const std::shared_ptr<Entity>& target,
                          std::uint32_t collidedEventType, std::uint32_t separatedEventType = 0);

    void setTarget(const std::shared_ptr<Entity>& target);
    void handleEvent(const std::shared_ptr<Event>& event) override;

private:
    std::weak_ptr<Entity> owner;
    // Weak: a target that dies must not be mistaken for a newcomer at its address.
    std::weak_ptr<const Entity> target;
    bool seeksEntity;  // false without a target: then a party without an entity is the one sought
    std::uint32_t collidedEventType;
    std::uint32_t separatedEventType;
};

}
