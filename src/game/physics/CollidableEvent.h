#pragma once
// Two collidables started (ENTITIES_COLLIDED) or stopped (ENTITIES_SEPARATED)
// touching. The physics manager posts the event on each side's entity, and on
// the scene when a side has none (a tile, or an entity already gone), so
// either entity may be empty. A listener turns it into a named call.

#include "core/Event.h"
#include "core/EventListener.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Component;
class Entity;

class CollidableEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    enum EventType : std::uint32_t
    {
        ENTITIES_COLLIDED = 0,
        ENTITIES_SEPARATED = 1
    };

    CollidableEvent(const std::shared_ptr<Entity>& entity1, const std::shared_ptr<Entity>& entity2,
                    std::uint32_t id1, std::uint32_t id2, EventType eventType, double time)
        : Event(TYPE, time), entity1(entity1), entity2(entity2), id1(id1), id2(id2), eventType(eventType)
    {
    }

    const std::shared_ptr<Entity>& getEntity1() const { return entity1; }
    const std::shared_ptr<Entity>& getEntity2() const { return entity2; }
    std::uint32_t getId1() const { return id1; }
    std::uint32_t getId2() const { return id2; }
    EventType getType() const { return eventType; }
    /// The side that is not the component's entity: entity2 when it is entity1, else entity1.
    std::shared_ptr<Entity> getOther(const Component& component) const;
    /// Both entities (a listener may queue the event on an entity).
    void forEachOwned(ReferenceVisitor& visitor) const override;

private:
    std::shared_ptr<Entity> entity1;
    std::shared_ptr<Entity> entity2;
    std::uint32_t id1;
    std::uint32_t id2;
    EventType eventType;
};

/// Hears collidable events as entitiesCollided and entitiesSeparated (any kind
/// but ENTITIES_COLLIDED counts as a separation); events of other classes are ignored.
class CollidableListener : public EventListener
{
public:
    CollidableListener() : EventListener(CollidableEvent::TYPE) {}

    void handleEvent(const std::shared_ptr<Event>& event) override;
    virtual void entitiesCollided(const std::shared_ptr<CollidableEvent>& event) = 0;
    virtual void entitiesSeparated(const std::shared_ptr<CollidableEvent>& event) {}
};

}
