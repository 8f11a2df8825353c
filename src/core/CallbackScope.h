#pragma once
// Counts the engine's calls into game scripts that have not returned yet.
// While one is open, engine operations further up the stack are waiting for
// it with their own state in hand, so tearing the engine down from inside a
// callback (Root.shutdown) is refused rather than pulled from under them.

namespace Tarnu
{

class CallbackScope
{
public:
    CallbackScope() { ++open; }
    ~CallbackScope() { --open; }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

    static bool isOpen() { return open != 0; }

private:
    static inline int open = 0;
};

}
