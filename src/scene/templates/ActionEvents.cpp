#include "scene/templates/ActionEvents.h"

#include "core/ParameterList.h"

#include <stdexcept>

namespace Tarnu
{

namespace
{

double timeParameter(const ParameterList& params)
{
    double time = 0.0;
    params.get("time", time);
    return time;
}

}

std::shared_ptr<FactoryEvent> TemplateInstantiationActionEvent::createNew(const ParameterList& params) const
{
    const std::string& type = params.getThrowOnFail("type");
    if (type != "Scene" && type != "Entity")
        throw std::runtime_error("Invalid type for parameter template.");
    TemplateInstantiation made;
    made.kind = type == "Scene" ? TemplateInstantiation::Kind::Scene : TemplateInstantiation::Kind::Entity;
    made.templateName = params.getThrowOnFail("template");
    params.get("name", made.entityName);
    params.get("file", made.file);
    params.get("parent", made.parent);
    params.get("pos", made.position);
    params.get("ori", made.orientation);
    params.get("scl", made.scale);
    return std::make_shared<TemplateInstantiationActionEvent>(timeParameter(params), made);
}

std::shared_ptr<FactoryEvent> ComponentAdderActionEvent::createNew(const ParameterList& params) const
{
    const std::string& word = params.getThrowOnFail("action");
    ComponentAddition made;
    if (word == "AddComponent")
        made.action = ComponentAddition::Action::AddComponent;
    else if (word == "RemoveComponent")
        made.action = ComponentAddition::Action::RemoveComponent;
    else if (word == "RemoveEntity")
        made.action = ComponentAddition::Action::RemoveEntity;
    else if (word == "KillEntity")
        made.action = ComponentAddition::Action::KillEntity;
    else
        throw std::runtime_error("Invalid parameter for action.");
    params.get("entity", made.entityName);
    params.get("template", made.templateName);
    params.get("type", made.componentType);
    params.get("file", made.file);
    return std::make_shared<ComponentAdderActionEvent>(timeParameter(params), made);
}

std::shared_ptr<FactoryEvent> ScriptRunnerActionEvent::createNew(const ParameterList& params) const
{
    ScriptRun made;
    params.get("script", made.scriptName);
    params.get("file", made.file);
    return std::make_shared<ScriptRunnerActionEvent>(timeParameter(params), made);
}

}
