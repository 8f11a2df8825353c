#include "core/python/ScriptExit.h"

#include "core/CallbackScope.h"
#include "core/Root.h"

#include <boost/python.hpp>

#include <vector>

namespace Tarnu
{

namespace
{

std::vector<void (*)() noexcept>& releases()
{
    static std::vector<void (*)() noexcept> registered;
    return registered;
}

void endOfScript()
{
    // Mid-run or mid-callback the engine's state is in the hands of the call under way.
    if (!Root::isRunning() && !CallbackScope::isOpen())
        for (void (*release)() noexcept : releases())
            release();
    Root::shutdownAtExit();
}

}

void atScriptExit(void (*release)() noexcept)
{
    releases().push_back(release);
}

void registerScriptExit()
{
    namespace py = boost::python;
    py::import("atexit").attr("register")(py::make_function(&endOfScript));
}

}
