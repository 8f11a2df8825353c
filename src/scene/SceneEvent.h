#pragma once
// The notifications of a scene: an entity entered (ENTITY_ADDED) or left
// (ENTITY_REMOVED). They are posted on the scene manager and on the entity.

#include "core/Event.h"
#include "core/EventListener.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Entity;
class SceneManager;

class SceneEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    enum EventType : std::uint32_t
    {
        ENTITY_ADDED = 0,
        ENTITY_REMOVED = 1
    };

    SceneEvent(double eventTime, const std::shared_ptr<SceneManager>& manager, const std::shared_ptr<Entity>& entity,
               EventType type)
        : Event(TYPE, eventTime), manager(manager), entity(entity), type(type)
    {
    }

    const std::shared_ptr<SceneManager>& getManager() const { return manager; }
    const std::shared_ptr<Entity>& getEntity() const { return entity; }
    EventType getType() const { return type; }
    void forEachOwned(ReferenceVisitor& visitor) const override;

private:
    std::shared_ptr<SceneManager> manager;
    std::shared_ptr<Entity> entity;
    EventType type;
};

/// Hears scene events; events of other classes are ignored.
class SceneListener : public EventListener
{
public:
    SceneListener() : EventListener(SceneEvent::TYPE) {}

    void handleEvent(const std::shared_ptr<Event>& event) override;
    virtual void entityAdded(const std::shared_ptr<SceneEvent>& event) = 0;
    virtual void entityRemoved(const std::shared_ptr<SceneEvent>& event) = 0;
};

}
