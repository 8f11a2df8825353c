#pragma once
// Undo steps recorded while something is brought up piece by piece; unless
// the start-up is committed, they run in reverse order when the guard goes,
// so a failure halfway leaves nothing half-started behind.

#include <functional>
#include <utility>
#include <vector>

namespace Tarnu
{

class StartupRollback
{
public:
    StartupRollback() = default;
    StartupRollback(const StartupRollback&) = delete;
    StartupRollback& operator=(const StartupRollback&) = delete;

    ~StartupRollback()
    {
        for (auto undo = undos.rbegin(); undo != undos.rend(); ++undo)
            (*undo)();
    }

    void push(std::function<void()> undo) { undos.push_back(std::move(undo)); }
    void commit() { undos.clear(); }

private:
    std::vector<std::function<void()>> undos;
};

}
