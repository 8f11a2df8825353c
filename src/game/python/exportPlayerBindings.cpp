// Player units and beacons, beacons written in Python, and sight: the sight
// components, what they report, and the action event that names a target.

#include "core/python/Bindings.h"
#include "core/python/EventTypeProperty.h"
#include "core/resources/Resource.h"
#include "game/python/PlayerBeaconBridge.h"
#include "game/units/SetVisualTargetActionEvent.h"
#include "game/units/SightEvents.h"
#include "game/units/SingleStateBeacon.h"
#include "game/units/UnitFSMController.h"
#include "game/units/VisualReactor.h"
#include "game/units/VisualTargetSeeker.h"
#include "scene/Entity.h"
#include "scene/templates/SceneTemplate.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

using CopyResult = py::return_value_policy<py::copy_const_reference>;

void exportUnits()
{
    py::class_<PlayerUnit, py::bases<Component>, std::shared_ptr<PlayerUnit>, boost::noncopyable>(
        "PlayerUnit",
        py::init<std::uint32_t, std::uint32_t, const std::string&>(py::args("unitType", "player", "templateName")))
        .def("getUnitType", &PlayerUnit::getUnitType)
        .def("getPlayer", &PlayerUnit::getPlayer)
        .def("getController", &PlayerUnit::getController)
        .def("getBeacon", &PlayerUnit::getBeacon)
        .def("getSceneTemplate", &PlayerUnit::getSceneTemplate, CopyResult())
        .def("getParameters", &PlayerUnit::getParameters);
}

void exportBeacons()
{
    // The component's notifications and factory methods are defined again for this
    // class: the Component class's defaults only reach instances of its own bridge.
    py::class_<PlayerBeacon, py::bases<Component>, PyPlayerBeacon, boost::noncopyable>(
        "PlayerBeacon", py::init<std::uint32_t, std::uint32_t>(py::args("unitType", "player")))
        .def("getUnitType", &PlayerBeacon::getUnitType)
        .def("getPlayer", &PlayerBeacon::getPlayer)
        .def("addUnit", &PlayerBeacon::addUnit)
        .def("removeUnit", &PlayerBeacon::removeUnit)
        .def("removeAllUnits", &PlayerBeacon::removeAllUnits)
        .def("getNumUnits", &PlayerBeacon::getNumUnits)
        .def("getPriority", &PlayerBeacon::getPriority)
        .def("selectUnitToRemove", &PlayerBeacon::selectUnitToRemove, &PyPlayerBeacon::defaultSelectUnitToRemove)
        .def("evaluateUnit", &PlayerBeacon::evaluateUnit, &PyPlayerBeacon::defaultEvaluateUnit)
        .def("unitAdded", &PlayerBeacon::unitAdded, &PyPlayerBeacon::defaultUnitAdded)
        .def("unitRemoved", &PlayerBeacon::unitRemoved, &PyPlayerBeacon::defaultUnitRemoved)
        .def("createNew", py::pure_virtual(&Component::createNew))
        .def("createCopy", py::pure_virtual(&Component::createCopy))
        .def("entityChanged", &Component::entityChanged, &PyPlayerBeacon::defaultEntityChanged)
        .def("managerChanged", &Component::managerChanged, &PyPlayerBeacon::defaultManagerChanged);
    py::register_ptr_to_python<std::shared_ptr<PlayerBeacon>>();

    py::class_<SingleStateBeacon, py::bases<PlayerBeacon>, std::shared_ptr<SingleStateBeacon>, boost::noncopyable>(
        "SingleStateBeacon", py::no_init);
}

void exportSight()
{
    py::class_<VisualReactor, py::bases<Component>, std::shared_ptr<VisualReactor>, boost::noncopyable>(
        "VisualReactor", py::init<>());

    using SetByName = void (VisualTargetSeeker::*)(const std::string&);
    using SetByEntity = void (VisualTargetSeeker::*)(const std::shared_ptr<Entity>&);
    py::class_<VisualTargetSeeker, py::bases<Component>, std::shared_ptr<VisualTargetSeeker>, boost::noncopyable>(
        "VisualTargetSeeker", py::init<>())
        .def(py::init<const std::string&>(py::args("targetName")))
        .def("getTargetName", &VisualTargetSeeker::getTargetName, CopyResult())
        .def("setTarget", static_cast<SetByName>(&VisualTargetSeeker::setTarget), py::args("name"))
        .def("setTarget", static_cast<SetByEntity>(&VisualTargetSeeker::setTarget), py::args("entity"));
}

template <class SightEvent, class Subject>
void exportSightEvent(const char* name, const char* property,
                      const std::shared_ptr<Subject>& (SightEvent::*getter)() const)
{
    py::class_<SightEvent, py::bases<Event>, std::shared_ptr<SightEvent>, boost::noncopyable> event(name, py::no_init);
    event.add_property(property, py::make_function(getter, CopyResult()));
    addEventType(event, &SightEvent::TYPE);
}

void exportSightEvents()
{
    exportSightEvent("UnitSightedEvent", "unit", &UnitSightedEvent::getUnit);
    exportSightEvent("EnemySightedEvent", "unit", &EnemySightedEvent::getUnit);
    exportSightEvent("VisualTargetLost", "target", &VisualTargetLost::getTarget);
    exportSightEvent("VisualTargetFound", "target", &VisualTargetFound::getTarget);

    py::class_<SetVisualTargetActionEvent, py::bases<FactoryEvent>, std::shared_ptr<SetVisualTargetActionEvent>,
               boost::noncopyable>
        event("SetVisualTargetActionEvent", py::init<const std::string&, double>(py::args("name", "time")));
    event.def(py::init<const std::shared_ptr<Entity>&, double>(py::args("entity", "time")));
    addEventType(event, &SetVisualTargetActionEvent::TYPE);
    event.add_static_property("FACTORY_TYPE",
                              py::make_getter(&SetVisualTargetActionEvent::FACTORY_TYPE, CopyResult()))
        .add_property("entity", &SetVisualTargetActionEvent::getEntity)
        .add_property("name", py::make_function(&SetVisualTargetActionEvent::getName, CopyResult()));
}

}

void exportPlayerBindings()
{
    exportUnits();
    exportBeacons();
    exportSight();
    exportSightEvents();
}

}
