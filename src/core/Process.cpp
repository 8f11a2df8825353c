#include "core/Process.h"

#include "core/math/FiniteCheck.h"

namespace Tarnu
{

Process::Process(std::uint32_t updateRate, std::uint32_t priority, bool suspended, double suspendTime)
    : priority(priority),
      suspended(suspended),
      time(suspended && suspendTime > 0 ? suspendTime : 0.0),
      // A rate of 0 would never come round; it means "every step".
      updateRate(updateRate == 0 ? 1 : updateRate)
{
    requireFinite(suspendTime, "suspendTime");
}

void Process::suspend(bool suspend, double suspendTime)
{
    requireFinite(suspendTime, "time");
    if (!suspend && !suspended)
        return;
    if (suspend && suspended)
    {
        time = suspendTime;
        return;
    }
    suspended = suspend;
    if (!manager.expired())
        processSuspended(suspend);
    time = suspend ? suspendTime : 0.0;
}

void Process::killProcess()
{
    if (managerPtr)
        dead = true;
}

void Process::setUpdateRate(std::uint32_t rate)
{
    if (rate == 0)
        return;
    updateRate = rate;
    if (frameCounter >= updateRate)
        frameCounter = 0;
}

}
