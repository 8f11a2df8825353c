#pragma once
// Anything that changes with time. A process joins one ProcessManager, which
// updates it every n-th step (n = update rate) with the time of those steps
// summed, counts down its suspension, and removes it after the pass once it is
// dead. The manager owns it; it refers to its manager only weakly.

#include <cstdint>
#include <memory>

namespace Tarnu
{

class ProcessManager;
class ReferenceVisitor;

class Process
{
public:
    static constexpr std::uint32_t DEFAULT_PRIORITY = 2147483648u;

    explicit Process(std::uint32_t updateRate = 1, std::uint32_t priority = DEFAULT_PRIORITY,
                     bool suspended = false, double suspendTime = 0.0);
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    virtual ~Process() = default;

    virtual void updateProcess(double time) = 0;
    virtual void processStarted() {}
    virtual void processSuspended(bool suspended) {}
    virtual void processTerminated() {}
    /// The shared pointers the process owns.
    virtual void forEachOwned(ReferenceVisitor& visitor) const {}

    void suspend(bool suspended, double time);
    void killProcess();
    void setUpdateRate(std::uint32_t rate);

    bool isActive() const { return managerPtr && !suspended; }
    bool getSuspended() const { return suspended; }
    std::uint32_t getPriority() const { return priority; }
    std::uint32_t getUpdateRate() const { return updateRate; }
    std::shared_ptr<ProcessManager> getProcessManager() const { return manager.lock(); }

protected:
    /// The manager running this process, or null; valid while the process belongs to it.
    ProcessManager* getOwner() const { return managerPtr; }

private:
    friend class ProcessManager;

    const std::uint32_t priority;
    bool suspended;
    double time;  // suspension left while suspended, else time gathered since the last update
    std::uint32_t updateRate;
    std::uint32_t frameCounter = 0;
    std::weak_ptr<ProcessManager> manager;
    ProcessManager* managerPtr = nullptr;  // set and cleared by the manager that adopts the process
    std::uint64_t adoption = 0;            // which of the managers' entries for it is the live one
    bool dead = false;
};

}
