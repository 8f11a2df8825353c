#include "core/FrameClock.h"
#include "core/MainLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
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

    std::uint32_t ticks = 1000, overshoot = 0;
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
        updatesPerFrame.clear();
        std::size_t frame = 0;
        int cost = frameCosts.at(0);  // still to be spent in the current frame
        std::ostringstream fps;
        loop.run(
            [&] {
                updatesPerFrame.push_back(0);
                return frame >= frameCosts.size();
            },
            [&](double timeStep) {
                steps.push_back(timeStep);
                ++updatesPerFrame.back();
                clock.ticks += std::exchange(cost, 0);
                return true;
            },
            [&] { cost = ++frame < frameCosts.size() ? frameCosts[frame] : 0; },
            [&] {
                if (onInterruptCheck)
                    onInterruptCheck();
            },
            fps);
        updatesPerFrame.pop_back();  // the frame that was not begun
        fpsOutput = fps.str();
    }

    ScriptedClock clock;
    MainLoop loop;
    std::vector<double> steps;       // the time step of every update, catch-ups included
    std::vector<int> updatesPerFrame;  // the frame's own update and the catch-ups after it
    std::string fpsOutput;
    std::function<void()> onInterruptCheck;
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
    for (auto [fps, period] : {std::pair{60.0f, 16}, {30.0f, 33}, {2000.0f, 0}})
    {
        EXPECT_EQ(MainLoop(clock, fps).getPeriod(), period);
        EXPECT_DOUBLE_EQ(MainLoop(clock, fps).getTimeStep(), period / 1000.0);
    }
}

TEST(MainLoop, FramesSleepTheRestOfThePeriodOrWorkOffTheirLateness)
{
    const std::string late = frameLine(16, 0, 0);
    struct Case
    {
        const char* name;
        std::uint32_t overshoot;
        std::vector<int> costs;
        std::string report;
        std::vector<int> updatesPerFrame;
    } cases[] = {
        {"on time", 0, {5, 10}, frameLine(5, 11, 0) + frameLine(10, 6, 0), {1, 1}},
        {"oversleep shortens the next sleep", 2, {5, 5}, frameLine(5, 11, 2) + frameLine(5, 16 - 5 - 2, 2), {1, 1}},
        {"a late frame forgets the oversleep before it", 2, {5, 20, 5},
         frameLine(5, 11, 2) + frameLine(20, 16 - 20 - 2, 6) + frameLine(5, 11, 2), {1, 1, 1}},
        {"exactly the period is late, adds no overtime", 0, {16, 16, 16, 16}, late + late + late + late, {1, 1, 1, 1}},
        // 130 ms over: capped at 100 overtime, five catch-ups leave 20, the next frame works off one more period.
        {"130 ms late", 0, {146, 0, 0}, frameLine(146, -130, 130) + frameLine(0, 16, 0) + frameLine(0, 16, 0),
         {1 + 5, 1 + 1, 1}},
        {"overtime of one period runs no catch-up", 0, {32}, frameLine(32, -16, 16), {1}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Loop run(60.0f, c.overshoot);
        run.run(c.costs);
        EXPECT_EQ(run.loop.frameReport(), c.report);
        EXPECT_EQ(run.updatesPerFrame, c.updatesPerFrame);
        EXPECT_EQ(run.steps, std::vector<double>(run.steps.size(), 0.016));
    }
    Loop onTime, fourLate;
    onTime.run({5, 10});
    fourLate.run({16, 16, 16, 16});
    EXPECT_EQ(onTime.loop.getRunTime(), 32u);
    EXPECT_EQ(fourLate.clock.delays, 1);  // from the fourth late frame on, each late frame yields a millisecond
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

TEST(MainLoop, LongSleepsLookForAnInterruptAtLeastEveryFiftyMillisecondsAndEndAtOne)
{
    // Two frames a second: a frame that costs nothing sleeps 500 ms.
    Loop run(2.0f);
    std::vector<std::uint32_t> checks;
    run.onInterruptCheck = [&] { checks.push_back(run.clock.ticks); };
    run.run({0});
    EXPECT_EQ(checks, (std::vector<std::uint32_t>{1050, 1100, 1150, 1200, 1250, 1300, 1350, 1400, 1450}));
    EXPECT_EQ(run.loop.frameReport(), frameLine(0, 500, 0));

    Loop interrupted(2.0f);
    interrupted.onInterruptCheck = [] { throw std::runtime_error("Ctrl-C"); };
    EXPECT_THROW(interrupted.run({0, 0}), std::runtime_error);
    EXPECT_EQ(interrupted.clock.ticks, 1050u) << "the rest of the frame is not slept";
}
