#pragma once
// The planning half of path following: a pathfinder knows where its entity
// should go, a point or another entity, and hands the entity's walker a path
// there. Game code and event scripts steer it with PathfinderActionEvents sent
// to its entity, which it hears while its entity is in a scene; it queues a
// PathfinderEvent on the entity when the destination is reached.

#include "core/Event.h"
#include "core/EventListener.h"
#include "core/math/Vector2.h"
#include "scene/ComponentClass.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Pathfinder : public ComponentClass<Pathfinder>, public EventListener
{
public:
    static inline const std::string FACTORY_TYPE = "Pathfinder";

    Pathfinder();

    /// The action listener follows the pathfinder from entity to entity.
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    /// Carries out a PathfinderActionEvent while the entity is in a scene; anything else is dropped.
    void handleEvent(const std::shared_ptr<Event>& event) override;

    /// Follow that entity; none leaves the pathfinder without destination.
    virtual void setDest(const std::shared_ptr<Entity>& entity) = 0;
    /// Go to that world point.
    virtual void setDest(const Vector2& point) = 0;
    virtual void clearDest() = 0;
    virtual const Vector2& getDest() const = 0;
    virtual std::weak_ptr<Entity> getDestEntity() const = 0;
    /// Hands the path to the entity's walker.
    virtual void start() = 0;
    /// Takes the path away from the walker.
    virtual void stop() = 0;
    /// The destination less the entity's world position.
    virtual Vector2 getDestOffset() const = 0;
};

/// Queued on the pathfinder's entity when it has reached its destination.
class PathfinderEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    PathfinderEvent(double time, const std::shared_ptr<Pathfinder>& pathfinder, const Vector2& position)
        : Event(TYPE, time), pathfinder(pathfinder), position(position)
    {
    }

    const std::shared_ptr<Pathfinder>& getPathfinder() const { return pathfinder; }
    /// The point reached.
    const Vector2& getPosition() const { return position; }
    void forEachOwned(ReferenceVisitor& visitor) const override;

private:
    const std::shared_ptr<Pathfinder> pathfinder;
    const Vector2 position;
};

}
