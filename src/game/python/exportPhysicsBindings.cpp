// Physics and movement: the physics managers, movables with their affectors
// and action event, collidables, collision events and listeners.

#include "core/math/Bound.h"
#include "core/math/Complex.h"
#include "core/python/CycleCollection.h"
#include "core/python/Documentation.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/Identity.h"
#include "game/physics/CollidableEvent.h"
#include "game/physics/CollisionFinders.h"
#include "game/physics/GridPhysicsManager.h"
#include "game/physics/Movable.h"
#include "game/physics/MovableActionEvent.h"
#include "game/physics/MovableAffector.h"
#include "game/physics/StaticCollidable.h"
#include "game/python/Bindings.h"
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
    py::class_<PhysicsManager, std::shared_ptr<PhysicsManager>, boost::noncopyable> manager(
        "PhysicsManager", "Moves a scene's movables and reports its collidables' contacts, every step of the scene.",
        py::no_init);
    manager
        .def("connect", &PhysicsManager::connect,
             "connect(scene): Makes this the scene's physics manager; without one, nothing moves or collides.")
        .def("disconnect", &PhysicsManager::disconnect, "disconnect(): Leaves the scene.");
    // The scene hands out a new wrapper each time; it still equals the script's own.
    defineIdentity(manager);
    collectCyclesThrough<PhysicsManager>(manager);
    py::class_<GridPhysicsManager, py::bases<PhysicsManager>, std::shared_ptr<GridPhysicsManager>,
               boost::noncopyable>("GridPhysicsManager",
                                   "The physics manager: files collidables in a grid from -8192 to 8192 each way; "
                                   "outside it they collide with nothing.",
                                   py::no_init)
        .def("createNew", &newGridPhysicsManager, "createNew(): A new physics manager; connect it to a scene.")
        .staticmethod("createNew");
    collectCyclesThroughHeld<GridPhysicsManager>();
}

void exportMovement()
{
    using SetVelocity = void (Movable::*)(const Vector2&);
    using GetVelocity = Vector2& (Movable::*)();
    py::class_<Movable, py::bases<Component>, boost::noncopyable>(
        "Movable",
        "Moves its entity's node: a velocity in units a second, a rotational velocity in radians a second, a mass "
        "and affectors. The scene needs a physics manager for it to move.",
        py::init<>("Movable(): A movable at rest."))
        .def(parametersOf(ParameterTable::COMPONENT, "Movable"))
        .def("getVelocity", static_cast<GetVelocity>(&Movable::getVelocity), Reference(),
             "getVelocity(): The velocity itself: changing it changes the movable's.")
        .def("setVelocity", static_cast<SetVelocity>(&Movable::setVelocity),
             "setVelocity(velocity): Sets the velocity in world units a second.")
        .def("setVelocity", &setVelocityAlong,
             "setVelocity(speed, direction): Sets the velocity to speed along the rotation direction, turned by the "
             "entity's heading.")
        .def("setVelocityX", &Movable::setVelocityX, "setVelocityX(x): Sets the velocity's x.")
        .def("setVelocityY", &Movable::setVelocityY, "setVelocityY(y): Sets the velocity's y.")
        .def("changeVelocity", &Movable::changeVelocity, "changeVelocity(change): Adds to the velocity.")
        .def("getRotationalVelocity", &Movable::getRotationalVelocity,
             "getRotationalVelocity(): How fast it turns, in radians a second, anticlockwise.")
        .def("setRotationalVelocity", &Movable::setRotationalVelocity,
             "setRotationalVelocity(velocity): Sets how fast it turns, in radians a second (positive: anticlockwise).")
        .def("getMass", &Movable::getMass, "getMass(): The mass (0: forces act as on a mass of 1).")
        .def("setMass", &Movable::setMass, "setMass(mass): Sets the mass; anything not positive is 0.")
        .def("apply", &Movable::apply,
             "apply(affector): Lets a Force or TranslationalDecellerator act on it every step.")
        .def("remove", &Movable::remove, "remove(affector): Stops an affector acting on it.");

    py::class_<MovableActionEvent, py::bases<FactoryEvent>, boost::noncopyable> event(
        "MovableActionEvent",
        "Posted or queued on an entity, changes its Movable (\"MovableAction\" in event scripts).",
        py::init<MovableActionEvent::Action, const Vector2&, double, double>(
            py::args("action", "vector", "real", "time"),
            "MovableActionEvent(action, vector, real, time): The action, with its vector or number (real), due at "
            "time."));
    event.add_property("action", &MovableActionEvent::getAction, "What it does, an Action value.")
        .add_property("vector", py::make_function(&MovableActionEvent::getVector, CopyResult()),
                      "The vector the action uses (a copy).")
        .add_property("real", &MovableActionEvent::getReal, "The number the action uses.");
    addEventType(event, &MovableActionEvent::TYPE);
    addFactoryType(event, &MovableActionEvent::FACTORY_TYPE);
    {
        py::scope inside = event;
        py::enum_<MovableActionEvent::Action>("Action", "What a MovableActionEvent does to the movable.")
            .value("SET_VELOCITY", MovableActionEvent::SET_VELOCITY)
            .value("ADD_VELOCITY", MovableActionEvent::ADD_VELOCITY)
            .value("SCALE_VELOCITY", MovableActionEvent::SCALE_VELOCITY)
            .value("ROTATE_VELOCITY", MovableActionEvent::ROTATE_VELOCITY)
            .value("SET_ROT_VELOCITY", MovableActionEvent::SET_ROT_VELOCITY)
            .value("SCALE_ROT_VELOCITY", MovableActionEvent::SCALE_ROT_VELOCITY)
            .value("SET_MASS", MovableActionEvent::SET_MASS)
            .export_values();
    }

    py::class_<MovableAffector, std::shared_ptr<MovableAffector>, boost::noncopyable>(
        "MovableAffector", "Acts on a movable every physics step: a Force or a TranslationalDecellerator.",
        py::no_init);
    py::class_<Force, py::bases<MovableAffector>, boost::noncopyable>(
        "Force", "A constant push, divided by the movable's mass.",
        py::init<const Vector2&, SceneNode::TransformSpace>(py::args("force", "space"),
                                                            "Force(force, space): A push of force, its direction taken "
                                                            "in space."))
        .def("setMagnitude", &Force::setMagnitude,
             "setMagnitude(magnitude): Changes how strong the push is, keeping its direction.");
    py::class_<TranslationalDecellerator, py::bases<MovableAffector>, boost::noncopyable>(
        "TranslationalDecellerator", "Slows a movable down to rest by rate / mass a second, without turning it.",
        py::init<double>(py::args("rate"), "TranslationalDecellerator(rate): A brake of that rate."))
        .def("setRate", &TranslationalDecellerator::setRate, "setRate(rate): Changes the rate.");
}

void exportCollidables()
{
    py::class_<Collidable, py::bases<Component>, std::shared_ptr<Collidable>, boost::noncopyable>(
        "Collidable", "A shape that collides with the others of its scene (the scene needs a physics manager).",
        py::no_init)
        .def("getBound", &Collidable::getBound, Reference(),
             "getBound(): The shape, in its node's space (the collidable's own).");
    collectCyclesThroughHeld<Collidable>();

    py::class_<CollidableEvent, py::bases<Event>, std::shared_ptr<CollidableEvent>, boost::noncopyable> event(
        "CollidableEvent",
        "Two collidables started or stopped overlapping; posted on both entities, so either may be entity1.",
        py::no_init);
    event.add_property("entity1", py::make_function(&CollidableEvent::getEntity1, CopyResult()),
                       "One side, or None.")
        .add_property("entity2", py::make_function(&CollidableEvent::getEntity2, CopyResult()),
                      "The other side, or None.")
        .add_property("eventType", &CollidableEvent::getType, "ENTITIES_COLLIDED or ENTITIES_SEPARATED.")
        .def("getOther", &CollidableEvent::getOther,
             "getOther(component): The side that is not the component's entity.");
    addEventType(event, &CollidableEvent::TYPE);
    collectCyclesThroughHeld<CollidableEvent>();
    {
        py::scope inside = event;
        py::enum_<CollidableEvent::EventType>("EventType", "Whether the contact began or ended.")
            .value("ENTITIES_COLLIDED", CollidableEvent::ENTITIES_COLLIDED)
            .value("ENTITIES_SEPARATED", CollidableEvent::ENTITIES_SEPARATED)
            .export_values();
    }

    py::class_<CollidableListener, py::bases<EventListener>, PythonCollidableListener, boost::noncopyable>(
        "CollidableListener",
        "Hears an entity's collisions: subclass it, define entitiesCollided, add it to the entity; the script "
        "keeps it alive.",
        py::init<>("CollidableListener(): A listener of collidable events."))
        .def("entitiesCollided", pureVirtual(&CollidableListener::entitiesCollided),
             "entitiesCollided(event): Called when two collidables start to overlap; a subclass defines it.")
        .def("entitiesSeparated",
             overridable(&CollidableListener::entitiesSeparated, &PythonCollidableListener::defaultEntitiesSeparated),
             "entitiesSeparated(event): Called when they stop overlapping; does nothing unless a subclass defines it.");
}

void exportFinders()
{
    {
        py::scope finder =
            py::class_<CollisionComponentFinder, py::bases<EventListener>, boost::noncopyable>(
                "CollisionComponentFinder",
                "Added to an entity, posts a FoundEvent on it when it meets an entity with a component of a type.",
                py::init<const std::shared_ptr<Entity>&, const std::string&, std::uint32_t>(
                    py::args("entity", "typeName", "eventType"),
                    "CollisionComponentFinder(entity, typeName, eventType): Reports, as events of eventType on entity, "
                    "the components of typeName it collides with."));
        using Found = CollisionComponentFinder::FoundEvent;
        py::class_<Found, py::bases<Event>, std::shared_ptr<Found>, boost::noncopyable>(
            "FoundEvent", "A component of the type looked for, met or left.", py::no_init)
            .add_property("component", py::make_function(&Found::getComponent, CopyResult()),
                          "The component found.")
            .add_property("entity", py::make_function(&Found::getEntity, CopyResult()), "Its entity.")
            .add_property("eventType", &Found::getType, "ENTITIES_COLLIDED or ENTITIES_SEPARATED.");
        collectCyclesThroughHeld<Found>();
    }
    {
        using Target = const std::shared_ptr<Entity>&;
        py::scope finder =
            py::class_<CollisionEntityFinder, py::bases<EventListener>, boost::noncopyable>(
                "CollisionEntityFinder",
                "Added to an entity, posts a FoundEvent on it when it meets or leaves one target entity.",
                py::init<const std::shared_ptr<Entity>&, Target, std::uint32_t, std::uint32_t>(
                    py::args("entity", "target", "collidedType", "separatedType"),
                    "CollisionEntityFinder(entity, target, collidedType, separatedType): Posts collidedType when "
                    "entity meets target and separatedType when they part."))
                .def(py::init<const std::shared_ptr<Entity>&, Target, std::uint32_t>(
                    py::args("entity", "target", "eventType"),
                    "CollisionEntityFinder(entity, target, eventType): Posts eventType on entity both when it meets "
                    "target and when they part."))
                .def("setTarget", &CollisionEntityFinder::setTarget,
                     "setTarget(target): Looks for another entity.");
        using Found = CollisionEntityFinder::FoundEvent;
        py::class_<Found, py::bases<Event>, std::shared_ptr<Found>, boost::noncopyable>(
            "FoundEvent", "The target entity, met or left.", py::no_init)
            .add_property("entity", py::make_function(&Found::getEntity, CopyResult()), "The target.")
            .add_property("eventType", &Found::getType, "ENTITIES_COLLIDED or ENTITIES_SEPARATED.");
        collectCyclesThroughHeld<Found>();
    }

    py::class_<StaticCollidable, py::bases<Collidable>, boost::noncopyable>(
        "StaticCollidable", "A collidable of one shape that moves with its node.",
        py::init<const Bound&>(py::args("bound"), "StaticCollidable(bound): A collidable of that shape, in its node's "
                                                  "space."))
        .def(parametersOf(ParameterTable::COMPONENT, "StaticCollidable"));
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
