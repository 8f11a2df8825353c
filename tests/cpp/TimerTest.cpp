#include "core/EventManager.h"
#include "core/ProcessManager.h"
#include "core/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace Tarnu;

namespace
{

struct TimeUpCounter : TimerListener
{
    void timeUp(const std::shared_ptr<TimerEvent>&) override { ++heard; }
    std::size_t heard = 0;
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
        TimeUpCounter listener;
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
        EXPECT_EQ(listener.heard, heard);
        EXPECT_EQ(timer->getProcessManager(), nullptr);

        timer->reset(0.0);
        processes->addProcess(timer);
        processes->updateProcess(0.1);
        timer->updateProcess(1.0);
        EXPECT_EQ(listener.heard, heard);
        events.reset();
        EXPECT_TRUE(watch.expired());
    }
}
