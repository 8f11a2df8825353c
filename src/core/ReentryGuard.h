#pragma once
// Marks an operation as running for the length of a scope and refuses to
// enter it again from inside itself (a callback that calls back into the
// operation that called it): the nested call throws, and the outer one goes
// on undisturbed, its flag still set.

#include "core/FlagGuard.h"

#include <stdexcept>

namespace Tarnu
{

class ReentryGuard
{
public:
    ReentryGuard(bool& running, const char* refusal) : guard(enter(running, refusal)) {}

private:
    static bool& enter(bool& running, const char* refusal)
    {
        if (running)
            throw std::runtime_error(refusal);
        return running;
    }

    FlagGuard guard;
};

}
