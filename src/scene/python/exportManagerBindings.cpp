// Entity templates, scene templates and event scripts with their managers,
// and the entity tracker. Templates and scripts travel as shared pointers
// shared with their managers; the managers by reference to the singleton.

#include "core/ParameterList.h"
#include "core/python/CycleCollection.h"
#include "core/python/ResourceManagerBindings.h"
#include "scene/Component.h"
#include "scene/Entity.h"
#include "scene/EntityTracker.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"
#include "scene/python/Bindings.h"
#include "scene/templates/EntityTemplateManager.h"
#include "scene/templates/EventScriptManager.h"
#include "scene/templates/SceneTemplateManager.h"
#include "scene/templates/SpawnPointSTI.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(CreateEntityForms, createEntity, 0, 2)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(CreateSceneInManagerForms, createSceneInManager, 1, 4)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(CreateSceneInNodeForms, createSceneInNode, 1, 4)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(ConnectForms, connect, 1, 4)

// The process as the core's Process class, which scripts add to their managers.
std::shared_ptr<Process> createProcess(EventScript& script, const std::shared_ptr<SceneManager>& manager)
{
    return script.createProcess(manager);
}

void exportEntityTemplates()
{
    py::class_<EntityTemplate, py::bases<Resource>, std::shared_ptr<EntityTemplate>, boost::noncopyable>(
        "EntityTemplate",
        "A recipe for an entity from a data file's EntityTemplate element: its components by type name with their "
        "parameters.",
        py::no_init)
        .def("createEntity", &EntityTemplate::createEntity,
             CreateEntityForms("createEntity([params[, name]]): A new entity with the template's components, VarParams "
                               "read from params; None when the template is not loaded or failed to load (see "
                               "XmlSystemLogFile.txt)."))
        .def("createComponent", &EntityTemplate::createComponent,
             "createComponent(typeName, params): The template's component of that type alone, or None.");

    py::class_<EntityTemplateManager, py::bases<ResourceManager>, boost::noncopyable> manager(
        "EntityTemplateManager", "Keeps the entity templates by name.", py::no_init);
    defineTypedManager<EntityTemplateManager>(manager);
    manager.def("loadTemplate", &EntityTemplateManager::loadTemplate,
                "loadTemplate(name, file): The template of that name, looked for in file first; call its load() before "
                "createEntity.");
}

void exportSceneTemplates()
{
    py::class_<SceneTemplate, py::bases<Resource>, std::shared_ptr<SceneTemplate>, boost::noncopyable>(
        "SceneTemplate", "A recipe for nodes and their entities from a data file's SceneTemplate element.",
        py::no_init)
        .def("createSceneInManager", &SceneTemplate::createSceneInManager,
             CreateSceneInManagerForms("createSceneInManager(manager[, pos[, ori[, scl]]]): Builds the template into a "
                                       "scene, moved by pos, ori and scl; answers the first top-level node, or None."))
        .def("createSceneInNode", &SceneTemplate::createSceneInNode,
             CreateSceneInNodeForms("createSceneInNode(node[, pos[, ori[, scl]]]): Builds the template below a node, "
                                    "moved by pos, ori and scl; answers the first top-level node, or None."));

    py::class_<SceneTemplateManager, py::bases<ResourceManager>, boost::noncopyable> manager(
        "SceneTemplateManager", "Keeps the scene templates by name.", py::no_init);
    defineTypedManager<SceneTemplateManager>(manager);
    manager.def("loadTemplate", &SceneTemplateManager::loadTemplate,
                "loadTemplate(name, file): The scene template of that name, looked for in file first; call its load() "
                "before use.");
}

void exportEventScripts()
{
    py::class_<EventScript, py::bases<Resource>, std::shared_ptr<EventScript>, boost::noncopyable>(
        "EventScript", "Timed action events from a data file's EventScript element, played on a scene.", py::no_init)
        .def("createProcess", &createProcess,
             "createProcess(manager): A process that plays the script on the scene; add it to the scene to start it.");

    py::class_<EventScriptManager, py::bases<ResourceManager>, boost::noncopyable> manager(
        "EventScriptManager", "Keeps the event scripts by name.", py::no_init);
    defineTypedManager<EventScriptManager>(manager);
    manager.def("loadScript", &EventScriptManager::loadScript,
                "loadScript(name, file): The event script of that name, looked for in file first.");
}

// The engine's own spawn instantiator is not among the built-in prototypes: a
// game that spawns from data registers it, as it does its Python components.
void exportSpawnPoint()
{
    py::class_<SpawnPointSTI, py::bases<Component>, std::shared_ptr<SpawnPointSTI>, boost::noncopyable>(
        "SpawnPointSTI",
        "The spawner's instantiator: builds the scene templates its generator picks at the entity's place.",
        py::init<>("SpawnPointSTI(): A prototype to register with ComponentFactory."));
    collectCyclesThroughHeld<SpawnPointSTI>();
}

void exportEntityTracker()
{
    using ByName = void (EntityTracker::*)(const std::string&);
    using ByEntity = void (EntityTracker::*)(const std::shared_ptr<Entity>&);
    py::class_<EntityTracker, boost::noncopyable> cls(
        "EntityTracker", "Follows an entity by name: learns when it enters or leaves a scene.",
        py::init<>("EntityTracker(): A tracker of no name yet."));
    cls.def(py::init<std::string>("EntityTracker(name): A tracker of the entity of that name."))
        .def("getEntityName", &EntityTracker::getEntityName, py::return_value_policy<py::copy_const_reference>(),
             "getEntityName(): The name tracked.")
        .def("setEntity", static_cast<ByName>(&EntityTracker::setEntity),
             "setEntity(name): Tracks the entity of that name.")
        .def("setEntity", static_cast<ByEntity>(&EntityTracker::setEntity),
             "setEntity(entity): Tracks the given entity's name.")
        .def("getEntity", &EntityTracker::getEntity, py::return_value_policy<py::copy_const_reference>(),
             "getEntity(): The tracked entity while it is in the connected scene, else None.")
        .def("connect", &EntityTracker::connect,
             ConnectForms("connect(manager[, entity[, foundEventType[, lostEventType]]]): Watches the scene, posting "
                          "events of those types (0: none) on entity when the tracked one enters or leaves."))
        .def("disconnect", &EntityTracker::disconnect, "disconnect(): Stops watching the scene.");
    collectCyclesThrough<EntityTracker>(cls);
}

}

void exportManagerBindings()
{
    exportEntityTemplates();
    exportSceneTemplates();
    exportEventScripts();
    exportEntityTracker();
    exportSpawnPoint();
}

}
