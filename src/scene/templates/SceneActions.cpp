#include "scene/templates/SceneActions.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "scene/Component.h"
#include "scene/Entity.h"
#include "scene/SceneNode.h"
#include "scene/templates/EntityTemplateManager.h"
#include "scene/templates/EventScriptManager.h"
#include "scene/templates/SceneTemplateManager.h"

namespace Tarnu
{

namespace
{

const ParameterTable INSTANTIATOR_PARAMETERS(ParameterTable::COMPONENT, "TemplateInstantiator", {});
const ParameterTable ADDER_PARAMETERS(ParameterTable::COMPONENT, "ComponentAdder", {});
const ParameterTable RUNNER_PARAMETERS(ParameterTable::COMPONENT, "ScriptRunner", {});
const ParameterTable RUN_WHEN_ADDED_PARAMETERS(ParameterTable::COMPONENT, "RunScriptWhenAdded",
                                               {{"script", ParameterFormat::TEXT, ParameterTable::REQUIRED,
                                                 "The event script played each time the entity joins a scene."},
                                                {"file", ParameterFormat::TEXT, "empty",
                                                 "The data file to look for the script in first."}});

/// The node of the named entity of the scene, or empty when there is none.
std::shared_ptr<SceneNode> parentNode(const std::shared_ptr<SceneManager>& scene, const std::string& parent)
{
    if (parent.empty())
        return nullptr;
    const std::shared_ptr<Entity> entity = scene->getEntity(parent);
    return entity ? entity->getSceneNode() : nullptr;
}

/// The resource, loaded, or empty when there is none or it failed to load.
template <class T>
std::shared_ptr<T> loadedWithoutError(const std::shared_ptr<T>& resource)
{
    if (!resource)
        return nullptr;
    resource->load();
    return resource->wasLoadError() ? nullptr : resource;
}

void playScript(const std::shared_ptr<EventScript>& script, const std::shared_ptr<SceneManager>& scene)
{
    if (!script || !scene)
        return;
    script->load();
    scene->addProcess(script->createProcess(scene));
}

}

void TemplateInstantiator::carryOut(const TemplateInstantiationActionEvent& action,
                                    const std::shared_ptr<SceneManager>& scene)
{
    const TemplateInstantiation& event = action.fields;
    if (event.kind == TemplateInstantiation::Kind::Scene)
    {
        const std::shared_ptr<SceneTemplate> sceneTemplate =
            loadedWithoutError(SceneTemplateManager::getSingleton().loadTemplate(event.templateName, event.file));
        if (!sceneTemplate)
            return;
        if (const std::shared_ptr<SceneNode> parent = parentNode(scene, event.parent))
            sceneTemplate->createSceneInNode(parent, event.position, event.orientation, event.scale);
        else
            sceneTemplate->createSceneInManager(scene, event.position, event.orientation, event.scale);
        return;
    }
    const std::shared_ptr<EntityTemplate> entityTemplate =
        loadedWithoutError(EntityTemplateManager::getSingleton().loadTemplate(event.templateName, event.file));
    if (!entityTemplate)
        return;
    const std::shared_ptr<Entity> entity = entityTemplate->createEntity(ParameterList(), event.entityName);
    if (!entity)
        return;
    const std::shared_ptr<SceneNode> node = SceneNode::createNew(event.position, event.orientation, event.scale);
    node->attach(entity);
    // Looked up after the entity was made: its components may have changed the scene.
    if (const std::shared_ptr<SceneNode> parent = parentNode(scene, event.parent))
        parent->addChild(node, false);
    else
        scene->addNode(node);
}

void ComponentAdder::carryOut(const ComponentAdderActionEvent& action, const std::shared_ptr<SceneManager>& scene)
{
    const ComponentAddition& event = action.fields;
    const std::shared_ptr<Entity> target = scene->getEntity(event.entityName);
    if (!target || target.get() == getOwnerPointer())
        return;
    switch (event.action)
    {
    case ComponentAddition::Action::AddComponent:
    {
        // The template is held (with its file) even when no type says what to take from it.
        const std::shared_ptr<EntityTemplate> entityTemplate =
            EntityTemplateManager::getSingleton().loadTemplate(event.templateName, event.file);
        if (!event.componentType.empty() && loadedWithoutError(entityTemplate))
            target->addComponent(entityTemplate->createComponent(event.componentType, ParameterList()));
        break;
    }
    case ComponentAddition::Action::RemoveComponent:
        if (!event.componentType.empty())
            if (const std::shared_ptr<Component> component = Component::getComponent(event.componentType, target.get()))
                target->removeComponent(component);
        break;
    case ComponentAddition::Action::RemoveEntity:
        if (const std::shared_ptr<SceneNode> node = target->getSceneNode())
            node->detachEntity();
        break;
    case ComponentAddition::Action::KillEntity:
        target->kill();
        break;
    }
}

void ScriptRunner::carryOut(const ScriptRunnerActionEvent& action, const std::shared_ptr<SceneManager>& scene)
{
    const ScriptRun& event = action.fields;
    playScript(EventScriptManager::getSingleton().loadScript(event.scriptName, event.file), scene);
}

RunScriptWhenAdded::RunScriptWhenAdded(const std::string& scriptName, const std::string& file)
    : script(EventScriptManager::getSingleton().loadScript(scriptName, file))
{
    if (script)
        script->load();
}

std::shared_ptr<Component> RunScriptWhenAdded::createNew(const ParameterList& params) const
{
    std::string file;
    params.get("file", file);
    return std::make_shared<RunScriptWhenAdded>(params.getThrowOnFail("script"), file);
}

std::shared_ptr<Component> RunScriptWhenAdded::createCopy() const
{
    auto copy = std::make_shared<RunScriptWhenAdded>();
    copy->script = script;
    return copy;
}

void RunScriptWhenAdded::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                        const std::shared_ptr<SceneManager>&)
{
    playScript(script, newManager);
}

}
