#pragma once
// The fixed-step loop: every update advances simulated time by one frame
// period, whatever the real time. Real time only decides how long to sleep
// and how many extra updates without drawing work off lateness (at most 5 a
// frame, and lateness beyond 100 ms is dropped). Each frame's timing is kept
// for the run report.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace Tarnu
{

class FrameClock;

class MainLoop
{
public:
    struct Frame
    {
        int timeDiff;
        int sleepTime;
        int over;  // the oversleep after a sleep, the lateness after a late frame
    };

    /// Answers false to end the loop once the current frame is done.
    using Step = std::function<bool(double timeStep)>;
    using Render = std::function<void()>;
    using QuitRequested = std::function<bool()>;
    /// May throw to end the loop at once (Ctrl-C).
    using CheckInterrupt = std::function<void()>;

    /// fps must be a positive number: Root checks it before it builds the loop.
    MainLoop(FrameClock& clock, float fps);

    int getPeriod() const { return period; }
    double getTimeStep() const { return timeStep; }

    /// Runs frames until quitRequested answers true at a frame's start or step
    /// answers false; "FPS: " lines go to fpsOut every 400 frames. A long sleep
    /// is cut into slices of SLEEP_SLICE ms with checkInterrupt between them.
    void run(const QuitRequested& quitRequested, const Step& step, const Render& render,
             const CheckInterrupt& checkInterrupt, std::ostream& fpsOut);

    const std::vector<Frame>& getFrames() const { return frames; }
    std::uint32_t getRunTime() const { return runTime; }

    /// One line per frame: "timeDiff:T sleepTime:S overTime:O".
    std::string frameReport() const;

    static constexpr int SLEEP_SLICE = 50;

private:
    static constexpr int MAX_OVERTIME = 100;
    static constexpr int MAX_CATCH_UP_STEPS = 5;
    static constexpr int FRAMES_PER_FPS_LINE = 400;
    static constexpr unsigned LATE_FRAMES_BEFORE_YIELDING = 4;

    void sleep(std::uint32_t from, int sleepTime, const CheckInterrupt& checkInterrupt);

    FrameClock& clock;
    int period;
    double timeStep;
    std::vector<Frame> frames;
    std::uint32_t runTime = 0;
};

}
