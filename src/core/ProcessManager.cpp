#include "core/ProcessManager.h"

#include "core/EngineWarning.h"
#include "core/FlagGuard.h"
#include "core/OwnedReferences.h"
#include "core/TypeName.h"
#include "core/math/FiniteCheck.h"

#include <cmath>
#include <iostream>
#include <stdexcept>
#include <typeinfo>
#include <vector>

namespace Tarnu
{

ProcessManager::ProcessManager(double startTime)
    : currentTime(requireFinite(startTime, "startTime"))
{
}

ProcessManager::~ProcessManager()
{
    terminateAll();
}

std::shared_ptr<ProcessManager> ProcessManager::createNew(double startTime)
{
    auto manager = std::make_shared<ProcessManager>(startTime);
    manager->setSelf(manager);
    return manager;
}

void ProcessManager::addProcess(const std::shared_ptr<Process>& process)
{
    if (!process || process.get() == this)
        return;
    if (process->managerPtr)
    {
        // A living process stays where it is; a killed one is still leaving.
        if (!process->dead)
            return;
        if (process->managerPtr == this)
        {
            process->dead = false;
            return;
        }
        release(*process);
        if (process->managerPtr)  // its termination hook found it a home already
            return;
    }
    process->manager = self;
    process->managerPtr = this;
    process->frameCounter = 0;
    ++process->adoption;
    process->processStarted();
    processes.insert({process->getPriority(), nextSerial++, process->adoption, process});
}

void ProcessManager::release(Process& process)
{
    process.manager.reset();
    process.managerPtr = nullptr;
    process.dead = false;
    process.processTerminated();
}

void ProcessManager::updateProcess(double dt)
{
    requireFinite(dt, "time");
    if (!std::isfinite(currentTime + dt))
        throw std::invalid_argument("time is out of range: the manager's clock would pass the largest number");
    if (updating)
    {
        std::cerr << "Warning: ProcessManager::updateProcess called during an update\n";
        return;
    }
    // A process may drop the last outside reference to this manager while it runs.
    const std::shared_ptr<ProcessManager> keepAlive = self.lock();
    currentTime += dt;
    FlagGuard guard(updating);

    // Nothing leaves the set before the sweep, so the iterator stays valid while processes run.
    for (const Entry& entry : processes)
    {
        if (!entry.isLive(this))
            continue;
        Process& process = *entry.process;
        if (process.suspended)
        {
            if (process.time > 0)
            {
                process.time -= dt;
                if (process.time <= 0)
                {
                    process.time = 0;
                    process.suspended = false;
                    process.processSuspended(false);
                }
            }
        }
        else if (!process.dead)
        {
            process.time += dt;
            if (process.frameCounter == 0)
            {
                // Cleared first: the process may suspend itself, which sets its time anew.
                const double elapsed = process.time;
                process.time = 0;
                updateOne(process, elapsed);
            }
            process.frameCounter = (process.frameCounter + 1) % process.updateRate;
        }
    }
    removeDeadProcesses();
}

void ProcessManager::updateOne(Process& process, double elapsed)
{
    try
    {
        process.updateProcess(elapsed);
    }
    catch (const std::exception& error)
    {
        // One process that fails must not take the others, the events and the garbage of the step with it.
        logEngineWarning("the update of a process of type " + demangledName(typeid(process)) +
                         " raised an error and was passed over: " + error.what());
    }
}

void ProcessManager::forEachOwned(ReferenceVisitor& visitor) const
{
    // Stale entries too: they still hold their process until the sweep.
    for (const Entry& entry : processes)
        visitor(entry.process);
}

void ProcessManager::terminateAll()
{
    for (const Entry& entry : processes)
        if (entry.isLive(this))
            entry.process->dead = true;
    if (!updating)
        removeDeadProcesses();
}

void ProcessManager::removeDeadProcesses()
{
    // processTerminated may add, kill or terminate; an outer sweep picks up what it kills.
    if (removing)
        return;
    FlagGuard guard(removing);
    for (;;)
    {
        std::vector<std::shared_ptr<Process>> dead;
        for (auto it = processes.begin(); it != processes.end();)
        {
            const bool live = it->isLive(this);
            if (!live || it->process->dead)
            {
                // A stale entry's process belongs elsewhere now: it is only dropped.
                if (live)
                    dead.push_back(it->process);
                it = processes.erase(it);
            }
            else
                ++it;
        }
        if (dead.empty())
            return;
        for (const std::shared_ptr<Process>& process : dead)
        {
            process->manager.reset();
            process->managerPtr = nullptr;
            process->dead = false;
        }
        for (const std::shared_ptr<Process>& process : dead)
            process->processTerminated();
    }
}

}
