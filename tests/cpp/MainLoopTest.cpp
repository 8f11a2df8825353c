#include "core/FrameClock.h"
#include "core/MainLoop.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace Tarnu;

namespace
{

/// Time moves only when the loop sleeps or a step says it took time.
class ScriptedClock : public FrameClock
{
public:
    std::uint32_t getTicks() override { return ticks; }
    void delay(std::uint32_t milliseconds) override
    {
        ticks += milliseconds;
        ++delays;
    }
    void sleepUntil(std::uint32_t from, int sleepTime) override { ticks = from + sleepTime + overshoot; }

    std::uint32_t ticks = 1000;
    std::uint32_t overshoot = 0;
    int delays = 0;
};

struct LoopRecord
{
    std::vector<double> steps;  // the time step of every update, catch-ups included
    int renders = 0;
    std::string fpsOutput;
};

/// Runs frames whose updates take the given times (the first update of each frame);
/// catch-up updates take no time.
LoopRecord runFrames(MainLoop& loop, ScriptedClock& clock, const std::vector<int>& frameCosts)
{
    LoopRecord run;
    std::size_t frame = 0;
    bool firstOfFrame = true;
    std::ostringstream fps;
    loop.run([&] { return frame >= frameCosts.size(); },
             [&](double timeStep) {
                 run.steps.push_back(timeStep);
                 if (firstOfFrame)
                     clock.ticks += frameCosts[frame];
                 firstOfFrame = false;
                 return true;
             },
             [&] {
                 ++run.renders;
                 ++frame;
                 firstOfFrame = true;
             },
             fps);
    run.fpsOutput = fps.str();
    return run;
}

}

TEST(MainLoop, PeriodIsTheWholeMillisecondsOfAFrame)
{
    ScriptedClock clock;
    MainLoop sixty(clock, 60.0f);
    EXPECT_EQ(sixty.getPeriod(), 16);
    EXPECT_DOUBLE_EQ(sixty.getTimeStep(), 0.016);
    MainLoop thirty(clock, 30.0f);
    EXPECT_EQ(thirty.getPeriod(), 33);
    EXPECT_DOUBLE_EQ(thirty.getTimeStep(), 0.033);
    MainLoop tooFast(clock, 2000.0f);
    EXPECT_EQ(tooFast.getPeriod(), 0);
}

TEST(MainLoop, OnTimeFramesSleepTheRestOfThePeriod)
{
    ScriptedClock clock;
    MainLoop loop(clock, 60.0f);
    LoopRecord run = runFrames(loop, clock, {5, 10});
    ASSERT_EQ(loop.getFrames().size(), 2u);
    EXPECT_EQ(loop.getFrames()[0].timeDiff, 5);
    EXPECT_EQ(loop.getFrames()[0].sleepTime, 11);
    EXPECT_EQ(loop.getFrames()[1].timeDiff, 10);
    EXPECT_EQ(loop.getFrames()[1].sleepTime, 6);
    EXPECT_EQ(run.steps.size(), 2u);
    EXPECT_EQ(run.renders, 2);
    EXPECT_EQ(loop.getRunTime(), 32u);
    EXPECT_EQ(loop.frameReport(), "timeDiff:5 sleepTime:11 overTime:0\ntimeDiff:10 sleepTime:6 overTime:0\n");
}

TEST(MainLoop, OversleepShortensTheNextSleep)
{
    ScriptedClock clock;
    clock.overshoot = 2;
    MainLoop loop(clock, 60.0f);
    runFrames(loop, clock, {5, 5});
    EXPECT_EQ(loop.getFrames()[0].over, 2);
    EXPECT_EQ(loop.getFrames()[1].timeDiff, 5);
    EXPECT_EQ(loop.getFrames()[1].sleepTime, 16 - 5 - 2);
}

TEST(MainLoop, FrameOfExactlyThePeriodIsLateAndAddsNoOvertime)
{
    ScriptedClock clock;
    MainLoop loop(clock, 60.0f);
    LoopRecord run = runFrames(loop, clock, {16, 16, 16, 16});
    for (const MainLoop::Frame& frame : loop.getFrames())
    {
        EXPECT_EQ(frame.sleepTime, 0);
        EXPECT_EQ(frame.over, 0);
    }
    // From the fourth late frame on, each late frame yields for a millisecond.
    EXPECT_EQ(clock.delays, 1);
    EXPECT_EQ(run.steps.size(), 4u);
}

TEST(MainLoop, LatenessIsCappedAndWorkedOffByAtMostFiveUpdates)
{
    ScriptedClock clock;
    MainLoop loop(clock, 60.0f);
    // 130 ms over the period: overtime is capped at 100, five catch-ups leave 20,
    // and the next frame works off one more period, leaving 4.
    LoopRecord run = runFrames(loop, clock, {146, 0, 0});
    ASSERT_EQ(loop.getFrames().size(), 3u);
    EXPECT_EQ(loop.getFrames()[0].sleepTime, -130);
    EXPECT_EQ(loop.getFrames()[0].over, 130);
    EXPECT_EQ(run.steps.size(), 1u + 5u + 1u + 1u + 1u);
    EXPECT_EQ(run.renders, 3);
    for (double step : run.steps)
        EXPECT_DOUBLE_EQ(step, 0.016);
}

TEST(MainLoop, OvertimeEqualToThePeriodRunsNoCatchUp)
{
    ScriptedClock clock;
    MainLoop loop(clock, 60.0f);
    LoopRecord run = runFrames(loop, clock, {32});
    EXPECT_EQ(loop.getFrames()[0].over, 16);
    EXPECT_EQ(run.steps.size(), 1u);
}

TEST(MainLoop, FrameRateLineAfterEveryFourHundredFrames)
{
    ScriptedClock clock;
    MainLoop loop(clock, 50.0f);
    LoopRecord run = runFrames(loop, clock, std::vector<int>(799, 0));
    // 20 ms frames: frame 400 begins 399 frames after the start.
    EXPECT_EQ(run.fpsOutput, "FPS: " + std::to_string(400 / 7.98).substr(0, 7) + "\n");
    run = runFrames(loop, clock, std::vector<int>(800, 0));
    EXPECT_EQ(run.fpsOutput.find("FPS: "), 0u);
    EXPECT_NE(run.fpsOutput.find("\nFPS: "), std::string::npos);
}

TEST(MainLoop, StepAnsweringFalseEndsTheLoopAfterTheFrame)
{
    ScriptedClock clock;
    MainLoop loop(clock, 60.0f);
    int steps = 0;
    int renders = 0;
    std::ostringstream fps;
    loop.run([] { return false; }, [&](double) { return ++steps < 2; }, [&] { ++renders; }, fps);
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(renders, 2);
}
