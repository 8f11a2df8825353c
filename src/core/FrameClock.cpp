#include "core/FrameClock.h"

#include <SDL.h>

namespace Tarnu
{

std::uint32_t SdlClock::getTicks()
{
    return SDL_GetTicks();
}

void SdlClock::delay(std::uint32_t milliseconds)
{
    SDL_Delay(milliseconds);
}

void SdlClock::sleepUntil(std::uint32_t from, int sleepTime)
{
    const auto elapsed = [from] { return static_cast<int>(SDL_GetTicks() - from); };
    if (sleepTime == 1)
        SDL_Delay(1);
    else
        while (elapsed() < sleepTime - 1)
            SDL_Delay(1);
    // The last millisecond is spun: a delay may overshoot by a whole tick.
    while (elapsed() < sleepTime)
    {
    }
}

}
