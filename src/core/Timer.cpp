#include "core/Timer.h"

#include "core/EventManager.h"
#include "core/OwnedReferences.h"
#include "core/ProcessManager.h"
#include "core/math/FiniteCheck.h"

#include <stdexcept>

namespace Tarnu
{

Timer::Timer(double time, const std::shared_ptr<EventManager>& manager, const std::string& name)
    : timeLeft(time), manager(manager), name(name), eventType(0)
{
    check(time, manager);
}

Timer::Timer(double time, const std::shared_ptr<EventManager>& manager, std::uint32_t eventType)
    : timeLeft(time), manager(manager), eventType(eventType)
{
    check(time, manager);
}

void Timer::check(double time, const std::shared_ptr<EventManager>& manager)
{
    // First: minus infinity is no more a time than NaN is.
    requireFinite(time, "time");
    if (time < 0)
        throw std::runtime_error("Timer constructor: Illegal time value.");
    if (!manager)
        throw std::runtime_error("Timer constructor: Null pointer for manager.");
}

void Timer::reset(double time)
{
    timeLeft = requireFinite(time, "time");
}

void Timer::updateProcess(double time)
{
    timeLeft -= time;
    if (timeLeft >= 0)
        return;
    if (manager)
    {
        const ProcessManager* owner = getOwner();
        const double eventTime = owner ? owner->getCurrentTime() : 0.0;
        std::shared_ptr<Event> event;
        if (eventType != 0)
            event = std::make_shared<Event>(eventType, eventTime);
        else
            event = std::make_shared<TimerEvent>(name, eventTime);
        // Released before posting: a listener that resets and re-adds this timer must not re-fire it.
        const std::shared_ptr<EventManager> target = std::move(manager);
        target->postEvent(event);
    }
    killProcess();
}

void Timer::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(manager);
}

void Timer::processTerminated()
{
    releaseManager();
}

void TimerListener::handleEvent(const std::shared_ptr<Event>& event)
{
    if (auto timerEvent = std::dynamic_pointer_cast<TimerEvent>(event))
        timeUp(timerEvent);
}

}
