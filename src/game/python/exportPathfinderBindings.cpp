// Pathfinding: pathfinders, their arrival event and their action event. The
// walkers are not a script's business: data makes them by factory name.

#include "core/python/CycleCollection.h"
#include "core/python/Documentation.h"
#include "core/python/EventTypeProperty.h"
#include "game/paths/PathfinderActionEvent.h"
#include "game/paths/StraightLinePathfinder.h"
#include "game/python/Bindings.h"
#include "scene/Entity.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

using CopyResult = py::return_value_policy<py::copy_const_reference>;

void exportPathfinders()
{
    using SetPoint = void (Pathfinder::*)(const Vector2&);
    py::class_<Pathfinder, py::bases<Component>, std::shared_ptr<Pathfinder>, boost::noncopyable>(
        "Pathfinder", "Sends its entity's path walker to a destination.", py::no_init)
        .def("setDest", static_cast<SetPoint>(&Pathfinder::setDest), py::args("point"),
             "setDest(point): Sets the point to walk to.")
        .def("clearDest", &Pathfinder::clearDest, "clearDest(): Forgets the destination and stops.")
        .def("start", &Pathfinder::start, "start(): Starts walking to the destination.")
        .def("stop", &Pathfinder::stop, "stop(): Stops where it is.");
    collectCyclesThroughHeld<Pathfinder>();

    py::class_<PathfinderEvent, py::bases<Event>, std::shared_ptr<PathfinderEvent>, boost::noncopyable> event(
        "PathfinderEvent", "Queued on the entity when its pathfinder has arrived.", py::no_init);
    addEventType(event, &PathfinderEvent::TYPE);
    collectCyclesThroughHeld<PathfinderEvent>();
    event.add_property("pathfinder", py::make_function(&PathfinderEvent::getPathfinder, CopyResult()),
                       "The pathfinder that arrived.")
        .add_property("position",
                      py::make_function(&PathfinderEvent::getPosition, py::return_internal_reference<>()),
                      "The point reached.");
}

void exportActionEvent()
{
    using Action = PathfinderActionEvent::Action;
    py::class_<PathfinderActionEvent, py::bases<FactoryEvent>, std::shared_ptr<PathfinderActionEvent>,
               boost::noncopyable>
        event("PathfinderActionEvent",
              "Posted or queued on an entity, steers its pathfinder (\"PathfinderAction\" in event scripts).",
              py::init<Action, const Vector2&, const std::string&, double>(
                  py::args("action", "position", "name", "time"),
                  "PathfinderActionEvent(action, position, name, time): The action, with a point or the name of an "
                  "entity to walk to, due at time."));
    event.def(py::init<Action, const Vector2&, const std::shared_ptr<Entity>&, double>(
        py::args("action", "position", "entity", "time"),
        "PathfinderActionEvent(action, position, entity, time): The action, with a point or an entity to walk to (kept "
        "by name), due at time."));
    addEventType(event, &PathfinderActionEvent::TYPE);
    collectCyclesThroughHeld<PathfinderActionEvent>();
    addFactoryType(event, &PathfinderActionEvent::FACTORY_TYPE);
    event.def(parametersOf(ParameterTable::EVENT, "PathfinderAction"));
    py::scope inside = event;
    py::enum_<Action>("Action", "What a PathfinderActionEvent tells the pathfinder.")
        .value("SET_VEC_DEST", PathfinderActionEvent::SET_VEC_DEST)
        .value("SET_ENT_DEST", PathfinderActionEvent::SET_ENT_DEST)
        .value("CLEAR_DEST", PathfinderActionEvent::CLEAR_DEST)
        .value("START_PATHING", PathfinderActionEvent::START_PATHING)
        .value("STOP_PATHING", PathfinderActionEvent::STOP_PATHING)
        .value("SET_VEC_DEST_AND_START", PathfinderActionEvent::SET_VEC_DEST_AND_START)
        .value("SET_ENT_DEST_AND_START", PathfinderActionEvent::SET_ENT_DEST_AND_START)
        .export_values();
}

}

void exportPathfinderBindings()
{
    exportPathfinders();
    exportActionEvent();
    py::class_<StraightLinePathfinder, py::bases<Pathfinder>, std::shared_ptr<StraightLinePathfinder>,
               boost::noncopyable>("StraightLinePathfinder",
                                   "A pathfinder that walks straight to its destination (made by ComponentFactory as "
                                   "\"StraightLinePathfinder\").",
                                   py::no_init)
        .def(parametersOf(ParameterTable::COMPONENT, "StraightLinePathfinder"));
    collectCyclesThroughHeld<StraightLinePathfinder>();
}

}
