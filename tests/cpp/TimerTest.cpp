#include "core/EventManager.h"
#include "core/ProcessManager.h"
#include "core/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Tarnu;

namespace
{

struct TimeUpRecorder : TimerListener
{
    void timeUp(const std::shared_ptr<TimerEvent>& event) override { heard.push_back(event); }
    std::vector<std::shared_ptr<TimerEvent>> heard;
};

}

TEST(Timer, FiredKilledOrTerminatedTimerNeverFiresAgainAndLetsGoOfItsManager)
{
    for (const std::string ending : {"fired", "killed", "terminated"})
    {
        SCOPED_TRACE(ending);
        auto processes = ProcessManager::createNew(0.0);
        auto events = std::make_shared<EventManager>();
        std::weak_ptr<EventManager> watch = events;
        TimeUpRecorder listener;
        events->addEventListener(&listener);
        auto timer = std::make_shared<Timer>(0.25, events, "t");
        processes->addProcess(timer);
        processes->updateProcess(0.1);
        if (ending == "fired")
            processes->updateProcess(0.2);
        else if (ending == "killed")
            timer->killProcess();
        else
            processes->terminateAll();
        const std::size_t heard = ending == "fired" ? 1 : 0;
        processes->updateProcess(1.0);
        EXPECT_EQ(listener.heard.size(), heard);
        EXPECT_EQ(timer->getProcessManager(), nullptr);

        timer->reset(0.0);
        processes->addProcess(timer);
        processes->updateProcess(0.1);
        timer->updateProcess(1.0);
        EXPECT_EQ(listener.heard.size(), heard);
        events.reset();
        EXPECT_TRUE(watch.expired());
    }
}

TEST(Timer, TimerListenerIgnoresAPlainEventOfTheTimerType)
{
    EventManager events;
    TimeUpRecorder listener;
    events.addEventListener(&listener);
    events.postEvent(std::make_shared<Event>(TimerEvent::TYPE, 0.0));
    EXPECT_TRUE(listener.heard.empty());
    events.postEvent(std::make_shared<TimerEvent>("real", 0.0));
    EXPECT_EQ(listener.heard.size(), 1u);
}
