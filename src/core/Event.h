#pragma once
// Every notification is an Event held by shared pointer. The event type number
// decides which listeners receive it; each event class takes its number from
// the start-up roster in EventTypes.h.

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class EventManager;
class ParameterList;

class Event
{
public:
    Event(std::uint32_t eventType, double eventTime) : eventTime(eventTime), eventType(eventType) {}
    virtual ~Event() = default;

    std::uint32_t getEventType() const { return eventType; }
    double getEventTime() const { return eventTime; }

    /// The manager that last dispatched this event; null before the first dispatch.
    const EventManager* getDispatcher() const { return dispatcher; }
    void setDispatcher(const EventManager* manager) { dispatcher = manager; }

private:
    double eventTime;
    const EventManager* dispatcher = nullptr;  // identity only, never dereferenced
    std::uint32_t eventType;
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
