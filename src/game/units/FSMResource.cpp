#include "game/units/FSMResource.h"

#include "core/CallbackScope.h"
#include "core/Event.h"
#include "core/EventManager.h"
#include "core/LogManager.h"
#include "core/PythonErrors.h"
#include "core/PythonManager.h"
#include "game/units/UnitFSM.h"

#include <boost/python.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <stdexcept>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

// Read here rather than by the binding library's exec_file, which names the file
// through a buffer it has freed. A file that cannot be read raises Python's OSError.
std::string readScript(const std::string& path)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    std::string source;
    if (file)
    {
        char chunk[4096];
        while (const std::size_t read = std::fread(chunk, 1, sizeof chunk, file.get()))
            source.append(chunk, read);
    }
    if (!file || std::ferror(file.get()))
    {
        PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
        py::throw_error_already_set();
    }
    return source;
}

}

FSMResource::Listener::Listener(FSMResource& owner, std::uint32_t sourceState, std::uint32_t eventType)
    : EventListener(eventType), owner(owner), sourceState(sourceState), eventType(eventType)
{
}

void FSMResource::Listener::handleEvent(const std::shared_ptr<Event>& event)
{
    const EventManager* manager = event->getDispatcher();
    auto found = owner.connections.find(manager);
    // The manager is the one delivering, so it is alive; an entry under its address
    // with another number was left by a manager that died there.
    if (found == owner.connections.end() || found->second.managerID != manager->getID())
        return;
    Connection& connection = found->second;
    if (connection.machine->getState() != sourceState)
        return;
    // One event moves a machine once, whichever order its transitions' listeners hear it in,
    // and however many changes ran inside stateChanged while it was being delivered.
    std::vector<std::weak_ptr<Event>>& movedBy = connection.movedBy;
    std::erase_if(movedBy, [](const std::weak_ptr<Event>& moved) { return moved.expired(); });
    if (std::any_of(movedBy.begin(), movedBy.end(),
                    [&event](const std::weak_ptr<Event>& moved) { return moved.lock() == event; }))
        return;
    movedBy.push_back(event);
    const std::uint32_t target = owner.transitions.at({sourceState, eventType});
    // Last: the machine's stateChanged may clear this definition, and this listener with it.
    connection.machine->setState(target, event);
}

std::size_t FSMResource::TransitionHash::operator()(const Transition& transition) const
{
    return std::hash<std::uint64_t>()(std::uint64_t(transition.sourceState) << 32 | transition.eventType);
}

FSMResource::FSMResource(const std::string& name, std::uint32_t handle, const std::string& module,
                         const std::string& function)
    : Resource(name, handle, nullptr), module(module), function(function)
{
}

FSMResource::~FSMResource()
{
    unload();
}

bool FSMResource::isFillable() const
{
    return getLoadState() == LOADING || getLoadState() == LOADED;
}

std::uint32_t FSMResource::addState(const std::string& name, bool isTerminal, bool defaultStart)
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (!isFillable())
        throw std::runtime_error("adding state when unloaded");
    if (stateNumbers.count(name))
        throw std::runtime_error("state already added");
    const auto number = static_cast<std::uint32_t>(stateNames.size());
    stateNames.push_back(name);
    stateNumbers.emplace(name, number);
    terminal.push_back(isTerminal);
    if (defaultStart)
        defaultStartingState = number;
    return number;
}

void FSMResource::addTransition(const std::string& fromState, const std::string& toState, std::uint32_t eventType)
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (!isFillable())
        return;
    const auto from = stateNumbers.find(fromState);
    const auto to = stateNumbers.find(toState);
    if (from == stateNumbers.end() || to == stateNumbers.end())
        throw std::runtime_error("states not found");
    if (!transitions.try_emplace({from->second, eventType}, to->second).second)
        throw std::runtime_error("transition already set");
    // Machines connected already do not get it: it reaches managers at their next connect.
    listeners.push_back(std::make_unique<Listener>(*this, from->second, eventType));
}

void FSMResource::setDefaultStartingState(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    const auto found = stateNumbers.find(name);
    if (isFillable() && found != stateNumbers.end())
        defaultStartingState = found->second;
}

void FSMResource::clearAllStates()
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    // First, so that no manager delivers to them while the tables empty.
    listeners.clear();
    defaultStartingState = 0;
    stateNumbers.clear();
    stateNames.assign(1, "");
    transitions.clear();
    terminal.assign(1, true);
    connections.clear();
}

void FSMResource::enterMachine(EventManager& manager, UnitFSM& machine)
{
    for (const std::unique_ptr<Listener>& listener : listeners)
        manager.addEventListener(listener.get());
    const Connection entered{&machine, manager.getID(), {}};
    auto [found, inserted] = connections.try_emplace(&manager, entered);
    if (!inserted && found->second.managerID != manager.getID())
        found->second = entered;
}

void FSMResource::releaseMachine(const EventManager* key, EventManager* liveManager, const UnitFSM& machine)
{
    const auto found = connections.find(key);
    // A second machine on the manager never held the entry, and the holder still needs the listeners.
    if (found == connections.end() || found->second.machine != &machine)
        return;
    connections.erase(found);
    if (liveManager)
        for (const std::unique_ptr<Listener>& listener : listeners)
            liveManager->removeEventListener(listener.get());
}

void FSMResource::loadImpl()
{
    if (module.empty())
        return;
    loadError = false;
    try
    {
        // Script code runs here on the engine's behalf: the engine is not to be shut down under it.
        const CallbackScope callback;
        if (function.empty())
            runScript();
        else
            callModuleFunction();
        return;
    }
    catch (const py::error_already_set&)
    {
        printPythonException();
    }
    catch (const std::exception& error)
    {
        // Outside Python, such as a script file that cannot be opened: said where Python's errors go.
        std::cerr << error.what() << std::endl;
    }
    // What the script added before it failed stays.
    loadError = true;
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessage(PythonManager::LOG_NAME, "Error loading FSM " + getName(), LogFile::ML_CRITICAL, false);
}

void FSMResource::runScript()
{
    py::dict space = PythonManager::getSingleton().createNamespace();
    space["fsm"] = shared_from_this();
    // Compiled from the bytes, as Python runs a file: its coding line holds, and the traceback names the file.
    const py::object builtins = py::import("builtins");
    const std::string source = readScript(module);
    const py::object text(py::handle<>(PyBytes_FromStringAndSize(source.data(), Py_ssize_t(source.size()))));
    builtins.attr("exec")(builtins.attr("compile")(text, module, "exec"), space, space);
}

void FSMResource::callModuleFunction()
{
    const py::object fill = py::import(module.c_str()).attr("__dict__")[function];
    fill(shared_from_this());
}

}
