#pragma once
// The engine reports failures as runtime errors whose texts scripts compare,
// so tests check the exact text.

#include <stdexcept>
#include <string>

namespace Tarnu::Testing
{

/// The text of the runtime error that action throws, or "no error".
template <class Action>
std::string errorText(Action action)
{
    try
    {
        action();
    }
    catch (const std::runtime_error& error)
    {
        return error.what();
    }
    return "no error";
}

}
