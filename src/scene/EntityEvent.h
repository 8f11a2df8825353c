#pragma once
// Posted on an entity (and on its scene) when a component is added or removed.

#include "core/Event.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Component;
class Entity;

class EntityEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    enum EventType : std::uint32_t
    {
        COMPONENT_ADDED = 0,
        COMPONENT_REMOVED = 1
    };

    EntityEvent(double eventTime, const std::shared_ptr<Entity>& entity, const std::shared_ptr<Component>& component,
                EventType type)
        : Event(TYPE, eventTime), entity(entity), component(component), type(type)
    {
    }

    const std::shared_ptr<Entity>& getEntity() const { return entity; }
    const std::shared_ptr<Component>& getComponent() const { return component; }
    EventType getType() const { return type; }
    void forEachOwned(ReferenceVisitor& visitor) const override;

private:
    std::shared_ptr<Entity> entity;
    std::shared_ptr<Component> component;
    EventType type;
};

}
