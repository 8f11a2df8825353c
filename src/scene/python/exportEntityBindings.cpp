// Entities, scene nodes, scenes, scene events, components and the component factory.

#include "core/ParameterList.h"
#include "core/python/CycleCollection.h"
#include "core/python/Documentation.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/Identity.h"
#include "core/python/LiveSingleton.h"
#include "core/python/OneWrapper.h"
#include "core/python/ScriptExit.h"
#include "game/physics/PhysicsManager.h"
#include "render/RenderManager.h"
#include "scene/Component.h"
#include "scene/ComponentFactory.h"
#include "scene/Entity.h"
#include "scene/EventRouter.h"
#include "scene/SceneEvent.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"
#include "scene/python/Bindings.h"
#include "scene/python/ComponentHooks.h"
#include "scene/python/PythonComponent.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

BOOST_PYTHON_FUNCTION_OVERLOADS(EntityCreateNewForms, Entity::createNew, 0, 1)
BOOST_PYTHON_FUNCTION_OVERLOADS(EntityCreateCopyForms, Entity::createCopy, 1, 2)
BOOST_PYTHON_FUNCTION_OVERLOADS(CreateEntityForms, createEntity, 1, 5)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(AddChildForms, addChild, 1, 2)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(RemoveChildForms, removeChild, 1, 2)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(SetPositionForms, setPosition, 1, 2)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(SetOrientationForms, setOrientation, 1, 2)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(SetScaleForms, setScale, 1, 2)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(TranslateForms, translate, 1, 2)

using CopyResult = py::return_value_policy<py::copy_const_reference>;

std::shared_ptr<SceneNode> deepCopyNode(const std::shared_ptr<SceneNode>& node, const py::object& /*memo*/)
{
    return SceneNode::createCopy(node, true);
}

// What the deleters do first, done by the cycle collector and at the script's exit while the scripts'
// objects are still whole.
bool releaseComponents(Entity& entity)
{
    const bool holding = !entity.getComponents().empty();
    entity.removeAllComponents();
    return holding;
}

bool releaseEntityAndChildren(SceneNode& node)
{
    const bool holding = node.getEntity() || node.hasChildren();
    node.detachEntity();
    node.removeAll();
    return holding;
}

bool releaseFromEntity(Component& component)
{
    const std::shared_ptr<Entity> entity = component.getEntity();
    if (!entity)
        return false;
    for (const std::shared_ptr<Component>& held : entity->getComponents())
        if (held.get() == &component)
        {
            const std::shared_ptr<Component> leaving = held;
            entity->removeComponent(leaving);
            return true;
        }
    return false;
}

bool releaseNodes(SceneManager& scene)
{
    const bool holding = scene.hasNodes();
    scene.clear();
    return holding;
}

// A scene at the script's exit ends its processes (timers aimed at it or its entities hold them), then
// lets its nodes go.
bool endScene(SceneManager& scene)
{
    const bool ran = scene.hasProcesses();
    scene.terminateAll();
    return releaseNodes(scene) || ran;
}

std::shared_ptr<SceneManager> newScene()
{
    return SceneManager::createNew();
}

void exportEntity()
{
    py::class_<Entity, py::bases<EventManager>, boost::noncopyable> cls(
        "Entity",
        "A named game object made of components, placed in a scene through the SceneNode it is attached to; "
        "an event manager its components and listeners share.",
        py::no_init);
    wrapOncePerObject<Entity>();
    cls.def("createNew", &Entity::createNew,
            EntityCreateNewForms("createNew([name]): A new entity without components (an empty name: a made-up one)."))
        .staticmethod("createNew")
        .def("createEntity", &createEntity,
             CreateEntityForms("createEntity(component[, name[, pos[, ori[, scl]]]]): A new entity with one component, "
                               "attached to a new SceneNode at pos; answers the node, for SceneManager.addNode."))
        .staticmethod("createEntity")
        .def("createCopy", &Entity::createCopy,
             EntityCreateCopyForms("createCopy(entity[, name]): A new entity with copies of another's components."))
        .staticmethod("createCopy")
        .def("__copy__", &Entity::createCopy)
        .def("getName", &Entity::getName, CopyResult(), "getName(): The entity's name.")
        .def("addComponent", &Entity::addComponent,
             "addComponent(component): Adds a component; False when it is refused (None, on another entity, or a "
             "second of its class).")
        .def("getSceneNode", &Entity::getSceneNode, "getSceneNode(): The node it is attached to, or None.")
        .def("getSceneManager", &Entity::getSceneManager, "getSceneManager(): The scene it is in, or None.")
        .def("getParentEntity", &Entity::getParentEntity,
             "getParentEntity(): The entity of the nearest node above its own that carries one, or None.")
        .def("getWorldPosition", &Entity::getWorldPosition,
             "getWorldPosition(): Where its node is in the world (<0,0> without a node).")
        .def("getWorldOrientation", &Entity::getWorldOrientation,
             "getWorldOrientation(): Its node's rotation in the world (none without a node).")
        .def("getWorldScale", &Entity::getWorldScale,
             "getWorldScale(): Its node's scale in the world ((1,1) without a node).")
        .def("kill", &Entity::kill,
             "kill(): Takes the entity out of its scene at the end of the scene's current update.");
    defineIdentity(cls);
    collectCyclesThrough<Entity, &releaseComponents>(cls);
    releaseAtScriptExit<Entity, &releaseComponents>(ExitStage::ENTITIES);

    py::class_<EventRouter, py::bases<EventListener>, boost::noncopyable>(
        "EventRouter", "A listener that queues every event it hears on another entity.",
        py::init<std::shared_ptr<Entity>, std::uint32_t>("EventRouter(entity, eventType): Forwards the events of that "
                                                         "type to the entity."));
}

void exportSceneNode()
{
    py::class_<SceneNode, boost::noncopyable> cls(
        "SceneNode",
        "A place in the scene graph: a position, rotation and scale relative to its parent, at most one entity, "
        "and child nodes that move with it.",
        py::no_init);
    wrapOncePerObject<SceneNode>();
    cls.def("createNew", &SceneNode::createNew,
            (py::arg("pos") = Vector2::ZERO, py::arg("ori") = Complex::IDENTITY, py::arg("scl") = Scale::IDENTITY),
            "createNew([pos[, ori[, scl]]]): A new node, in no scene and without entity, at pos turned by ori "
            "and scaled by scl.")
        .staticmethod("createNew")
        .def("createCopy", &SceneNode::createCopy,
             "createCopy(node, deep): A copy of a node's transform; deep copies its entity and children too.")
        .staticmethod("createCopy")
        .def("__copy__", &SceneNode::createCopy)
        .def("__deepcopy__", &deepCopyNode)
        .def("getParent", &SceneNode::getParent, "getParent(): The parent node, or None.")
        .def("getManager", &SceneNode::getManager, "getManager(): The scene the node is in, or None.")
        .def("addChild", &SceneNode::addChild,
             AddChildForms("addChild(child[, asWorld]): Adds a node without parent or scene below this one; with "
                           "asWorld its transform is taken as a world transform."))
        .def("removeChild", &SceneNode::removeChild,
             RemoveChildForms("removeChild(child[, asWorld]): Takes a child off this node; with asWorld it keeps where "
                              "it is in the world."))
        .def("removeAll", &SceneNode::removeAll,
             "removeAll(asWorld): Takes every child off this node; with asWorld each keeps where it is in the world.")
        .def("attach", &SceneNode::attach,
             "attach(entity): Attaches an entity that has no node; in a scene, the entity joins it. None raises "
             "RuntimeError.")
        .def("detachEntity", &SceneNode::detachEntity, "detachEntity(): Lets the node's entity go.")
        .def("hasChildren", &SceneNode::hasChildren, "hasChildren(): Whether the node has child nodes.")
        .def("getEntity", &SceneNode::getEntity, CopyResult(), "getEntity(): The node's entity, or None.")
        .def("getPosition", &SceneNode::getPosition, CopyResult(),
             "getPosition(): The position relative to the parent (a copy).")
        .def("getOrientation", &SceneNode::getOrientation, CopyResult(),
             "getOrientation(): The rotation relative to the parent (a copy).")
        .def("getScale", &SceneNode::getScale, CopyResult(),
             "getScale(): The scale relative to the parent (a copy).")
        .def("setPosition", &SceneNode::setPosition,
             SetPositionForms("setPosition(pos[, space]): Moves the node to pos, given in space (PARENT unless given: "
                              "LOCAL, PARENT, WORLD)."))
        .def("setOrientation", &SceneNode::setOrientation,
             SetOrientationForms("setOrientation(ori[, space]): Sets the node's rotation, given in space."))
        .def("setScale", &SceneNode::setScale,
             SetScaleForms("setScale(scl[, space]): Sets the node's scale, given in space."))
        .def("translate", &SceneNode::translate,
             TranslateForms("translate(v[, space]): Moves the node by v, given in space."))
        .def("rotate", &SceneNode::rotate, "rotate(ori): Turns the node further by ori.")
        .def("scale", &SceneNode::scale, "scale(scl): Scales the node further by scl.")
        .def("getInheritOrientation", &SceneNode::getInheritOrientation,
             "getInheritOrientation(): Whether the node turns with its parent.")
        .def("getInheritScale", &SceneNode::getInheritScale,
             "getInheritScale(): Whether the node scales with its parent.")
        .def("setInheritOrientation", &SceneNode::setInheritOrientation,
             "setInheritOrientation(flag): Sets whether the node turns with its parent.")
        .def("setInheritScale", &SceneNode::setInheritScale,
             "setInheritScale(flag): Sets whether the node scales with its parent.")
        .def("getWorldPosition", &SceneNode::getWorldPosition, CopyResult(),
             "getWorldPosition(): Where the node is in the world.")
        .def("getWorldOrientation", &SceneNode::getWorldOrientation, CopyResult(),
             "getWorldOrientation(): The node's rotation in the world.")
        .def("getWorldScale", &SceneNode::getWorldScale, CopyResult(),
             "getWorldScale(): The node's scale in the world.");
    defineIdentity(cls);
    collectCyclesThrough<SceneNode, &releaseEntityAndChildren>(cls);
    releaseAtScriptExit<SceneNode, &releaseEntityAndChildren>(ExitStage::NODES);
    // The enumeration comes after the methods, so the class lists them first.
    {
        py::scope inside = cls;
        py::enum_<SceneNode::TransformSpace>(
            "TransformSpace", "What a transform is relative to: LOCAL (the node itself), PARENT or WORLD.")
            .value("LOCAL", SceneNode::LOCAL)
            .value("PARENT", SceneNode::PARENT)
            .value("WORLD", SceneNode::WORLD)
            .export_values();
    }
}

void exportSceneManager()
{
    py::class_<SceneManager, py::bases<EventManager, ProcessManager>, boost::noncopyable> cls(
        "SceneManager",
        "A scene: its nodes and their entities, its processes, its render and physics managers; what Root.run "
        "steps.",
        py::no_init);
    wrapOncePerObject<SceneManager>();
    cls.def("createNew", &newScene, "createNew(): A new, empty scene.")
        .staticmethod("createNew")
        .def("addNode", &SceneManager::addNode,
             "addNode(node): Adds a node without parent, with its entities and children, to the scene.")
        .def("removeNode", &SceneManager::removeNode, "removeNode(node): Takes a node out of the scene now.")
        .def("clear", &SceneManager::clear, "clear(): Takes every node out of the scene.")
        .def("addToGarbage", &SceneManager::addToGarbage,
             "addToGarbage(node): Takes a node out of the scene at the end of the next update.")
        .def("getRenderManager", &SceneManager::getRenderManager, CopyResult(),
             "getRenderManager(): The render manager connected to the scene, or None.")
        .def("getPhysicsManager", &SceneManager::getPhysicsManager, CopyResult(),
             "getPhysicsManager(): The physics manager connected to the scene, or None.")
        .def("getEntity", &SceneManager::getEntity,
             "getEntity(name): The entity of that name in the scene, or None.")
        .def("getNumEntities", &SceneManager::getNumEntities, "getNumEntities(): How many entities the scene holds.");
    defineIdentity(cls);
    collectCyclesThrough<SceneManager, &releaseNodes, Reach::THROUGH_CAPTIVES>(cls);
    releaseAtScriptExit<SceneManager, &endScene>(ExitStage::SCENES);

    py::class_<SceneEvent, py::bases<Event>, std::shared_ptr<SceneEvent>, boost::noncopyable> event(
        "SceneEvent", "Posted on a scene when an entity enters it or leaves it.", py::no_init);
    addEventType(event, &SceneEvent::TYPE);
    collectCyclesThroughHeld<SceneEvent>();
    event.add_property("manager", py::make_function(&SceneEvent::getManager, CopyResult()), "The scene.")
        .add_property("entity", py::make_function(&SceneEvent::getEntity, CopyResult()),
                      "The entity that entered or left.")
        .add_property("type", &SceneEvent::getType, "ENTITY_ADDED or ENTITY_REMOVED.");
    // As for SceneNode: the enumeration after the members.
    {
        py::scope inside = event;
        py::enum_<SceneEvent::EventType>("EventType", "Whether the entity entered (ENTITY_ADDED) or left.")
            .value("ENTITY_ADDED", SceneEvent::ENTITY_ADDED)
            .value("ENTITY_REMOVED", SceneEvent::ENTITY_REMOVED)
            .export_values();
    }
}

void exportComponent()
{
    using GetComponent = std::shared_ptr<Component> (*)(const std::string&, const Entity*);
    py::class_<Component, PythonComponent<>, boost::noncopyable> cls(
        "Component",
        "A piece of an entity's behaviour or data. Subclass it with the class attribute super = Component, "
        "define createNew and createCopy, and register a prototype with ComponentFactory to use it in data files; "
        "its type name is the class name.",
        py::init<>("Component(): A component; a subclass's __init__ must call it."));
    cls.def("getCurrentTime", &Component::getCurrentTime,
            "getCurrentTime(): The clock of its entity's scene in seconds (0 outside a scene).")
        .def("getEntity", &Component::getEntity, "getEntity(): The entity it belongs to, or None.")
        .def("getSceneNode", &Component::getSceneNode, "getSceneNode(): Its entity's node, or None.")
        .def("getSceneManager", &Component::getSceneManager, "getSceneManager(): Its entity's scene, or None.")
        .def("paramIsAFilename", &Component::paramIsAFilename,
             "paramIsAFilename(paramName): Whether that construction parameter names a file (False for Python "
             "components).")
        .def("getType", &Component::getType, CopyResult(),
             "getType(): The type name (a Python component's class name).")
        .def("getSuperType", &Component::getSuperType, CopyResult(),
             "getSuperType(): The type name of the class it derives from.");
    defineComponentHooks<PythonComponent<>>(cls, "component");
    cls.def("getComponent", static_cast<GetComponent>(&Component::getComponent),
            "getComponent(typeName, entity): The entity's component of that type name (or a class below it), or None.")
        .staticmethod("getComponent")
        .def("checkRef", &Component::checkRef,
             "checkRef(ref, typeName): ref when it belongs to this component's entity, else that entity's component of "
             "that type.")
        .def("checkDiffEntityRef", &Component::checkDiffEntityRef,
             "checkDiffEntityRef(ref, typeName, entity): ref when it belongs to entity, else entity's component of "
             "that type.")
        .staticmethod("checkDiffEntityRef");
    defineIdentity(cls);
    collectCyclesThrough<Component, &releaseFromEntity>(cls);
    reachAtScriptExit<Component>();
    py::register_ptr_to_python<std::shared_ptr<Component>>();

    py::class_<ComponentFactory, boost::noncopyable>(
        "ComponentFactory", "Makes components by type name from parameters, as data files name them.", py::no_init)
        .def("getSingleton", &getLiveSingleton<ComponentFactory>,
             "getSingleton(): The engine's component factory, or None before Root.initialize and after Root.shutdown.")
        .staticmethod("getSingleton")
        .def("registerType", &ComponentFactory::registerType,
             "registerType(prototype): Registers a component as the prototype of its type name; the first one "
             "registered stays.")
        .def("isRegistered", &ComponentFactory::isRegistered,
             "isRegistered(typeName): Whether a component type of that name is registered.")
        .def("getRegistered", &ComponentFactory::getRegistered,
             "getRegistered(typeName): The prototype of that type name, or None.")
        .def("create", &ComponentFactory::create,
             "create(typeName, params): A new component of that type made from a ParameterList; raises RuntimeError "
             "naming what is wrong.")
        .def(typesWithoutClass(
            ParameterTable::COMPONENT,
            {{"AnimateAndDie", "Kills its entity when an animation of its sprite ends (one that does not loop)."},
             {"ComponentAdder", "Carries out the ComponentAddition events queued on its scene."},
             {"PreventRenderWhenNotVisible",
              "Hides another player's unit unless the local player sees its tile now (fog of war)."},
             {"PreventRenderWhenUnexplored", "Hides its entity until the local player has explored its tile."},
             {"RepeatedStaticImage", "A StaticImage repeated over a camera's view, such as a background."},
             {"RunScriptWhenAdded", "Plays an event script each time its entity joins a scene."},
             {"ScriptRunner", "Carries out the ScriptRunner events queued on its scene."},
             {"SlaveRenderable", "Draws another entity's renderable again, at its own entity's node."},
             {"StaticRandomDistributionSTG", "Chooses a spawner's scene template at random, by weight, or none."},
             {"TemplateInstantiator", "Carries out the TemplateInstantiation events queued on its scene."},
             {"TurnAndDashPathwalker",
              "Walks its entity along its pathfinder's path: turns towards each point, then dashes to it."},
             {"UniformTimeIncrementSTC",
              "Starts a wave of scenes every spawnRate seconds while its entity is in a scene, through the entity's "
              "scene template generator and instantiator."}}));
}

}

void exportEntityBindings()
{
    exportEntity();
    exportSceneNode();
    exportSceneManager();
    exportComponent();
}

}
