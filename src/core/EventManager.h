#pragma once
// A dispatcher with listeners per event type. postEvent delivers at once;
// queueEvent keeps the event, ordered by event time (equal times in the order
// they were queued), until dispatchEvents(time) releases those that are due.
// Listeners may post, queue, add and remove on the manager that is calling them.
// Posting or queueing here sends an event afresh; forwarders that pass events
// on (event routers) queue through the implementation instead.

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Event;
class EventListener;
class EventManagerImpl;
class ReferenceVisitor;

class EventManager
{
public:
    /// Called each time the queue goes from empty to non-empty, with the lock held.
    using QueueNotify = void (*)(EventManager*);

    explicit EventManager(QueueNotify queueNotify = nullptr);
    EventManager(const EventManager&) = delete;
    EventManager& operator=(const EventManager&) = delete;
    virtual ~EventManager();

    void addEventListener(EventListener* listener);
    void removeEventListener(EventListener* listener);
    void postEvent(const std::shared_ptr<Event>& event);
    void queueEvent(const std::shared_ptr<Event>& event);
    void dispatchEvents(double time);
    bool hasQueuedEvents() const;
    /// Forgets the queued events undelivered, as the manager's destruction would; answers whether
    /// there were any.
    bool dropQueuedEvents();
    /// Whether a listener for the event type is registered: without one, posting
    /// an event of that type reaches nobody.
    bool hasListeners(std::uint32_t eventType) const;

    /// A serial number: no two managers of one run share it.
    std::uint32_t getID() const;

    /// The queued events, which the manager owns until they are delivered.
    virtual void forEachOwned(ReferenceVisitor& visitor) const;

    EventManagerImpl& getImpl() { return *impl; }

private:
    std::unique_ptr<EventManagerImpl> impl;
};

/// Exposes only listener registration to scripts; posting stays with the owner.
class ProtectedEventManager : public EventManager
{
public:
    ProtectedEventManager() = default;
};

}
