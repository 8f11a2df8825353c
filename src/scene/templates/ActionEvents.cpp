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

TemplateInstantiationActionEvent::TemplateInstantiationActionEvent(const TemplateInstantiationActionEvent& other,
                                                                   double time)
    : FactoryEvent(TYPE, time),
      kind(other.kind),
      templateName(other.templateName),
      entityName(other.entityName),
      file(other.file),
      parent(other.parent),
      position(other.position),
      orientation(other.orientation),
      scale(other.scale)
{
}

std::shared_ptr<FactoryEvent> TemplateInstantiationActionEvent::createNew(const ParameterList& params) const
{
    const std::string& type = params.getThrowOnFail("type");
    if (type != "Scene" && type != "Entity")
        throw std::runtime_error("Invalid type for parameter template.");
    auto made = std::make_shared<TemplateInstantiationActionEvent>(timeParameter(params));
    made->kind = type == "Scene" ? Kind::Scene : Kind::Entity;
    made->templateName = params.getThrowOnFail("template");
    params.get("name", made->entityName);
    params.get("file", made->file);
    params.get("parent", made->parent);
    params.get("pos", made->position);
    params.get("ori", made->orientation);
    params.get("scl", made->scale);
    return made;
}

std::shared_ptr<FactoryEvent> TemplateInstantiationActionEvent::createCopy(double time) const
{
    return std::shared_ptr<FactoryEvent>(new TemplateInstantiationActionEvent(*this, time));
}

ComponentAdderActionEvent::ComponentAdderActionEvent(const ComponentAdderActionEvent& other, double time)
    : FactoryEvent(TYPE, time),
      action(other.action),
      entityName(other.entityName),
      templateName(other.templateName),
      componentType(other.componentType),
      file(other.file)
{
}

std::shared_ptr<FactoryEvent> ComponentAdderActionEvent::createNew(const ParameterList& params) const
{
    const std::string& word = params.getThrowOnFail("action");
    Action action;
    if (word == "AddComponent")
        action = Action::AddComponent;
    else if (word == "RemoveComponent")
        action = Action::RemoveComponent;
    else if (word == "RemoveEntity")
        action = Action::RemoveEntity;
    else if (word == "KillEntity")
        action = Action::KillEntity;
    else
        throw std::runtime_error("Invalid parameter for action.");
    auto made = std::make_shared<ComponentAdderActionEvent>(timeParameter(params));
    made->action = action;
    params.get("entity", made->entityName);
    params.get("template", made->templateName);
    params.get("type", made->componentType);
    params.get("file", made->file);
    return made;
}

std::shared_ptr<FactoryEvent> ComponentAdderActionEvent::createCopy(double time) const
{
    return std::shared_ptr<FactoryEvent>(new ComponentAdderActionEvent(*this, time));
}

ScriptRunnerActionEvent::ScriptRunnerActionEvent(const ScriptRunnerActionEvent& other, double time)
    : FactoryEvent(TYPE, time), scriptName(other.scriptName), file(other.file)
{
}

std::shared_ptr<FactoryEvent> ScriptRunnerActionEvent::createNew(const ParameterList& params) const
{
    auto made = std::make_shared<ScriptRunnerActionEvent>(timeParameter(params));
    params.get("script", made->scriptName);
    params.get("file", made->file);
    return made;
}

std::shared_ptr<FactoryEvent> ScriptRunnerActionEvent::createCopy(double time) const
{
    return std::shared_ptr<FactoryEvent>(new ScriptRunnerActionEvent(*this, time));
}

}
