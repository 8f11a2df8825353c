#include "core/Process.h"
#include "core/ProcessManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Tarnu;

namespace
{

using Strings = std::vector<std::string>;

// Writes every call it receives into a shared log, in the order received.
struct Probe : Process
{
    Probe(std::string name, Strings& log, std::uint32_t priority, std::uint32_t rate = 1, bool suspended = false,
          double suspendTime = 0.0)
        : Process(rate, priority, suspended, suspendTime), name(std::move(name)), log(log)
    {
    }

    void updateProcess(double time) override
    {
        log.push_back(name);
        steps.push_back(time);
        if (onUpdate)
            onUpdate();
    }
    void processStarted() override { log.push_back(name + " started"); }
    void processSuspended(bool suspended) override { log.push_back(name + (suspended ? " suspended" : " resumed")); }
    void processTerminated() override
    {
        log.push_back(name + " terminated");
        if (onTerminated)
            onTerminated();
    }

    std::vector<double> steps;
    std::function<void()> onUpdate, onTerminated;
    std::string name;
    Strings& log;
};

// A manager whose processes all write to one log.
struct Rig
{
    std::shared_ptr<Probe> add(const std::string& name, std::uint32_t priority = Process::DEFAULT_PRIORITY,
                               std::uint32_t rate = 1)
    {
        auto probe = std::make_shared<Probe>(name, log, priority, rate);
        manager->addProcess(probe);
        return probe;
    }
    void step(double dt, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            manager->updateProcess(dt);
    }

    Strings log;
    std::shared_ptr<ProcessManager> manager = ProcessManager::createNew(0.0);
};

}

TEST(ProcessOrder, HigherPriorityFirstAndEqualPrioritiesInTheOrderAdded)
{
    Rig rig;
    rig.add("5", 5);
    rig.add("10", 10);
    rig.add("default");
    rig.add("max", 0xFFFFFFFFu);
    // Created in one order and added in the reverse, so address order would give the opposite.
    std::vector<std::shared_ptr<Probe>> equals;
    for (int i = 0; i < 5; ++i)
        equals.push_back(std::make_shared<Probe>("7-" + std::to_string(i), rig.log, 7));
    for (auto p = equals.rbegin(); p != equals.rend(); ++p)
        rig.manager->addProcess(*p);
    rig.log.clear();
    rig.step(0.1);
    EXPECT_EQ(rig.log, (Strings{"max", "default", "10", "7-4", "7-3", "7-2", "7-1", "7-0", "5"}));
}

TEST(ProcessRate, RunsEveryRateStepsWithTheStepsSummedAndLoweringToTheCounterRestartsIt)
{
    Rig rig;
    auto three = rig.add("three", 1, 3);
    auto lowered = rig.add("lowered", 1, 3);
    auto zero = rig.add("zero", 1, 0);  // a rate of 0 means every step
    rig.step(0.1, 2);
    lowered->setUpdateRate(2);
    zero->setUpdateRate(0);
    rig.step(0.1, 3);
    EXPECT_EQ(three->steps.size(), 2u);
    EXPECT_NEAR(three->steps.at(0), 0.1, 1e-12);
    EXPECT_NEAR(three->steps.at(1), 0.3, 1e-12);
    EXPECT_EQ(lowered->steps, (std::vector<double>{0.1, 0.1 + 0.1, 0.1 + 0.1}));
    EXPECT_EQ(zero->getUpdateRate(), 1u);
    EXPECT_EQ(zero->steps.size(), 5u);
    EXPECT_NEAR(rig.manager->getCurrentTime(), 0.5, 1e-12);
}

TEST(ProcessSuspension, TimedSuspensionEndsAtZeroTimeLeftAndZeroTimeNever)
{
    Rig rig;
    auto p = rig.add("p");
    auto forever = rig.add("forever");
    // Suspended from its constructor: no notification, but counted down all the same.
    rig.manager->addProcess(std::make_shared<Probe>("born", rig.log, 1, 1, true, 0.2));
    rig.log.clear();
    forever->suspend(true, 0.0);
    p->suspend(false, 5.0);  // not suspended: nothing to resume
    p->suspend(true, 100.0);
    p->suspend(true, 0.25);  // already suspended: only the time changes
    EXPECT_FALSE(p->isActive());

    // Woken processes are not updated in the step that wakes them.
    rig.step(0.1, 3);
    EXPECT_EQ(rig.log, (Strings{"forever suspended", "p suspended", "born resumed", "p resumed", "born"}));
    EXPECT_TRUE(p->isActive());
    rig.step(0.1, 20);
    EXPECT_EQ(p->steps.size(), 20u);
    EXPECT_NEAR(p->steps.at(0), 0.1, 1e-12);
    EXPECT_TRUE(forever->getSuspended());
    EXPECT_TRUE(forever->steps.empty());
}

TEST(ProcessKill, ProcessKillingItselfLeavesAfterThePassAndCanRejoin)
{
    Rig rig;
    auto self = rig.add("self", 10);
    rig.add("next", 5);
    self->onUpdate = [&] {
        self->killProcess();
        EXPECT_EQ(self->getProcessManager(), rig.manager);
    };
    self->onTerminated = [&] { EXPECT_EQ(self->getProcessManager(), nullptr); };
    rig.log.clear();
    rig.step(0.1);
    EXPECT_EQ(rig.log, (Strings{"self", "next", "self terminated"}));
    EXPECT_FALSE(self->isActive());

    self->onUpdate = nullptr;
    rig.manager->addProcess(self);
    rig.step(0.1);
    EXPECT_EQ(rig.log, (Strings{"self", "next", "self terminated", "self started", "self", "next"}));
}

TEST(ProcessKill, ProcessesKilledOrAddedDuringAPassWaitOrRunByTheirPlace)
{
    Rig rig;
    auto killer = rig.add("killer", 10);
    auto victim = rig.add("victim", 5);
    auto low = std::make_shared<Probe>("low", rig.log, 1);
    auto high = std::make_shared<Probe>("high", rig.log, 20);
    low->killProcess();  // not in a manager yet: must leave no mark
    killer->onUpdate = [&] {
        victim->killProcess();
        rig.manager->addProcess(low);
        rig.manager->addProcess(high);
    };
    rig.log.clear();
    rig.step(0.1);
    EXPECT_EQ(rig.log, (Strings{"killer", "low started", "high started", "low", "victim terminated"}));
}

TEST(ProcessPass, ReenteringAPassWarnsOncePerCallAndChangesNothing)
{
    Rig rig;
    auto reentrant = rig.add("reentrant", 10);
    rig.add("other", 5);
    reentrant->onUpdate = [&] { rig.step(1.0, 2); };
    rig.log.clear();
    testing::internal::CaptureStderr();
    rig.step(0.5);
    const std::string warning = "Warning: ProcessManager::updateProcess called during an update\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), warning + warning);
    EXPECT_EQ(rig.log, (Strings{"reentrant", "other"}));
    EXPECT_DOUBLE_EQ(rig.manager->getCurrentTime(), 0.5);
}

TEST(ProcessPass, ThrowingProcessDoesNotLeaveTheManagerUpdating)
{
    Rig rig;
    auto thrower = rig.add("thrower", 10);
    rig.add("other", 5);
    thrower->onUpdate = [&] { throw std::runtime_error("process failed"); };
    rig.log.clear();
    EXPECT_THROW(rig.step(0.1), std::runtime_error);
    thrower->onUpdate = nullptr;
    testing::internal::CaptureStderr();
    rig.step(0.1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(rig.log, (Strings{"thrower", "thrower", "other"}));
}

TEST(ProcessPass, ManagerReleasedByItsOwnProcessLivesUntilThePassEnds)
{
    Rig rig;
    auto quitter = rig.add("quitter", 10);
    auto after = rig.add("after", 5);
    quitter->onUpdate = [&] { rig.manager.reset(); };
    rig.log.clear();
    ProcessManager& running = *rig.manager;
    running.updateProcess(0.1);
    EXPECT_EQ(rig.log, (Strings{"quitter", "after", "quitter terminated", "after terminated"}));
    EXPECT_EQ(after->getProcessManager(), nullptr);
}

TEST(ProcessTerminate, TerminateAllFromInsideAPassEndsEveryProcessOnceAfterThePass)
{
    Rig rig;
    auto a = rig.add("a", 10);
    auto b = rig.add("b", 5);
    a->onUpdate = [&] { rig.manager->terminateAll(); };
    rig.log.clear();
    rig.step(0.1);
    EXPECT_EQ(rig.log, (Strings{"a", "a terminated", "b terminated"}));
    EXPECT_EQ(b->getProcessManager(), nullptr);
    rig.step(0.1);
    EXPECT_EQ(rig.log.size(), 3u);
}

TEST(ProcessTerminate, ProcessTerminatedMayAddKillOrTerminateProcesses)
{
    Rig rig;
    auto adder = rig.add("adder", 30);
    auto killer = rig.add("killer", 20);
    auto victim = rig.add("victim", 10);
    auto newcomer = std::make_shared<Probe>("newcomer", rig.log, 5);
    adder->onTerminated = [&] {
        rig.manager->addProcess(newcomer);
        rig.manager->addProcess(adder);
    };
    killer->onTerminated = [&] { victim->killProcess(); };
    adder->killProcess();
    killer->killProcess();
    rig.log.clear();
    rig.step(0.1);
    EXPECT_EQ(rig.log, (Strings{"victim", "adder terminated", "newcomer started", "adder started",
                                "killer terminated", "victim terminated"}));
    EXPECT_EQ(victim->getProcessManager(), nullptr);
    rig.log.clear();
    rig.step(0.1);
    EXPECT_EQ(rig.log, (Strings{"adder", "newcomer"}));

    adder->onTerminated = [&] { rig.manager->terminateAll(); };
    rig.log.clear();
    rig.manager->terminateAll();
    EXPECT_EQ(rig.log, (Strings{"adder terminated", "newcomer terminated"}));
}
