#include "core/EventManager.h"
#include "core/ProcessManager.h"
#include "core/Timer.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

constexpr std::uint32_t CUSTOM_TYPE = 2001;

class TimeUpRecorder : public TimerListener
{
public:
    void timeUp(const std::shared_ptr<TimerEvent>& event) override { heard.push_back(event); }
    std::vector<std::shared_ptr<TimerEvent>> heard;
};

class CustomRecorder : public EventListener
{
public:
    CustomRecorder() : EventListener(CUSTOM_TYPE) {}
    void handleEvent(const std::shared_ptr<Event>& event) override { heard.push_back(event); }
    std::vector<std::shared_ptr<Event>> heard;
};

// A timer on a fresh process manager, and the listeners that hear it.
struct Rig
{
    template <class Target>
    explicit Rig(double time, Target target, double startTime = 0.0)
        : processes(ProcessManager::createNew(startTime)),
          events(std::make_shared<EventManager>()),
          timer(std::make_shared<Timer>(time, events, target))
    {
        events->addEventListener(&listener);
        events->addEventListener(&custom);
        processes->addProcess(timer);
    }

    /// The number of the step on which the timer fired, 0 when it did not within the limit.
    int stepUntilFired(double step, int limit = 10)
    {
        for (int n = 1; n <= limit; ++n)
        {
            processes->updateProcess(step);
            if (!listener.heard.empty() || !custom.heard.empty())
                return n;
        }
        return 0;
    }

    TimeUpRecorder listener;
    CustomRecorder custom;
    std::shared_ptr<ProcessManager> processes;
    std::shared_ptr<EventManager> events;
    std::shared_ptr<Timer> timer;
};

}

TEST(TimerFiring, FiresOnlyOnceTheTimeLeftIsBelowZero)
{
    EXPECT_EQ(Rig(0.0, "t").stepUntilFired(0.001), 1);
    EXPECT_EQ(Rig(1.0, "t").stepUntilFired(0.5), 3);
    EXPECT_EQ(Rig(1.0, "t").stepUntilFired(0.4), 3);
}

TEST(TimerFiring, FiresOnceWithItsNameAndTheManagerTimeThenStaysSilent)
{
    Rig rig(0.25, "alarm", 10.0);
    ASSERT_EQ(rig.stepUntilFired(0.1), 3);
    const std::shared_ptr<TimerEvent> fired = rig.listener.heard.at(0);
    EXPECT_EQ(fired->getName(), "alarm");
    EXPECT_NEAR(fired->getEventTime(), 10.3, 1e-9);
    EXPECT_EQ(fired->getDispatcher(), rig.events.get());
    EXPECT_EQ(rig.timer->getProcessManager(), nullptr);

    rig.timer->reset(0.0);
    rig.processes->addProcess(rig.timer);
    rig.processes->updateProcess(0.1);
    EXPECT_EQ(rig.listener.heard.size(), 1u);
}

TEST(TimerFiring, ResetBeforeFiringRestartsTheCountdown)
{
    Rig rig(0.3, "t");
    rig.processes->updateProcess(0.2);
    rig.timer->reset(0.3);
    EXPECT_EQ(rig.stepUntilFired(0.2), 2);
}

TEST(TimerFiring, TimerWithoutAProcessManagerStampsTimeZero)
{
    Rig rig(0.5, "loose");
    rig.processes->terminateAll();
    rig.timer = std::make_shared<Timer>(0.5, rig.events, "loose");
    rig.timer->updateProcess(1.0);
    ASSERT_EQ(rig.listener.heard.size(), 1u);
    EXPECT_EQ(rig.listener.heard[0]->getEventTime(), 0.0);
    rig.timer->updateProcess(1.0);
    EXPECT_EQ(rig.listener.heard.size(), 1u);
}

TEST(TimerEventType, NonZeroTypePostsAPlainEventAndZeroAnUnnamedTimerEvent)
{
    Rig custom(0.0, CUSTOM_TYPE, 4.0);
    custom.processes->updateProcess(0.5);
    EXPECT_TRUE(custom.listener.heard.empty());
    ASSERT_EQ(custom.custom.heard.size(), 1u);
    EXPECT_EQ(custom.custom.heard[0]->getEventType(), CUSTOM_TYPE);
    EXPECT_EQ(dynamic_cast<TimerEvent*>(custom.custom.heard[0].get()), nullptr);
    EXPECT_DOUBLE_EQ(custom.custom.heard[0]->getEventTime(), 4.5);

    Rig zero(0.0, 0u);
    zero.processes->updateProcess(0.5);
    ASSERT_EQ(zero.listener.heard.size(), 1u);
    EXPECT_EQ(zero.listener.heard[0]->getName(), "");
}

TEST(TimerEventType, TimerListenerIgnoresAPlainEventOfTheTimerType)
{
    EventManager events;
    TimeUpRecorder listener;
    events.addEventListener(&listener);
    events.postEvent(std::make_shared<Event>(TimerEvent::TYPE, 0.0));
    EXPECT_TRUE(listener.heard.empty());
    events.postEvent(std::make_shared<TimerEvent>("real", 0.0));
    EXPECT_EQ(listener.heard.size(), 1u);
}

TEST(TimerConstruction, BadArgumentsFailWithFixedTextsTimeCheckedFirst)
{
    auto events = std::make_shared<EventManager>();
    const std::string illegalTime = "Timer constructor: Illegal time value.";
    const std::string nullManager = "Timer constructor: Null pointer for manager.";
    EXPECT_EQ(errorText([&] { Timer(-0.1, events, "t"); }), illegalTime);
    EXPECT_EQ(errorText([&] { Timer(-0.1, nullptr, "t"); }), illegalTime);
    EXPECT_EQ(errorText([&] { Timer(-0.1, nullptr, CUSTOM_TYPE); }), illegalTime);
    EXPECT_EQ(errorText([&] { Timer(1.0, nullptr, "t"); }), nullManager);
    EXPECT_EQ(errorText([&] { Timer(0.0, nullptr, CUSTOM_TYPE); }), nullManager);
    EXPECT_EQ(errorText([&] { Timer(0.0, events, "t"); }), "no error");
}

TEST(TimerKill, KilledOrTerminatedTimerNeverFiresAndLetsGoOfItsManager)
{
    for (bool viaTerminateAll : {false, true})
    {
        SCOPED_TRACE(viaTerminateAll ? "terminateAll" : "killProcess");
        Rig rig(0.5, "t");
        std::weak_ptr<EventManager> watch = rig.events;
        rig.processes->updateProcess(0.1);
        if (viaTerminateAll)
            rig.processes->terminateAll();
        else
            rig.timer->killProcess();
        rig.processes->updateProcess(1.0);
        rig.events.reset();
        EXPECT_TRUE(watch.expired());
        rig.timer->updateProcess(1.0);
        EXPECT_TRUE(rig.listener.heard.empty());
    }
}
