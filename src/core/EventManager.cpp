#include "core/EventManager.h"

#include "core/Event.h"
#include "core/EventManagerImpl.h"
#include "core/OwnedReferences.h"
#include "core/math/FiniteCheck.h"

namespace Tarnu
{

EventManager::EventManager(QueueNotify queueNotify)
    : impl(std::make_unique<EventManagerImpl>(*this, queueNotify))
{
}

EventManager::~EventManager() = default;

void EventManager::addEventListener(EventListener* listener)
{
    impl->addEventListener(listener);
}

void EventManager::removeEventListener(EventListener* listener)
{
    impl->removeEventListener(listener);
}

void EventManager::postEvent(const std::shared_ptr<Event>& event)
{
    if (!event)
        return;
    event->clearForwarders();
    impl->dispatchEvent(event);
}

void EventManager::queueEvent(const std::shared_ptr<Event>& event)
{
    if (!event)
        return;
    event->clearForwarders();
    impl->queueEvent(event);
}

void EventManager::dispatchEvents(double time)
{
    impl->dispatchEvents(requireFinite(time, "time"));
}

bool EventManager::hasQueuedEvents() const
{
    return impl->hasQueuedEvents();
}

bool EventManager::dropQueuedEvents()
{
    return impl->dropQueuedEvents();
}

bool EventManager::hasListeners(std::uint32_t eventType) const
{
    return impl->hasListeners(eventType);
}

void EventManager::forEachOwned(ReferenceVisitor& visitor) const
{
    impl->forEachQueued(visitor);
}

std::uint32_t EventManager::getID() const
{
    return impl->getID();
}

}
