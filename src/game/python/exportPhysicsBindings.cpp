// Physics and movement: the physics managers, movables with their affectors
// and action event, collidables, collision events and listeners.

#include "core/python/Bindings.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/Identity.h"
#include "core/math/Bound.h"
#include "core/math/Complex.h"
#include "game/physics/CollidableEvent.h"
#include "game/physics/CollisionFinders.h"
#include "game/physics/GridPhysicsManager.h"
#include "game/physics/Movable.h"
#include "game/physics/MovableActionEvent.h"
#include "game/physics/MovableAffector.h"
#include "game/physics/StaticCollidable.h"
#include "game/python/PhysicsBridges.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

using Reference = py::return_internal_reference<>;
using CopyResult = py::return_value_policy<py::copy_const_reference>;

// A script gives the heading as a rotation; the engine takes it as the direction it turns UNIT_X to.
void setVelocityAlong(Movable& movable, double speed, const Complex& direction)
{
    movable.setVelocity(speed, Vector2(direction.r, direction.i));
}

std::shared_ptr<GridPhysicsManager> newGridPhysicsManager()
{
    return GridPhysicsManager::createNew();
}

void exportManagers()
{
    // A script reaches the manager only to connect it: its process side is the scene's business.
    py::class_<PhysicsManager, std::shared_ptr<PhysicsManager>, boost::noncopyable> manager("PhysicsManager",
                                                                                          py::no_init);
    manager.def("connect", &PhysicsManager::connect).def("disconnect", &PhysicsManager::disconnect);
    // The scene hands out a new wrapper each time; it still equals the script's own.
    defineIdentity(manager);
    py::class_<GridPhysicsManager, py::bases<PhysicsManager>, std::shared_ptr<GridPhysicsManager>,
               boost::noncopyable>("GridPhysicsManager", py::no_init)
        .def("createNew", &newGridPhysicsManager)
        .staticmethod("createNew");
}

void exportMovement()
{
    using SetVelocity = void (Movable::*)(const Vector2&);
    using GetVelocity = Vector2& (Movable::*)();
    py::class_<Movable, py::bases<Component>, boost::noncopyable>("Movable", py::init<>())
        .def("getVelocity", static_cast<GetVelocity>(&Movable::getVelocity), Reference())
        .def("setVelocity", static_cast<SetVelocity>(&Movable::setVelocity))
        .def("setVelocity", &setVelocityAlong)
        .def("setVelocityX", &Movable::setVelocityX)
        .def("setVelocityY", &Movable::setVelocityY)
        .def("changeVelocity", &Movable::changeVelocity)
        .def("getRotationalVelocity", &Movable::getRotationalVelocity)
        .def("setRotationalVelocity", &Movable::setRotationalVelocity)
        .def("getMass", &Movable::getMass)
        .def("setMass", &Movable::setMass)
        .def("apply", &Movable::apply)
        .def("remove", &Movable::remove);

    py::class_<MovableActionEvent, py::bases<FactoryEvent>, boost::noncopyable> event(
        "MovableActionEvent", py::init<MovableActionEvent::Action, const Vector2&, double, double>(
                                  py::args("action", "vector", "real", "time")));
    event.add_property("action", &MovableActionEvent::getAction)
        .add_property("vector", py::make_function(&MovableActionEvent::getVector, CopyResult()))
        .add_property("real", &MovableActionEvent::getReal);
    addEventType(event, &MovableActionEvent::TYPE);
    event.add_static_property("FACTORY_TYPE", py::make_getter(&MovableActionEvent::FACTORY_TYPE, CopyResult()));
    {
        py::scope inside = event;
        py::enum_<MovableActionEvent::Action>("Action")
            .value("SET_VELOCITY", MovableActionEvent::SET_VELOCITY)
            .value("ADD_VELOCITY", MovableActionEvent::ADD_VELOCITY)
            .value("SCALE_VELOCITY", MovableActionEvent::SCALE_VELOCITY)
            .value("ROTATE_VELOCITY", MovableActionEvent::ROTATE_VELOCITY)
            .value("SET_ROT_VELOCITY", MovableActionEvent::SET_ROT_VELOCITY)
            .value("SCALE_ROT_VELOCITY", MovableActionEvent::SCALE_ROT_VELOCITY)
            .value("SET_MASS", MovableActionEvent::SET_MASS)
            .export_values();
    }

    py::class_<MovableAffector, std::shared_ptr<MovableAffector>, boost::noncopyable>("MovableAffector", py::no_init);
    py::class_<Force, py::bases<MovableAffector>, boost::noncopyable>(
        "Force", py::init<const Vector2&, SceneNode::TransformSpace>(py::args("force", "space")))
        .def("setMagnitude", &Force::setMagnitude);
    py::class_<TranslationalDecellerator, py::bases<MovableAffector>, boost::noncopyable>(
        "TranslationalDecellerator", py::init<double>(py::args("rate")))
        .def("setRate", &TranslationalDecellerator::setRate);
}

void exportCollidables()
{
    py::class_<Collidable, py::bases<Component>, std::shared_ptr<Collidable>, boost::noncopyable>("Collidable",
                                                                                                py::no_init)
        .def("getBound", &Collidable::getBound, Reference());

    py::class_<CollidableEvent, py::bases<Event>, std::shared_ptr<CollidableEvent>, boost::noncopyable> event(
        "CollidableEvent", py::no_init);
    event.add_property("entity1", py::make_function(&CollidableEvent::getEntity1, CopyResult()))
        .add_property("entity2", py::make_function(&CollidableEvent::getEntity2, CopyResult()))
        .add_property("eventType", &CollidableEvent::getType)
        .def("getOther", &CollidableEvent::getOther);
    addEventType(event, &CollidableEvent::TYPE);
    {
        py::scope inside = event;
        py::enum_<CollidableEvent::EventType>("EventType")
            .value("ENTITIES_COLLIDED", CollidableEvent::ENTITIES_COLLIDED)
            .value("ENTITIES_SEPARATED", CollidableEvent::ENTITIES_SEPARATED)
            .export_values();
    }

    py::class_<CollidableListener, py::bases<EventListener>, PythonCollidableListener, boost::noncopyable>(
        "CollidableListener", py::init<>())
        .def("entitiesCollided", py::pure_virtual(&CollidableListener::entitiesCollided))
        .def("entitiesSeparated", &CollidableListener::entitiesSeparated,
             &PythonCollidableListener::defaultEntitiesSeparated);
}

void exportFinders()
{
    {
        py::scope finder =
            py::class_<CollisionComponentFinder, py::bases<EventListener>, boost::noncopyable>(
                "CollisionComponentFinder",
                py::init<const std::shared_ptr<Entity>&, const std::string&, std::uint32_t>(
                    py::args("entity", "typeName", "eventType")));
        using Found = CollisionComponentFinder::FoundEvent;
        py::class_<Found, py::bases<Event>, std::shared_ptr<Found>, boost::noncopyable>("FoundEvent", py::no_init)
            .add_property("component", py::make_function(&Found::getComponent, CopyResult()))
            .add_property("entity", py::make_function(&Found::getEntity, CopyResult()))
            .add_property("eventType", &Found::getType);
    }
    {
        using Target = const std::shared_ptr<Entity>&;
        py::scope finder =
            py::class_<CollisionEntityFinder, py::bases<EventListener>, boost::noncopyable>(
                "CollisionEntityFinder",
                py::init<const std::shared_ptr<Entity>&, Target, std::uint32_t, std::uint32_t>(
                    py::args("entity", "target", "collidedType", "separatedType")))
                .def(py::init<const std::shared_ptr<Entity>&, Target, std::uint32_t>(
                    py::args("entity", "target", "eventType")))
                .def("setTarget", &CollisionEntityFinder::setTarget);
        using Found = CollisionEntityFinder::FoundEvent;
        py::class_<Found, py::bases<Event>, std::shared_ptr<Found>, boost::noncopyable>("FoundEvent", py::no_init)
            .add_property("entity", py::make_function(&Found::getEntity, CopyResult()))
            .add_property("eventType", &Found::getType);
    }

    py::class_<StaticCollidable, py::bases<Collidable>, boost::noncopyable>("StaticCollidable",
                                                                          py::init<const Bound&>(py::args("bound")));
}

}

void exportPhysicsBindings()
{
    exportManagers();
    exportMovement();
    exportCollidables();
    exportFinders();
}

}
