#pragma once
// Forwards the events of one type that a manager dispatches into an entity's
// queue (not posted: they arrive at the entity's next dispatch). It never
// keeps the entity alive, and it ignores events the entity itself dispatches,
// which would otherwise come round again for ever.

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
    std::weak_ptr<EventManager> target;
};

}
