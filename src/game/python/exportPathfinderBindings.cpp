// Pathfinding: pathfinders, their arrival event and their action event. The
// walkers are not a script's business: data makes them by factory name.

#include "core/python/Bindings.h"
#include "core/python/EventTypeProperty.h"
#include "game/paths/PathfinderActionEvent.h"
#include "game/paths/StraightLinePathfinder.h"
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
    py::class_<Pathfinder, py::bases<Component>, std::shared_ptr<Pathfinder>, boost::noncopyable>("Pathfinder",
                                                                                                py::no_init)
        .def("setDest", static_cast<SetPoint>(&Pathfinder::setDest), py::args("point"))
        .def("clearDest", &Pathfinder::clearDest)
        .def("start", &Pathfinder::start)
        .def("stop", &Pathfinder::stop);

    py::class_<PathfinderEvent, py::bases<Event>, std::shared_ptr<PathfinderEvent>, boost::noncopyable> event(
        "PathfinderEvent", py::no_init);
    addEventType(event, &PathfinderEvent::TYPE);
    event.add_property("pathfinder", py::make_function(&PathfinderEvent::getPathfinder, CopyResult()))
        .add_property("position",
                      py::make_function(&PathfinderEvent::getPosition, py::return_internal_reference<>()));
}

void exportActionEvent()
{
    using Action = PathfinderActionEvent::Action;
    py::class_<PathfinderActionEvent, py::bases<FactoryEvent>, std::shared_ptr<PathfinderActionEvent>,
               boost::noncopyable>
        event("PathfinderActionEvent",
              py::init<Action, const Vector2&, const std::string&, double>(
                  py::args("action", "position", "name", "time")));
    event.def(py::init<Action, const Vector2&, const std::shared_ptr<Entity>&, double>(
        py::args("action", "position", "entity", "time")));
    addEventType(event, &PathfinderActionEvent::TYPE);
    event.add_static_property("FACTORY_TYPE", py::make_getter(&PathfinderActionEvent::FACTORY_TYPE, CopyResult()));
    py::scope inside = event;
    py::enum_<Action>("Action")
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
               boost::noncopyable>("StraightLinePathfinder", py::no_init);
}

}
