// Unit state machines: their definitions and the definitions' manager, the
// machines and the components written in Python that carry them, the
// controller that runs one machine of an entity at a time, and its action event.

#include "core/ParameterList.h"
#include "core/python/CycleCollection.h"
#include "core/python/Documentation.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/ResourceManagerBindings.h"
#include "core/python/ScriptExit.h"
#include "game/python/Bindings.h"
#include "game/python/FSMBridges.h"
#include "game/units/FSMResource.h"
#include "game/units/FSMResourceManager.h"
#include "game/units/UnitFSMController.h"
#include "game/units/UnitFSMControllerActionEvent.h"
#include "scene/Entity.h"
#include "scene/python/ComponentHooks.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(AddStateForms, addState, 1, 3)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(SetStateForms, setState, 1, 2)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(ConnectForms, connect, 1, 2)

void exportDefinitions()
{
    py::class_<FSMResource, py::bases<Resource>, std::shared_ptr<FSMResource>, boost::noncopyable>(
        "FSMResource",
        "A state machine's definition: named states numbered from 1, transitions on event types, a starting state.",
        py::no_init)
        .def("addState", &FSMResource::addState,
             AddStateForms("addState(name[, terminal[, defaultStart]]): Adds a state (terminal ones end the machine); "
                           "answers its number."))
        .def("addTransition", &FSMResource::addTransition,
             "addTransition(fromState, toState, eventType): Moves the machine from one named state to another on an "
             "event of that type.")
        .def("setDefaultStartingState", &FSMResource::setDefaultStartingState,
             "setDefaultStartingState(name): The state machines start in.")
        .def("clearAllStates", &FSMResource::clearAllStates, "clearAllStates(): Forgets every state and transition.");

    py::class_<FSMResourceManager, py::bases<ResourceManager>, boost::noncopyable> manager(
        "FSMResourceManager", "Keeps the state machine definitions by name.", py::no_init);
    defineTypedManager<FSMResourceManager>(manager);
    manager
        .def("loadFSMFromModule", &FSMResourceManager::loadFSMFromModule,
             "loadFSMFromModule(name, module, function): The definition of that name, filled on loading by "
             "module.function(definition).")
        .def("loadFSMFromScript", &FSMResourceManager::loadFSMFromScript,
             "loadFSMFromScript(name, script): The definition of that name, filled on loading by a script file that "
             "finds it as fsm.")
        .def("createEmptyFSM", &FSMResourceManager::createEmptyFSM,
             "createEmptyFSM(name): An empty definition of that name, for the script to fill.");
}

void exportMachines()
{
    py::class_<UnitFSM, std::shared_ptr<UnitFSM>, boost::noncopyable>(
        "UnitFSM", "A running state machine: its state, moved along the transitions by its entity's events.",
        py::no_init)
        .def("getState", &UnitFSM::getState, "getState(): The number of the current state (0: none).")
        .def("setState", &UnitFSM::setState,
             SetStateForms("setState(state[, event]): Moves to a state, as if event had caused it."))
        .def("getStateMachine", &UnitFSM::getStateMachine, "getStateMachine(): The definition it runs, or None.")
        .def("connect", &UnitFSM::connect,
             ConnectForms("connect(manager[, startState]): Listens to the events of an event manager (its entity), "
                          "from startState (0: the default)."))
        .def("disconnect", &UnitFSM::disconnect, "disconnect(): Stops listening.")
        .def("isConnected", &UnitFSM::isConnected, "isConnected(): Whether it is listening.");

    py::class_<UnitFSMComponent, py::bases<Component, UnitFSM>, PyUnitFSM, boost::noncopyable> machine(
        "UnitFSMComponent",
        "A state machine as a component: subclass it with super = Component, name its definition and define "
        "stateChanged.",
        py::init<const std::string&>(py::args("name"),
                                     "UnitFSMComponent(name): A machine running the definition of that name."));
    machine.def("stateChanged", pureVirtual(&UnitFSM::stateChanged),
             "stateChanged(oldState, newState, event): Called on every change of state, with the event that caused it; "
             "a subclass defines it.");
    defineComponentHooks<PyUnitFSM>(machine, "machine");
}

void exportController()
{
    py::class_<UnitFSMController, py::bases<Component>, std::shared_ptr<UnitFSMController>, boost::noncopyable>(
        "UnitFSMController",
        "Runs one of its entity's state machines at a time, by the name of their definitions; add it before them.",
        py::init<>("UnitFSMController(): A controller with no machines yet."))
        .def(parametersOf(ParameterTable::COMPONENT, "UnitFSMController"))
        .def("registerFSM", &UnitFSMController::registerFSM,
             "registerFSM(machine): Takes a machine under the name of its definition.")
        .def("isRegistered", &UnitFSMController::isRegistered,
             "isRegistered(name): Whether it has a machine of that name.")
        .def("getRegistered", &UnitFSMController::getRegistered,
             "getRegistered(name): The machine of that name, or None.")
        .def("getActiveFSM", &UnitFSMController::getActiveFSM, "getActiveFSM(): The running machine, or None.")
        .def("setFSM", &UnitFSMController::setFSM,
             "setFSM(name): Stops the running machine and starts the one of that name (an empty name: none).");
    collectCyclesThroughHeld<UnitFSMController>();
    releaseAtScriptExit<UnitFSMController, &UnitFSMController::unregisterAll>();

    py::class_<UnitFSMControllerActionEvent, py::bases<FactoryEvent>, std::shared_ptr<UnitFSMControllerActionEvent>,
               boost::noncopyable>
        event("UnitFSMControllerActionEvent",
              "Posted or queued on an entity, makes its controller run another machine "
              "(\"UnitFSMControllerAction\" in event scripts).",
              py::init<const std::string&, double>(py::args("fsm", "time"),
                                                   "UnitFSMControllerActionEvent(fsm, time): Runs the machine named "
                                                   "fsm, due at time."));
    addEventType(event, &UnitFSMControllerActionEvent::TYPE);
    collectCyclesThroughHeld<UnitFSMControllerActionEvent>();
    addFactoryType(event, &UnitFSMControllerActionEvent::FACTORY_TYPE);
    event.def(parametersOf(ParameterTable::EVENT, "UnitFSMControllerAction"));
}

}

void exportFSMBindings()
{
    exportDefinitions();
    exportMachines();
    exportController();
}

}
