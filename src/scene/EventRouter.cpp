#include "scene/EventRouter.h"

#include "core/Event.h"
#include "core/EngineWarning.h"
#include "core/EventManagerImpl.h"
#include "scene/Entity.h"

#include <string>

namespace Tarnu
{

EventRouter::EventRouter(const std::shared_ptr<Entity>& target, std::uint32_t eventType)
    : EventListener(eventType), target(target ? target->getSelf() : nullptr)
{
}

void EventRouter::handleEvent(const std::shared_ptr<Event>& event)
{
    const std::shared_ptr<EventManager> manager = target.lock();
    if (!manager || event->getDispatcher() == manager.get())
        return;
    if (!event->passForwarder(id))
    {
        logEngineWarning("an event of type " + std::to_string(event->getEventType()) +
                         " came back round a cycle of event routers and was not routed again.");
        return;
    }
    manager->getImpl().queueEvent(event);
}

}
