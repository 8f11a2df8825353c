// Player units and beacons, beacons written in Python, and sight: the sight
// components, what they report, and the action event that names a target.

#include "core/python/CycleCollection.h"
#include "core/python/Documentation.h"
#include "core/python/EventTypeProperty.h"
#include "core/resources/Resource.h"
#include "game/python/Bindings.h"
#include "game/python/PlayerBeaconBridge.h"
#include "game/units/SetVisualTargetActionEvent.h"
#include "game/units/SightEvents.h"
#include "game/units/SingleStateBeacon.h"
#include "game/units/UnitFSMController.h"
#include "game/units/VisualReactor.h"
#include "game/units/VisualTargetSeeker.h"
#include "scene/Entity.h"
#include "scene/python/ComponentHooks.h"
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
        "PlayerUnit", "Makes its entity a unit of a player: a unit type, the player's number and a scene template.",
        py::init<std::uint32_t, std::uint32_t, const std::string&>(
            py::args("unitType", "player", "templateName"),
            "PlayerUnit(unitType, player, templateName): A unit of that type and player, made from the scene template "
            "of that name (\"\": none)."))
        .def(parametersOf(ParameterTable::COMPONENT, "PlayerUnit"))
        .def("getUnitType", &PlayerUnit::getUnitType, "getUnitType(): The unit type.")
        .def("getPlayer", &PlayerUnit::getPlayer, "getPlayer(): The player's number.")
        .def("getController", &PlayerUnit::getController,
             "getController(): Its entity's UnitFSMController, or None.")
        .def("getBeacon", &PlayerUnit::getBeacon, "getBeacon(): The beacon it is in, or None.")
        .def("getSceneTemplate", &PlayerUnit::getSceneTemplate, CopyResult(),
             "getSceneTemplate(): The scene template it was made from, or None.")
        .def("getParameters", &PlayerUnit::getParameters, "getParameters(): A copy of its parameters.");
    collectCyclesThroughHeld<PlayerUnit>();
}

void exportBeacons()
{
    py::class_<PlayerBeacon, py::bases<Component>, PyPlayerBeacon, boost::noncopyable> beacon(
        "PlayerBeacon",
        "Gathers units of one type and player in its scene; subclass it with super = PlayerBeacon to hear joins "
        "and departures.",
        py::init<std::uint32_t, std::uint32_t>(py::args("unitType", "player"),
                                               "PlayerBeacon(unitType, player): A beacon for the units of that type "
                                               "and player."));
    beacon.def(parametersOf(ParameterTable::COMPONENT, "PlayerBeacon"))
        .def("getUnitType", &PlayerBeacon::getUnitType, "getUnitType(): The unit type it gathers.")
        .def("getPlayer", &PlayerBeacon::getPlayer, "getPlayer(): The player's number.")
        .def("addUnit", &PlayerBeacon::addUnit, "addUnit(unit): Takes a unit that is in no beacon.")
        .def("removeUnit", &PlayerBeacon::removeUnit, "removeUnit(unit): Lets a unit go.")
        .def("removeAllUnits", &PlayerBeacon::removeAllUnits, "removeAllUnits(): Lets every unit go.")
        .def("getNumUnits", &PlayerBeacon::getNumUnits, "getNumUnits(): How many units it holds.")
        .def("getPriority", &PlayerBeacon::getPriority,
             "getPriority(): The beacon's priority (0 unless a game sets one).")
        .def("selectUnitToRemove",
             overridable(&PlayerBeacon::selectUnitToRemove, &PyPlayerBeacon::defaultSelectUnitToRemove),
             "selectUnitToRemove(): Advice: the unit to let go first (the first to have joined), or None.")
        .def("evaluateUnit", overridable(&PlayerBeacon::evaluateUnit, &PyPlayerBeacon::defaultEvaluateUnit),
             "evaluateUnit(unit): Advice: how much the unit is worth here (1 over its squared distance).")
        .def("unitAdded", overridable(&PlayerBeacon::unitAdded, &PyPlayerBeacon::defaultUnitAdded),
             "unitAdded(unit): Called when a unit joins; does nothing unless a subclass defines it.")
        .def("unitRemoved", overridable(&PlayerBeacon::unitRemoved, &PyPlayerBeacon::defaultUnitRemoved),
             "unitRemoved(unit): Called when a unit leaves; does nothing unless a subclass defines it.");
    defineComponentHooks<PyPlayerBeacon>(beacon, "beacon");
    py::register_ptr_to_python<std::shared_ptr<PlayerBeacon>>();
    collectCyclesThroughHeld<PlayerBeacon>();

    py::class_<SingleStateBeacon, py::bases<PlayerBeacon>, std::shared_ptr<SingleStateBeacon>, boost::noncopyable>(
        "SingleStateBeacon",
        "A beacon that runs its state machine on each unit that joins (made by ComponentFactory as "
        "\"SingleStateBeacon\").",
        py::no_init)
        .def(parametersOf(ParameterTable::COMPONENT, "SingleStateBeacon"));
    collectCyclesThroughHeld<SingleStateBeacon>();
}

void exportSight()
{
    py::class_<VisualReactor, py::bases<Component>, std::shared_ptr<VisualReactor>, boost::noncopyable>(
        "VisualReactor",
        "On a unit's sensor entity, queues a UnitSightedEvent (and an EnemySightedEvent for another player's) "
        "on the unit for each unit coming into view.",
        py::init<>("VisualReactor(): A reactor."))
        .def(parametersOf(ParameterTable::COMPONENT, "VisualReactor"));
    collectCyclesThroughHeld<VisualReactor>();

    using SetByName = void (VisualTargetSeeker::*)(const std::string&);
    using SetByEntity = void (VisualTargetSeeker::*)(const std::shared_ptr<Entity>&);
    py::class_<VisualTargetSeeker, py::bases<Component>, std::shared_ptr<VisualTargetSeeker>, boost::noncopyable>(
        "VisualTargetSeeker",
        "On a unit's sensor entity, watches for one entity by name: queues VisualTargetFound and VisualTargetLost.",
        py::init<>("VisualTargetSeeker(): A seeker with no target yet."))
        .def(parametersOf(ParameterTable::COMPONENT, "VisualTargetSeeker"))
        .def(py::init<const std::string&>(py::args("targetName"),
                                          "VisualTargetSeeker(targetName): A seeker of the entity of that name."))
        .def("getTargetName", &VisualTargetSeeker::getTargetName, CopyResult(),
             "getTargetName(): The name of the entity it watches for.")
        .def("setTarget", static_cast<SetByName>(&VisualTargetSeeker::setTarget), py::args("name"),
             "setTarget(name): Watches for the entity of that name.")
        .def("setTarget", static_cast<SetByEntity>(&VisualTargetSeeker::setTarget), py::args("entity"),
             "setTarget(entity): Watches for that entity, by its name.");
    collectCyclesThroughHeld<VisualTargetSeeker>();
}

template <class SightEvent, class Subject>
void exportSightEvent(const char* name, const char* doc, const char* property, const char* propertyDoc,
                      const std::shared_ptr<Subject>& (SightEvent::*getter)() const)
{
    py::class_<SightEvent, py::bases<Event>, std::shared_ptr<SightEvent>, boost::noncopyable> event(name, doc,
                                                                                                  py::no_init);
    event.add_property(property, py::make_function(getter, CopyResult()), propertyDoc);
    addEventType(event, &SightEvent::TYPE);
    collectCyclesThroughHeld<SightEvent>();
}

void exportSightEvents()
{
    exportSightEvent("UnitSightedEvent", "Queued on a unit when its sensor sees a unit come into view.", "unit",
                     "The unit seen.", &UnitSightedEvent::getUnit);
    exportSightEvent("EnemySightedEvent", "Queued on a unit when the unit it sees is another player's.", "unit",
                     "The enemy seen.", &EnemySightedEvent::getUnit);
    exportSightEvent("VisualTargetLost", "Queued when the entity a VisualTargetSeeker watches for leaves its view.",
                     "target", "The entity lost.", &VisualTargetLost::getTarget);
    exportSightEvent("VisualTargetFound", "Queued when the entity a VisualTargetSeeker watches for comes into view.",
                     "target", "The entity found.", &VisualTargetFound::getTarget);

    py::class_<SetVisualTargetActionEvent, py::bases<FactoryEvent>, std::shared_ptr<SetVisualTargetActionEvent>,
               boost::noncopyable>
        event("SetVisualTargetActionEvent",
              "Posted or queued on a sensor's entity, changes its VisualTargetSeeker's target (\"SetVisualTarget\" "
              "in event scripts).",
              py::init<const std::string&, double>(py::args("name", "time"),
                                                   "SetVisualTargetActionEvent(name, time): Targets the entity of that "
                                                   "name, due at time."));
    event.def(py::init<const std::shared_ptr<Entity>&, double>(py::args("entity", "time"),

                                                                   "SetVisualTargetActionEvent(entity, time): Targets "
                                                                   "the entity (its name when it arrives)."));
    addEventType(event, &SetVisualTargetActionEvent::TYPE);
    collectCyclesThroughHeld<SetVisualTargetActionEvent>();
    addFactoryType(event, &SetVisualTargetActionEvent::FACTORY_TYPE);
    event.def(parametersOf(ParameterTable::EVENT, "SetVisualTarget"));
    event.add_property("entity", &SetVisualTargetActionEvent::getEntity, "The entity targeted, or None.")
        .add_property("name", py::make_function(&SetVisualTargetActionEvent::getName, CopyResult()),
                      "The name targeted.");
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
