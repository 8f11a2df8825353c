#pragma once
// The working part of an EventManager. Entities, the input pump and scene
// managers deliver through it directly.
//
// Every delivery walks a copy of the listener list, so listeners added during it
// wait for the next event and removed ones still hear this one; but a listener
// destroyed during a delivery is struck from every copy in flight and never
// called again. A queued event leaves the queue as its delivery begins, so a
// listener that dispatches the same manager again never gets it twice; until
// its delivery ends it still counts as queued.

#include "core/EventListener.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace Tarnu
{

class Event;
class EventManager;
class ReferenceVisitor;

class EventManagerImpl : public EventListener::AbstractEventDispatcher
{
public:
    EventManagerImpl(EventManager& owner, void (*queueNotify)(EventManager*));
    ~EventManagerImpl() override;

    void addEventListener(EventListener* listener);
    void removeEventListener(EventListener* listener);
    void removeListener(EventListener* listener) override;
    bool hasListeners(std::uint32_t eventType) const;

    void queueEvent(const std::shared_ptr<Event>& event);
    void dispatchEvents(double time);
    /// Delivers one non-null event now, without taking the lock.
    void dispatchEvent(const std::shared_ptr<Event>& event);

    bool hasQueuedEvents() const { return !queue.empty() || delivering != 0; }
    /// Forgets the queued events undelivered; answers whether there were any.
    bool dropQueuedEvents();
    std::uint32_t getID() const { return id; }
    void forEachQueued(ReferenceVisitor& visitor) const;

    /// Called by a dying listener: no delivery in flight may call it afterwards.
    static void forgetInDispatches(EventListener* listener);

private:
    struct QueuedEvent
    {
        std::shared_ptr<Event> event;
        std::uint64_t serial;  // breaks ties between equal times: first queued, first out
    };
    struct LaterFirst
    {
        bool operator()(const QueuedEvent& a, const QueuedEvent& b) const;
    };

    std::recursive_mutex mutex;
    std::unordered_map<std::uint32_t, std::vector<EventListener*>> listeners;
    std::vector<QueuedEvent> queue;  // a binary heap under LaterFirst
    EventManager& owner;
    void (*queueNotify)(EventManager*);
    std::uint64_t nextSerial = 0;
    unsigned delivering = 0;  // queued events whose delivery is running
    const std::uint32_t id;
};

}
