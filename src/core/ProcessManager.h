#pragma once
// A process that owns and updates other processes, highest priority first and
// equal priorities in the order they were added. Processes may add, kill and
// suspend processes during a pass: additions that sort after the running one
// are updated in the same pass, and dead processes leave only after the pass,
// so the walk never loses its place. A pass cannot be re-entered.
//
// A killed process that is added again before the sweep is revived where it
// stands; one added to another manager leaves the first at once, whose entry
// for it goes stale: passes skip stale entries and the sweep drops them.
//
// An error that escapes one process's update is logged as a warning and the
// pass goes on: the engine's own processes keep their state whole and do not
// raise, and this net keeps one that does from stopping all the others.

#include "core/Process.h"

#include <cstdint>
#include <memory>
#include <set>

namespace Tarnu
{

class ProcessManager : public Process
{
public:
    explicit ProcessManager(double startTime);
    ~ProcessManager() override;

    /// The only way to make a free-standing manager: it must know its own shared pointer.
    static std::shared_ptr<ProcessManager> createNew(double startTime);

    void addProcess(const std::shared_ptr<Process>& process);
    double getCurrentTime() const { return currentTime; }
    void terminateAll();
    bool hasProcesses() const { return !processes.empty(); }
    void updateProcess(double time) override;
    void forEachOwned(ReferenceVisitor& visitor) const override;

protected:
    bool isUpdating() const { return updating; }
    /// For creators of derived managers: store the pointer before adopting processes.
    void setSelf(const std::shared_ptr<ProcessManager>& self) { this->self = self; }

private:
    struct Entry
    {
        std::uint32_t priority;
        std::uint64_t serial;
        std::uint64_t adoption;
        std::shared_ptr<Process> process;

        bool isLive(const ProcessManager* manager) const
        {
            return process->managerPtr == manager && process->adoption == adoption;
        }
    };
    struct UpdateOrder
    {
        bool operator()(const Entry& a, const Entry& b) const
        {
            return a.priority != b.priority ? a.priority > b.priority : a.serial < b.serial;
        }
    };

    /// The process's update; an error it raises is logged and passed over.
    static void updateOne(Process& process, double elapsed);
    void removeDeadProcesses();
    /// Lets a killed process go before the sweep, telling it it was terminated.
    static void release(Process& process);

    std::weak_ptr<ProcessManager> self;
    std::set<Entry, UpdateOrder> processes;
    double currentTime;
    std::uint64_t nextSerial = 0;
    bool updating = false;
    bool removing = false;
};

}
