#include "core/ProcessManager.h"

#include "core/FlagGuard.h"

#include <iostream>
#include <vector>

namespace Tarnu
{

ProcessManager::ProcessManager(double startTime) : currentTime(startTime)
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
    // Killed and added back before the sweep: it keeps its place instead of being refused.
    if (process && process->managerPtr == this && process->dead)
    {
        process->dead = false;
        return;
    }
    if (!process || process.get() == this || process->managerPtr)
        return;
    process->manager = self;
    process->managerPtr = this;
    process->frameCounter = 0;
    process->processStarted();
    processes.insert({process->getPriority(), nextSerial++, process});
}

void ProcessManager::removeProcess(Process* process)
{
    if (!process || process->managerPtr != this)
        return;
    process->dead = true;
    // Outside a pass the sweep runs now, taking along whatever else was killed since the last one.
    if (!updating)
        removeDeadProcesses();
}

void ProcessManager::updateProcess(double dt)
{
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
                process.updateProcess(elapsed);
            }
            process.frameCounter = (process.frameCounter + 1) % process.updateRate;
        }
    }
    removeDeadProcesses();
}

void ProcessManager::terminateAll()
{
    for (const Entry& entry : processes)
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
            if (it->process->dead)
            {
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
