#include "core/MainLoop.h"

#include "core/FrameClock.h"

#include <algorithm>
#include <ostream>
#include <sstream>

namespace Tarnu
{

MainLoop::MainLoop(FrameClock& clock, float fps)
    : clock(clock), period(static_cast<int>(1000.0 / static_cast<double>(fps))), timeStep(period / 1000.0)
{
}

void MainLoop::run(const QuitRequested& quitRequested, const Step& step, const Render& render,
                   const CheckInterrupt& checkInterrupt, std::ostream& fpsOut)
{
    frames.clear();
    std::uint32_t lastFpsTicks = clock.getTicks();
    const std::uint32_t startTicks = clock.getTicks();
    std::uint32_t beforeTicks = clock.getTicks();
    int overSleep = 0;
    int overTime = 0;
    unsigned lateFrames = 0;
    bool running = true;

    while (running && !quitRequested())
    {
        if (frames.size() % FRAMES_PER_FPS_LINE == FRAMES_PER_FPS_LINE - 1)
        {
            const std::uint32_t now = clock.getTicks();
            const std::uint32_t diff = now - lastFpsTicks;
            lastFpsTicks = now;
            fpsOut << "FPS: " << FRAMES_PER_FPS_LINE / (diff / 1000.0) << '\n';
        }
        running = step(timeStep) && running;
        render();

        const std::uint32_t now = clock.getTicks();
        const int timeDiff = static_cast<int>(now - beforeTicks);
        const int sleepTime = period - timeDiff - overSleep;
        int over;
        if (sleepTime > 0)
        {
            sleep(now, sleepTime, checkInterrupt);
            overSleep = static_cast<int>(clock.getTicks() - now) - sleepTime;
            over = overSleep;
        }
        else
        {
            ++lateFrames;
            overTime -= sleepTime;
            overSleep = 0;
            if (lateFrames >= LATE_FRAMES_BEFORE_YIELDING)
                clock.delay(1);
            over = overTime;
        }
        frames.push_back({timeDiff, sleepTime, over});

        // Catch-up updates count into the next frame's time.
        beforeTicks = clock.getTicks();
        if (overTime > MAX_OVERTIME)
            overTime = MAX_OVERTIME;
        for (int caughtUp = 0; overTime > period && caughtUp < MAX_CATCH_UP_STEPS; ++caughtUp)
        {
            overTime -= period;
            running = step(timeStep) && running;
        }
    }
    runTime = clock.getTicks() - startTicks;
}

void MainLoop::sleep(std::uint32_t from, int sleepTime, const CheckInterrupt& checkInterrupt)
{
    // In slices: with a long frame period, the player's Ctrl-C must not wait for the whole frame.
    for (int until = std::min(sleepTime, SLEEP_SLICE);; until = std::min(sleepTime, until + SLEEP_SLICE))
    {
        clock.sleepUntil(from, until);
        if (until == sleepTime)
            return;
        checkInterrupt();
    }
}

std::string MainLoop::frameReport() const
{
    std::ostringstream text;
    for (const Frame& frame : frames)
        text << "timeDiff:" << frame.timeDiff << " sleepTime:" << frame.sleepTime << " overTime:" << frame.over
             << '\n';
    return text.str();
}

}
