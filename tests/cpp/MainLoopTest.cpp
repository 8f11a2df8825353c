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
struct ScriptedClock : FrameClock
{
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

/// A loop on a scripted clock. run() plays frames whose updates take the given
/// times (the first update of each frame; catch-up updates take no time).
struct Loop
{
    explicit Loop(float fps = 60.0f, std::uint32_t overshoot = 0) : loop(clock, fps) { clock.overshoot = overshoot; }

    void run(const std::vector<int>& frameCosts)
    {
        steps.clear();
        renders = 0;
        std::size_t frame = 0;
        bool firstOfFrame = true;
        std::ostringstream fps;
        loop.run([&] { return frame >= frameCosts.size(); },
                 [&](double timeStep) {
                     steps.push_back(timeStep);
                     if (firstOfFrame)
                         clock.ticks += frameCosts[frame];
                     firstOfFrame = false;
                     return true;
                 },
                 [&] {
                     ++renders;
                     ++frame;
                     firstOfFrame = true;
                 },
                 fps);
        fpsOutput = fps.str();
    }

    ScriptedClock clock;
    MainLoop loop;
    std::vector<double> steps;  // the time step of every update, catch-ups included
    int renders = 0;
    std::string fpsOutput;
};

std::string frameLine(int timeDiff, int sleepTime, int over)
{
    return "timeDiff:" + std::to_string(timeDiff) + " sleepTime:" + std::to_string(sleepTime) +
           " overTime:" + std::to_string(over) + "\n";
}

}

TEST(MainLoop, PeriodIsTheWholeMillisecondsOfAFrame)
{
    ScriptedClock clock;
    EXPECT_EQ(MainLoop(clock, 60.0f).getPeriod(), 16);
    EXPECT_DOUBLE_EQ(MainLoop(clock, 60.0f).getTimeStep(), 0.016);
    EXPECT_EQ(MainLoop(clock, 30.0f).getPeriod(), 33);
    EXPECT_DOUBLE_EQ(MainLoop(clock, 30.0f).getTimeStep(), 0.033);
    EXPECT_EQ(MainLoop(clock, 2000.0f).getPeriod(), 0);
}

TEST(MainLoop, OnTimeFramesSleepTheRestOfThePeriod)
{
    Loop run;
    run.run({5, 10});
    EXPECT_EQ(run.loop.frameReport(), "timeDiff:5 sleepTime:11 overTime:0\ntimeDiff:10 sleepTime:6 overTime:0\n");
    EXPECT_EQ(run.steps.size(), 2u);
    EXPECT_EQ(run.renders, 2);
    EXPECT_EQ(run.loop.getRunTime(), 32u);
}

TEST(MainLoop, OversleepShortensTheNextSleep)
{
    Loop run(60.0f, 2);
    run.run({5, 5});
    EXPECT_EQ(run.loop.frameReport(), frameLine(5, 11, 2) + frameLine(5, 16 - 5 - 2, 2));
}

TEST(MainLoop, FrameOfExactlyThePeriodIsLateAndAddsNoOvertime)
{
    Loop run;
    run.run({16, 16, 16, 16});
    EXPECT_EQ(run.loop.frameReport(), frameLine(16, 0, 0) + frameLine(16, 0, 0) + frameLine(16, 0, 0) +
                                          frameLine(16, 0, 0));
    // From the fourth late frame on, each late frame yields for a millisecond.
    EXPECT_EQ(run.clock.delays, 1);
    EXPECT_EQ(run.steps.size(), 4u);
}

TEST(MainLoop, LatenessIsCappedAndWorkedOffByAtMostFiveUpdates)
{
    Loop run;
    // 130 ms over the period: overtime is capped at 100, five catch-ups leave 20,
    // and the next frame works off one more period, leaving 4.
    run.run({146, 0, 0});
    EXPECT_EQ(run.loop.frameReport(), frameLine(146, -130, 130) + frameLine(0, 16, 0) + frameLine(0, 16, 0));
    EXPECT_EQ(run.steps.size(), 1u + 5u + 1u + 1u + 1u);
    EXPECT_EQ(run.renders, 3);
    for (double step : run.steps)
        EXPECT_DOUBLE_EQ(step, 0.016);
}

TEST(MainLoop, OvertimeEqualToThePeriodRunsNoCatchUp)
{
    Loop run;
    run.run({32});
    EXPECT_EQ(run.loop.frameReport(), frameLine(32, -16, 16));
    EXPECT_EQ(run.steps.size(), 1u);
}

TEST(MainLoop, FrameRateLineAfterEveryFourHundredFrames)
{
    Loop run(50.0f);
    run.run(std::vector<int>(799, 0));
    // 20 ms frames: frame 400 begins 399 frames after the start.
    EXPECT_EQ(run.fpsOutput, "FPS: " + std::to_string(400 / 7.98).substr(0, 7) + "\n");
    run.run(std::vector<int>(800, 0));
    EXPECT_EQ(run.fpsOutput.find("FPS: "), 0u);
    EXPECT_NE(run.fpsOutput.find("\nFPS: "), std::string::npos);
}

TEST(MainLoop, StepAnsweringFalseEndsTheLoopAfterTheFrame)
{
    ScriptedClock clock;
    MainLoop loop(clock, 60.0f);
    int steps = 0, renders = 0;
    std::ostringstream fps;
    loop.run([] { return false; }, [&](double) { return ++steps < 2; }, [&] { ++renders; }, fps);
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(renders, 2);
}
