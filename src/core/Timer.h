#pragma once
// A one-shot process: when its time has run out it posts one event at once on
// the event manager it was given (a TimerEvent carrying its name, or a plain
// Event of a chosen type) and ends itself. It lets go of the manager when it
// fires or leaves its process manager, so it can never fire twice.

#include "core/Event.h"
#include "core/EventListener.h"
#include "core/Process.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class EventManager;

class TimerEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    TimerEvent(const std::string& name, double eventTime) : Event(TYPE, eventTime), name(name) {}

    const std::string& getName() const { return name; }

private:
    std::string name;
};

class Timer : public Process
{
public:
    Timer(double time, const std::shared_ptr<EventManager>& manager, const std::string& name);
    /// Posts a plain Event of eventType; 0 posts a TimerEvent with an empty name.
    Timer(double time, const std::shared_ptr<EventManager>& manager, std::uint32_t eventType);

    void reset(double time);
    /// Lets go of the event manager, as firing does: the timer then posts nothing.
    void releaseManager() { manager.reset(); }

    void updateProcess(double time) override;
    void processTerminated() override;
    void forEachOwned(ReferenceVisitor& visitor) const override;

private:
    static void check(double time, const std::shared_ptr<EventManager>& manager);

    double timeLeft;
    std::shared_ptr<EventManager> manager;
    std::string name;
    std::uint32_t eventType;
};

/// Hears timer events and hands them to timeUp; events of other classes are ignored.
class TimerListener : public EventListener
{
public:
    TimerListener() : EventListener(TimerEvent::TYPE) {}

    void handleEvent(const std::shared_ptr<Event>& event) override;
    virtual void timeUp(const std::shared_ptr<TimerEvent>& event) = 0;
};

}
