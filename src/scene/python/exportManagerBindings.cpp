// Entity templates, scene templates and event scripts with their managers,
// and the entity tracker. Templates and scripts travel as shared pointers
// shared with their managers; the managers by reference to the singleton.

#include "core/ParameterList.h"
#include "core/python/Bindings.h"
#include "core/python/ResourceManagerBindings.h"
#include "scene/Component.h"
#include "scene/Entity.h"
#include "scene/EntityTracker.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"
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
        "EntityTemplate", py::no_init)
        .def("createEntity", &EntityTemplate::createEntity, CreateEntityForms())
        .def("createComponent", &EntityTemplate::createComponent);

    py::class_<EntityTemplateManager, py::bases<ResourceManager>, boost::noncopyable> manager("EntityTemplateManager",
                                                                                             py::no_init);
    defineTypedManager<EntityTemplateManager>(manager);
    manager.def("loadTemplate", &EntityTemplateManager::loadTemplate);
}

void exportSceneTemplates()
{
    py::class_<SceneTemplate, py::bases<Resource>, std::shared_ptr<SceneTemplate>, boost::noncopyable>(
        "SceneTemplate", py::no_init)
        .def("createSceneInManager", &SceneTemplate::createSceneInManager, CreateSceneInManagerForms())
        .def("createSceneInNode", &SceneTemplate::createSceneInNode, CreateSceneInNodeForms());

    py::class_<SceneTemplateManager, py::bases<ResourceManager>, boost::noncopyable> manager("SceneTemplateManager",
                                                                                            py::no_init);
    defineTypedManager<SceneTemplateManager>(manager);
    manager.def("loadTemplate", &SceneTemplateManager::loadTemplate);
}

void exportEventScripts()
{
    py::class_<EventScript, py::bases<Resource>, std::shared_ptr<EventScript>, boost::noncopyable>("EventScript",
                                                                                                  py::no_init)
        .def("createProcess", &createProcess);

    py::class_<EventScriptManager, py::bases<ResourceManager>, boost::noncopyable> manager("EventScriptManager",
                                                                                          py::no_init);
    defineTypedManager<EventScriptManager>(manager);
    manager.def("loadScript", &EventScriptManager::loadScript);
}

// The engine's own spawn instantiator is not among the built-in prototypes: a
// game that spawns from data registers it, as it does its Python components.
void exportSpawnPoint()
{
    py::class_<SpawnPointSTI, py::bases<Component>, std::shared_ptr<SpawnPointSTI>, boost::noncopyable>(
        "SpawnPointSTI", py::init<>());
}

void exportEntityTracker()
{
    using ByName = void (EntityTracker::*)(const std::string&);
    using ByEntity = void (EntityTracker::*)(const std::shared_ptr<Entity>&);
    py::class_<EntityTracker, boost::noncopyable>("EntityTracker", py::init<>())
        .def(py::init<std::string>())
        .def("getEntityName", &EntityTracker::getEntityName, py::return_value_policy<py::copy_const_reference>())
        .def("setEntity", static_cast<ByName>(&EntityTracker::setEntity))
        .def("setEntity", static_cast<ByEntity>(&EntityTracker::setEntity))
        .def("getEntity", &EntityTracker::getEntity, py::return_value_policy<py::copy_const_reference>())
        .def("connect", &EntityTracker::connect, ConnectForms())
        .def("disconnect", &EntityTracker::disconnect);
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
