#pragma once
// The millisecond clock the main loop paces itself by. The engine runs on
// SDL's tick counter; tests drive the loop with a clock of their own.

#include <cstdint>

namespace Tarnu
{

class FrameClock
{
public:
    virtual ~FrameClock() = default;
    virtual std::uint32_t getTicks() = 0;
    /// Yields the processor for about that long.
    virtual void delay(std::uint32_t milliseconds) = 0;
    /// Returns when sleepTime (> 0) milliseconds have passed since the tick from.
    virtual void sleepUntil(std::uint32_t from, int sleepTime) = 0;
};

/// SDL_GetTicks and SDL_Delay.
class SdlClock : public FrameClock
{
public:
    std::uint32_t getTicks() override;
    void delay(std::uint32_t milliseconds) override;
    void sleepUntil(std::uint32_t from, int sleepTime) override;
};

}
