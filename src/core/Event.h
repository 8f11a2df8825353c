#pragma once
// Every notification is an Event held by shared pointer. The event type number
// decides which listeners receive it; each event class takes its number from
// the one start-up counter in assembly/EventTypes.h. An event's time must be finite: a NaN
// time would sort nowhere in a queue.

#include "core/math/FiniteCheck.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tarnu
{

class EventManager;
class ParameterList;
class ReferenceVisitor;

class Event
{
public:
    Event(std::uint32_t eventType, double eventTime)
        : eventTime(requireFinite(eventTime, "eventTime")), eventType(eventType)
    {
    }
    virtual ~Event() = default;

    std::uint32_t getEventType() const { return eventType; }
    double getEventTime() const { return eventTime; }

    /// What the event keeps alive until it is delivered (the entities it names, say).
    virtual void forEachOwned(ReferenceVisitor& visitor) const {}

    /// The manager delivering this event to the listener now hearing it (afterwards the
    /// last one that delivered it); null before the first dispatch.
    const EventManager* getDispatcher() const { return dispatcher; }
    void setDispatcher(const EventManager* manager) { dispatcher = manager; }

    /// Notes a forwarder (an event router) passing the event on; false when the event
    /// has passed it already since it was last sent afresh: it is going round a cycle.
    bool passForwarder(std::uint64_t forwarder)
    {
        if (std::find(forwarders.begin(), forwarders.end(), forwarder) != forwarders.end())
            return false;
        forwarders.push_back(forwarder);
        return true;
    }
    /// The event is sent afresh (posted or queued by anyone but a forwarder).
    void clearForwarders() { forwarders.clear(); }

private:
    double eventTime;
    const EventManager* dispatcher = nullptr;  // identity only, never dereferenced
    std::uint32_t eventType;
    std::vector<std::uint64_t> forwarders;
};

/// An event that the event factory builds by type name from a parameter list.
class FactoryEvent : public Event
{
public:
    using Event::Event;

    virtual const std::string& getFactoryType() const = 0;
    virtual std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const = 0;
    virtual std::shared_ptr<FactoryEvent> createCopy(double time) const = 0;
};

}
