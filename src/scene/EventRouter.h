#pragma once
// Forwards the events of one type that a manager dispatches into an entity's
// queue (not posted: they arrive at the entity's next dispatch). It never
// keeps the entity alive, and it ignores events the entity itself dispatches,
// which would otherwise come round again for ever. Routers may form longer
// cycles (a to b, b to a): an event that comes back to a router it has passed
// since it was last sent afresh is not routed again, with a warning.

#include "core/EventListener.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Entity;
class EventManager;

class EventRouter : public EventListener
{
public:
    EventRouter(const std::shared_ptr<Entity>& target, std::uint32_t eventType);

    void handleEvent(const std::shared_ptr<Event>& event) override;

private:
    static inline std::uint64_t nextId = 1;

    std::weak_ptr<EventManager> target;
    const std::uint64_t id = nextId++;  // not the address, which a later router may reuse
};

}
