// Entities, scene nodes, scenes, scene events, components and the component factory.

#include "core/ParameterList.h"
#include "core/python/Bindings.h"
#include "core/python/CycleCollection.h"
#include "game/physics/PhysicsManager.h"
#include "render/RenderManager.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/Identity.h"
#include "core/python/LiveSingleton.h"
#include "core/python/OneWrapper.h"
#include "scene/Component.h"
#include "scene/ComponentFactory.h"
#include "scene/Entity.h"
#include "scene/EventRouter.h"
#include "scene/SceneEvent.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"
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

// What the deleters do first, done by the cycle collector while the scripts' objects are still whole.
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

std::shared_ptr<SceneManager> newScene()
{
    return SceneManager::createNew();
}

void exportEntity()
{
    py::class_<Entity, py::bases<EventManager>, boost::noncopyable> cls("Entity", py::no_init);
    wrapOncePerObject<Entity>();
    cls.def("createNew", &Entity::createNew, EntityCreateNewForms())
        .staticmethod("createNew")
        .def("createEntity", &createEntity, CreateEntityForms())
        .staticmethod("createEntity")
        .def("createCopy", &Entity::createCopy, EntityCreateCopyForms())
        .staticmethod("createCopy")
        .def("__copy__", &Entity::createCopy)
        .def("getName", &Entity::getName, CopyResult())
        .def("addComponent", &Entity::addComponent)
        .def("getSceneNode", &Entity::getSceneNode)
        .def("getSceneManager", &Entity::getSceneManager)
        .def("getParentEntity", &Entity::getParentEntity)
        .def("getWorldPosition", &Entity::getWorldPosition)
        .def("getWorldOrientation", &Entity::getWorldOrientation)
        .def("getWorldScale", &Entity::getWorldScale)
        .def("kill", &Entity::kill);
    defineIdentity(cls);
    collectCyclesThrough<Entity, &releaseComponents>(cls);

    py::class_<EventRouter, py::bases<EventListener>, boost::noncopyable>(
        "EventRouter", py::init<std::shared_ptr<Entity>, std::uint32_t>());
}

void exportSceneNode()
{
    py::class_<SceneNode, boost::noncopyable> cls("SceneNode", py::no_init);
    wrapOncePerObject<SceneNode>();
    cls.def("createNew", &SceneNode::createNew,
            (py::arg("pos") = Vector2::ZERO, py::arg("ori") = Complex::IDENTITY, py::arg("scl") = Scale::IDENTITY))
        .staticmethod("createNew")
        .def("createCopy", &SceneNode::createCopy)
        .staticmethod("createCopy")
        .def("__copy__", &SceneNode::createCopy)
        .def("__deepcopy__", &deepCopyNode)
        .def("getParent", &SceneNode::getParent)
        .def("getManager", &SceneNode::getManager)
        .def("addChild", &SceneNode::addChild, AddChildForms())
        .def("removeChild", &SceneNode::removeChild, RemoveChildForms())
        .def("removeAll", &SceneNode::removeAll)
        .def("attach", &SceneNode::attach)
        .def("detachEntity", &SceneNode::detachEntity)
        .def("hasChildren", &SceneNode::hasChildren)
        .def("getEntity", &SceneNode::getEntity, CopyResult())
        .def("getPosition", &SceneNode::getPosition, CopyResult())
        .def("getOrientation", &SceneNode::getOrientation, CopyResult())
        .def("getScale", &SceneNode::getScale, CopyResult())
        .def("setPosition", &SceneNode::setPosition, SetPositionForms())
        .def("setOrientation", &SceneNode::setOrientation, SetOrientationForms())
        .def("setScale", &SceneNode::setScale, SetScaleForms())
        .def("translate", &SceneNode::translate, TranslateForms())
        .def("rotate", &SceneNode::rotate)
        .def("scale", &SceneNode::scale)
        .def("getInheritOrientation", &SceneNode::getInheritOrientation)
        .def("getInheritScale", &SceneNode::getInheritScale)
        .def("setInheritOrientation", &SceneNode::setInheritOrientation)
        .def("setInheritScale", &SceneNode::setInheritScale)
        .def("getWorldPosition", &SceneNode::getWorldPosition, CopyResult())
        .def("getWorldOrientation", &SceneNode::getWorldOrientation, CopyResult())
        .def("getWorldScale", &SceneNode::getWorldScale, CopyResult());
    defineIdentity(cls);
    collectCyclesThrough<SceneNode, &releaseEntityAndChildren>(cls);
    // The enumeration comes after the methods, so the class lists them first.
    {
        py::scope inside = cls;
        py::enum_<SceneNode::TransformSpace>("TransformSpace")
            .value("LOCAL", SceneNode::LOCAL)
            .value("PARENT", SceneNode::PARENT)
            .value("WORLD", SceneNode::WORLD)
            .export_values();
    }
}

void exportSceneManager()
{
    py::class_<SceneManager, py::bases<EventManager, ProcessManager>, boost::noncopyable> cls("SceneManager",
                                                                                             py::no_init);
    wrapOncePerObject<SceneManager>();
    cls.def("createNew", &newScene)
        .staticmethod("createNew")
        .def("addNode", &SceneManager::addNode)
        .def("removeNode", &SceneManager::removeNode)
        .def("clear", &SceneManager::clear)
        .def("addToGarbage", &SceneManager::addToGarbage)
        .def("getRenderManager", &SceneManager::getRenderManager, CopyResult())
        .def("getPhysicsManager", &SceneManager::getPhysicsManager, CopyResult())
        .def("getEntity", &SceneManager::getEntity)
        .def("getNumEntities", &SceneManager::getNumEntities);
    defineIdentity(cls);
    collectCyclesThrough<SceneManager, &releaseNodes>(cls);

    py::class_<SceneEvent, py::bases<Event>, std::shared_ptr<SceneEvent>, boost::noncopyable> event("SceneEvent",
                                                                                                    py::no_init);
    addEventType(event, &SceneEvent::TYPE);
    event.add_property("manager", py::make_function(&SceneEvent::getManager, CopyResult()))
        .add_property("entity", py::make_function(&SceneEvent::getEntity, CopyResult()))
        .add_property("type", &SceneEvent::getType);
    // As for SceneNode: the enumeration after the members.
    {
        py::scope inside = event;
        py::enum_<SceneEvent::EventType>("EventType")
            .value("ENTITY_ADDED", SceneEvent::ENTITY_ADDED)
            .value("ENTITY_REMOVED", SceneEvent::ENTITY_REMOVED)
            .export_values();
    }
}

void exportComponent()
{
    using GetComponent = std::shared_ptr<Component> (*)(const std::string&, const Entity*);
    py::class_<Component, PythonComponent<>, boost::noncopyable> cls("Component", py::init<>());
    cls.def("getCurrentTime", &Component::getCurrentTime)
        .def("getEntity", &Component::getEntity)
        .def("getSceneNode", &Component::getSceneNode)
        .def("getSceneManager", &Component::getSceneManager)
        .def("paramIsAFilename", &Component::paramIsAFilename)
        .def("getType", &Component::getType, CopyResult())
        .def("getSuperType", &Component::getSuperType, CopyResult())
        .def("createNew", py::pure_virtual(&Component::createNew))
        .def("createCopy", py::pure_virtual(&Component::createCopy))
        .def("entityChanged", &Component::entityChanged, &PythonComponent<>::defaultEntityChanged)
        .def("managerChanged", &Component::managerChanged, &PythonComponent<>::defaultManagerChanged)
        .def("getComponent", static_cast<GetComponent>(&Component::getComponent))
        .staticmethod("getComponent")
        .def("checkRef", &Component::checkRef)
        .def("checkDiffEntityRef", &Component::checkDiffEntityRef)
        .staticmethod("checkDiffEntityRef");
    defineIdentity(cls);
    collectCyclesThrough<Component, &releaseFromEntity>(cls);
    py::register_ptr_to_python<std::shared_ptr<Component>>();

    py::class_<ComponentFactory, boost::noncopyable>("ComponentFactory", py::no_init)
        .def("getSingleton", &getLiveSingleton<ComponentFactory>)
        .staticmethod("getSingleton")
        .def("registerType", &ComponentFactory::registerType)
        .def("isRegistered", &ComponentFactory::isRegistered)
        .def("getRegistered", &ComponentFactory::getRegistered)
        .def("create", &ComponentFactory::create);
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
