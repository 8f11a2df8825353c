#pragma once
// A listener receives the events of one type from every manager it is
// registered with, and remembers those managers so that it can leave them all:
// a listener that dies is gone from every manager, and a dying manager strikes
// itself from its listeners' lists, so no registration ever dangles.

#include <cstdint>
#include <memory>
#include <vector>

namespace Tarnu
{

class Event;

class EventListener
{
public:
    /// The side of a manager that a leaving listener talks to.
    class AbstractEventDispatcher
    {
    public:
        virtual void removeListener(EventListener* listener) = 0;
        virtual ~AbstractEventDispatcher() = default;
    };

    explicit EventListener(std::uint32_t eventType) : eventType(eventType) {}
    EventListener(const EventListener&) = delete;
    EventListener& operator=(const EventListener&) = delete;
    virtual ~EventListener();

    virtual void handleEvent(const std::shared_ptr<Event>& event) = 0;

    std::uint32_t getEventType() const { return eventType; }
    void removeFromAllDispatchers();

private:
    friend class EventManagerImpl;

    const std::uint32_t eventType;
    std::vector<AbstractEventDispatcher*> dispatchers;  // each clears itself from here when it dies
};

}
