#include "core/EventManagerImpl.h"

#include "core/Event.h"
#include "core/OwnedReferences.h"

#include <algorithm>

namespace Tarnu
{

namespace
{

std::uint32_t nextManagerID = 1;

// The listener copies of the deliveries now running, innermost last; a dying
// listener nulls itself in each of them.
std::vector<std::vector<EventListener*>*> deliveriesInFlight;

class DeliveryInFlight
{
public:
    explicit DeliveryInFlight(std::vector<EventListener*>& listeners) { deliveriesInFlight.push_back(&listeners); }
    ~DeliveryInFlight() { deliveriesInFlight.pop_back(); }
    DeliveryInFlight(const DeliveryInFlight&) = delete;
    DeliveryInFlight& operator=(const DeliveryInFlight&) = delete;
};

template <class T>
void eraseFirst(std::vector<T>& items, const T& item)
{
    auto found = std::find(items.begin(), items.end(), item);
    if (found != items.end())
        items.erase(found);
}

}

bool EventManagerImpl::LaterFirst::operator()(const QueuedEvent& a, const QueuedEvent& b) const
{
    const double aTime = a.event->getEventTime();
    const double bTime = b.event->getEventTime();
    return aTime > bTime || (aTime == bTime && a.serial > b.serial);
}

EventManagerImpl::EventManagerImpl(EventManager& owner, void (*queueNotify)(EventManager*))
    : owner(owner), queueNotify(queueNotify), id(nextManagerID++)
{
}

EventManagerImpl::~EventManagerImpl()
{
    std::lock_guard lock(mutex);
    for (auto& [type, registered] : listeners)
        for (EventListener* listener : registered)
            eraseFirst(listener->dispatchers, static_cast<AbstractEventDispatcher*>(this));
}

void EventManagerImpl::addEventListener(EventListener* listener)
{
    if (!listener)
        return;
    std::lock_guard lock(mutex);
    std::vector<EventListener*>& registered = listeners[listener->getEventType()];
    if (std::find(registered.begin(), registered.end(), listener) != registered.end())
        return;
    registered.push_back(listener);
    listener->dispatchers.push_back(this);
}

void EventManagerImpl::removeEventListener(EventListener* listener)
{
    if (!listener)
        return;
    std::lock_guard lock(mutex);
    auto type = listeners.find(listener->getEventType());
    if (type == listeners.end())
        return;
    auto found = std::find(type->second.begin(), type->second.end(), listener);
    if (found == type->second.end())
        return;
    type->second.erase(found);
    eraseFirst(listener->dispatchers, static_cast<AbstractEventDispatcher*>(this));
}

void EventManagerImpl::removeListener(EventListener* listener)
{
    std::lock_guard lock(mutex);
    auto type = listeners.find(listener->getEventType());
    if (type != listeners.end())
        eraseFirst(type->second, listener);
}

bool EventManagerImpl::hasListeners(std::uint32_t eventType) const
{
    auto type = listeners.find(eventType);
    return type != listeners.end() && !type->second.empty();
}

void EventManagerImpl::forgetInDispatches(EventListener* listener)
{
    for (std::vector<EventListener*>* delivery : deliveriesInFlight)
        std::replace(delivery->begin(), delivery->end(), listener, static_cast<EventListener*>(nullptr));
}

void EventManagerImpl::forEachQueued(ReferenceVisitor& visitor) const
{
    for (const QueuedEvent& queued : queue)
        visitor(queued.event);
}

bool EventManagerImpl::dropQueuedEvents()
{
    std::vector<QueuedEvent> dropped;
    {
        std::lock_guard lock(mutex);
        dropped.swap(queue);
    }
    // They die once the queue is whole again: a dying event may run script code that queues anew.
    return !dropped.empty();
}

void EventManagerImpl::queueEvent(const std::shared_ptr<Event>& event)
{
    if (!event)
        return;
    std::lock_guard lock(mutex);
    if (queueNotify && !hasQueuedEvents())
        queueNotify(&owner);
    queue.push_back({event, nextSerial++});
    std::push_heap(queue.begin(), queue.end(), LaterFirst());
}

void EventManagerImpl::dispatchEvent(const std::shared_ptr<Event>& event)
{
    event->setDispatcher(&owner);
    auto type = listeners.find(event->getEventType());
    if (type == listeners.end() || type->second.empty())
        return;
    std::vector<EventListener*> delivery = type->second;
    DeliveryInFlight guard(delivery);
    for (EventListener* listener : delivery)
        if (listener)
        {
            // Again for each listener: one before it may have passed the event on
            // through another manager, which recorded itself.
            event->setDispatcher(&owner);
            listener->handleEvent(event);
        }
}

void EventManagerImpl::dispatchEvents(double time)
{
    if (queue.empty())
        return;
    std::lock_guard lock(mutex);
    while (!queue.empty())
    {
        if (time >= 0 && queue.front().event->getEventTime() > time)
            break;
        std::pop_heap(queue.begin(), queue.end(), LaterFirst());
        const std::shared_ptr<Event> event = std::move(queue.back().event);
        queue.pop_back();
        // Out of the queue for good, even when a listener throws: delivered as far as it got.
        ++delivering;
        try
        {
            dispatchEvent(event);
        }
        catch (...)
        {
            --delivering;
            throw;
        }
        --delivering;
    }
}

}
