#pragma once
// Sets a flag for the length of a scope and clears it however the scope is
// left, so that an exception cannot leave a manager marked as busy.

namespace Tarnu
{

class FlagGuard
{
public:
    explicit FlagGuard(bool& flag) : flag(flag) { flag = true; }
    ~FlagGuard() { flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag;
};

}
