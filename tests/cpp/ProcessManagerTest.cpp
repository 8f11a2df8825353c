#include "core/Process.h"
#include "core/ProcessManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
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

// A manager whose processes all write to one log; step() clears the log first.
struct Rig
{
    std::shared_ptr<Probe> add(const std::string& name, std::uint32_t priority = 1, std::uint32_t rate = 1,
                               bool join = true)
    {
        auto probe = std::make_shared<Probe>(name, log, priority, rate);
        if (join)
            manager->addProcess(probe);
        return probe;
    }
    const Strings& step(double dt, int times = 1)
    {
        log.clear();
        for (int i = 0; i < times; ++i)
            manager->updateProcess(dt);
        return log;
    }
    Strings log;
    std::shared_ptr<ProcessManager> manager = ProcessManager::createNew(0.0);
};

}

TEST(ProcessOrder, HigherPriorityFirstAndEqualPrioritiesInTheOrderAdded)
{
    Rig rig;
    for (auto [name, priority] :
         {std::pair{"5", 5u}, {"10", 10u}, {"default", Process::DEFAULT_PRIORITY}, {"max", ~0u}})
        rig.add(name, priority);
    // Created in one order and added in the reverse, so address order would give the opposite.
    std::vector<std::shared_ptr<Probe>> equals;
    for (int i = 0; i < 5; ++i)
        equals.push_back(rig.add("7-" + std::to_string(i), 7, 1, false));
    for (auto p = equals.rbegin(); p != equals.rend(); ++p)
        rig.manager->addProcess(*p);
    EXPECT_EQ(rig.step(0.1), (Strings{"max", "default", "10", "7-4", "7-3", "7-2", "7-1", "7-0", "5"}));
}

TEST(ProcessRate, RunsEveryRateStepsWithTheStepsSummedAndLoweringToTheCounterRestartsIt)
{
    Rig rig;
    auto three = rig.add("three", 1, 3);
    auto lowered = rig.add("lowered", 1, 3);
    auto zero = rig.add("zero", 1, 0);  // a rate of 0 means every step
    rig.step(0.1, 2);
    lowered->setUpdateRate(2);
    rig.step(0.1, 3);
    ASSERT_EQ(three->steps.size(), 2u);
    EXPECT_NEAR(three->steps[1], 0.3, 1e-12);
    EXPECT_EQ(lowered->steps, (std::vector<double>{0.1, 0.1 + 0.1, 0.1 + 0.1}));
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
    forever->suspend(true, 0.0);
    p->suspend(false, 5.0);  // not suspended: nothing to resume
    p->suspend(true, 100.0);
    p->suspend(true, 0.25);  // already suspended: only the time changes
    const Strings announced = rig.log;
    // Woken processes are not updated in the step that wakes them.
    EXPECT_EQ(rig.step(0.1, 3), (Strings{"born resumed", "p resumed", "born"}));
    EXPECT_EQ(announced, (Strings{"p started", "forever started", "born started", "forever suspended",
                                  "p suspended"}));
    rig.step(0.1, 20);
    ASSERT_EQ(p->steps.size(), 20u);
    EXPECT_NEAR(p->steps[0], 0.1, 1e-12);
    EXPECT_TRUE(forever->steps.empty());
}

TEST(ProcessKill, KillingItselfLeavesAfterThePassAndOthersKilledOrAddedWaitOrRunByTheirPlace)
{
    Rig rig;
    auto self = rig.add("self", 10);
    auto victim = rig.add("victim", 5);
    auto low = rig.add("low", 1, 1, false), high = rig.add("high", 20, 1, false);
    low->killProcess();  // not in a manager yet: must leave no mark
    self->onUpdate = [&] {
        self->killProcess();
        EXPECT_EQ(self->getProcessManager(), rig.manager);
        victim->killProcess();
        rig.manager->addProcess(low);
        rig.manager->addProcess(high);
    };
    self->onTerminated = [&] { EXPECT_EQ(self->getProcessManager(), nullptr); };
    EXPECT_EQ(rig.step(0.1), (Strings{"self", "low started", "high started", "low", "self terminated",
                                      "victim terminated"}));
    self->onUpdate = nullptr;
    rig.manager->addProcess(self);
    EXPECT_EQ(rig.step(0.1), (Strings{"high", "self", "low"}));
}

TEST(ProcessPass, ReenteringWarnsOncePerCallAndAThrowingProcessIsPassedOverWithAWarning)
{
    Rig rig;
    auto first = rig.add("first", 10);
    rig.add("other", 5);
    first->onUpdate = [&] {
        for (int i = 0; i < 2; ++i)
            rig.manager->updateProcess(1.0);
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.step(0.5), (Strings{"first", "other"}));
    const std::string warning = "Warning: ProcessManager::updateProcess called during an update\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), warning + warning);
    EXPECT_DOUBLE_EQ(rig.manager->getCurrentTime(), 0.5);

    first->onUpdate = [] { throw std::runtime_error("process failed"); };
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.step(0.1), (Strings{"first", "other"})) << "the others are updated all the same";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Warning: the update of a process of type (anonymous "
                                                      "namespace)::Probe raised an error and was passed over: "
                                                      "process failed\n");
    first->onUpdate = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.step(0.1), (Strings{"first", "other"}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ProcessPass, ManagerReleasedOrTerminatedByItsOwnProcessEndsEveryProcessOnceAfterThePass)
{
    for (bool release : {false, true})
    {
        Rig rig;
        auto a = rig.add("a", 10), b = rig.add("b", 5);
        a->onUpdate = [&] { release ? rig.manager.reset() : rig.manager->terminateAll(); };
        ProcessManager& running = *rig.manager;
        rig.log.clear();
        running.updateProcess(0.1);
        EXPECT_EQ(rig.log, release ? (Strings{"a", "b", "a terminated", "b terminated"})
                                   : (Strings{"a", "a terminated", "b terminated"}));
        EXPECT_EQ(b->getProcessManager(), nullptr);
        if (!release)
        {
            EXPECT_TRUE(rig.step(0.1).empty());
        }
    }
}

TEST(ProcessTerminate, ProcessTerminatedMayAddKillOrTerminateProcesses)
{
    Rig rig;
    auto adder = rig.add("adder", 30);
    auto killer = rig.add("killer", 20);
    auto victim = rig.add("victim", 10);
    auto newcomer = rig.add("newcomer", 5, 1, false);
    adder->onTerminated = [&] {
        rig.manager->addProcess(newcomer);
        rig.manager->addProcess(adder);
    };
    killer->onTerminated = [&] { victim->killProcess(); };
    adder->killProcess();
    killer->killProcess();
    EXPECT_EQ(rig.step(0.1), (Strings{"victim", "adder terminated", "newcomer started", "adder started",
                                      "killer terminated", "victim terminated"}));
    EXPECT_EQ(rig.step(0.1), (Strings{"adder", "newcomer"}));

    adder->onTerminated = [&] { rig.manager->terminateAll(); };
    rig.log.clear();
    rig.manager->terminateAll();
    EXPECT_EQ(rig.log, (Strings{"adder terminated", "newcomer terminated"}));
}

TEST(ProcessKill, KilledProcessAddedAgainBeforeTheSweepStaysAndOneAddedElsewhereMovesAtOnce)
{
    Rig rig, other;  // both probes write to rig's log
    auto stays = rig.add("stays", 10);
    auto moves = rig.add("moves", 5);
    stays->onUpdate = [&] {
        // Killed and taken back within one pass: never left, updated once per pass.
        stays->killProcess();
        rig.manager->addProcess(stays);
        moves->killProcess();
        other.manager->addProcess(moves);
    };
    EXPECT_EQ(rig.step(0.1), (Strings{"stays", "moves terminated", "moves started"}));
    stays->onUpdate = nullptr;
    EXPECT_EQ(rig.step(0.1, 2), (Strings{"stays", "stays"}));
    rig.log.clear();
    other.manager->updateProcess(0.1);
    EXPECT_EQ(rig.log, (Strings{"moves"}));
    EXPECT_EQ(moves->getProcessManager(), other.manager);
    // A living process is not taken from its manager.
    other.manager->addProcess(stays);
    EXPECT_EQ(stays->getProcessManager(), rig.manager);
}
