#include "scene/EventRouter.h"

#include "core/Event.h"
#include "scene/Entity.h"

namespace Tarnu
{

EventRouter::EventRouter(const std::shared_ptr<Entity>& target, std::uint32_t eventType)
    : EventListener(eventType), target(target ? target->getSelf() : nullptr)
{
}

void EventRouter::handleEvent(const std::shared_ptr<Event>& event)
{
    const std::shared_ptr<EventManager> manager = target.lock();
    if (manager && event->getDispatcher() != manager.get())
        manager->queueEvent(event);
}

}
