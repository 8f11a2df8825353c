// Unit state machines: their definitions and the definitions' manager, the
// machines and the components written in Python that carry them, the
// controller that runs one machine of an entity at a time, and its action event.

#include "core/ParameterList.h"
#include "core/python/Bindings.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/ResourceManagerBindings.h"
#include "game/units/FSMResource.h"
#include "game/units/FSMResourceManager.h"
#include "game/units/UnitFSMController.h"
#include "game/units/UnitFSMControllerActionEvent.h"
#include "game/python/FSMBridges.h"
#include "scene/Entity.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(AddStateForms, addState, 1, 3)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(SetStateForms, setState, 1, 2)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(ConnectForms, connect, 1, 2)

using CopyResult = py::return_value_policy<py::copy_const_reference>;

void exportDefinitions()
{
    py::class_<FSMResource, py::bases<Resource>, std::shared_ptr<FSMResource>, boost::noncopyable>("FSMResource",
                                                                                                  py::no_init)
        .def("addState", &FSMResource::addState, AddStateForms())
        .def("addTransition", &FSMResource::addTransition)
        .def("setDefaultStartingState", &FSMResource::setDefaultStartingState)
        .def("clearAllStates", &FSMResource::clearAllStates);

    py::class_<FSMResourceManager, py::bases<ResourceManager>, boost::noncopyable> manager("FSMResourceManager",
                                                                                          py::no_init);
    defineTypedManager<FSMResourceManager>(manager);
    manager.def("loadFSMFromModule", &FSMResourceManager::loadFSMFromModule)
        .def("loadFSMFromScript", &FSMResourceManager::loadFSMFromScript)
        .def("createEmptyFSM", &FSMResourceManager::createEmptyFSM);
}

void exportMachines()
{
    py::class_<UnitFSM, std::shared_ptr<UnitFSM>, boost::noncopyable>("UnitFSM", py::no_init)
        .def("getState", &UnitFSM::getState)
        .def("setState", &UnitFSM::setState, SetStateForms())
        .def("getStateMachine", &UnitFSM::getStateMachine)
        .def("connect", &UnitFSM::connect, ConnectForms())
        .def("disconnect", &UnitFSM::disconnect)
        .def("isConnected", &UnitFSM::isConnected);

    // The component's notifications and factory methods are defined again for this
    // class: the Component class's defaults only reach instances of its own bridge.
    py::class_<UnitFSMComponent, py::bases<Component, UnitFSM>, PyUnitFSM, boost::noncopyable>(
        "UnitFSMComponent", py::init<const std::string&>(py::args("name")))
        .def("stateChanged", py::pure_virtual(&UnitFSM::stateChanged))
        .def("createNew", py::pure_virtual(&Component::createNew))
        .def("createCopy", py::pure_virtual(&Component::createCopy))
        .def("entityChanged", &Component::entityChanged, &PyUnitFSM::defaultEntityChanged)
        .def("managerChanged", &Component::managerChanged, &PyUnitFSM::defaultManagerChanged);
}

void exportController()
{
    py::class_<UnitFSMController, py::bases<Component>, std::shared_ptr<UnitFSMController>, boost::noncopyable>(
        "UnitFSMController", py::init<>())
        .def("registerFSM", &UnitFSMController::registerFSM)
        .def("isRegistered", &UnitFSMController::isRegistered)
        .def("getRegistered", &UnitFSMController::getRegistered)
        .def("getActiveFSM", &UnitFSMController::getActiveFSM)
        .def("setFSM", &UnitFSMController::setFSM);

    py::class_<UnitFSMControllerActionEvent, py::bases<FactoryEvent>, std::shared_ptr<UnitFSMControllerActionEvent>,
               boost::noncopyable>
        event("UnitFSMControllerActionEvent", py::init<const std::string&, double>(py::args("fsm", "time")));
    addEventType(event, &UnitFSMControllerActionEvent::TYPE);
    event.add_static_property("FACTORY_TYPE", py::make_getter(&UnitFSMControllerActionEvent::FACTORY_TYPE,
                                                              CopyResult()));
}

}

void exportFSMBindings()
{
    exportDefinitions();
    exportMachines();
    exportController();
}

}
