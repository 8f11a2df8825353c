#include "scene/templates/ActionEvents.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"

#include <stdexcept>

namespace Tarnu
{

namespace
{

using namespace ParameterFormat;

const ParameterDoc TIME = eventTimeParameter();
const ParameterDoc FILE{"file", TEXT, "empty", "The data file to look for the template or script in first."};

const ParameterTable INSTANTIATION_PARAMETERS(
    ParameterTable::EVENT, "TemplateInstantiation",
    {{"type", oneOf({"Entity", "Scene"}), ParameterTable::REQUIRED,
      "Whether template is an entity or a scene template."},
     {"template", TEXT, ParameterTable::REQUIRED, "The template to make."},
     {"name", TEXT, "empty, for a name of the engine's", "The name of the new entity (Entity only)."},
     TIME,
     FILE,
     {"parent", TEXT, "empty: the top of the scene", "The name of the entity under whose node the result goes."},
     {"pos", VECTOR2, "<0,0>", "The position of the result."},
     {"ori", ANGLE, "0 (not turned)", "Its orientation."},
     {"scl", SCALE, "(1,1)", "Its scale."}});

const ParameterTable ADDITION_PARAMETERS(
    ParameterTable::EVENT, "ComponentAddition",
    {{"action", oneOf({"AddComponent", "RemoveComponent", "RemoveEntity", "KillEntity"}), ParameterTable::REQUIRED,
      "What the component adder of the scene does to the entity."},
     {"entity", TEXT, "empty", "The name of the entity of the scene it acts on."},
     {"template", TEXT, "empty", "The entity template whose component of that type is added (AddComponent)."},
     {"type", TEXT, "empty", "The component type added or removed."},
     FILE,
     TIME});

const ParameterTable RUN_PARAMETERS(ParameterTable::EVENT, "ScriptRunner",
                                    {{"script", TEXT, "empty",
                                      "The event script the script runner of the scene "
                                      "plays."},
                                     FILE,
                                     TIME});

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
