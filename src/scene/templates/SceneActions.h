#pragma once
// The components that carry out action events in a running scene: the
// template instantiator makes entities and scenes from templates, the
// component adder adds and removes components and removes or kills entities,
// the script runner starts event scripts. RunScriptWhenAdded plays one script
// each time its entity joins a scene. Each acts in its own entity's scene.

#include "scene/templates/ActionEvents.h"
#include "scene/templates/SceneActionListener.h"

#include <memory>
#include <string>

namespace Tarnu
{

class EventScript;

class TemplateInstantiator : public SceneActionListener<TemplateInstantiator, TemplateInstantiationActionEvent>
{
public:
    static inline const std::string FACTORY_TYPE = "TemplateInstantiator";

    void carryOut(const TemplateInstantiationActionEvent& event, const std::shared_ptr<SceneManager>& scene);
};

class ComponentAdder : public SceneActionListener<ComponentAdder, ComponentAdderActionEvent>
{
public:
    static inline const std::string FACTORY_TYPE = "ComponentAdder";

    void carryOut(const ComponentAdderActionEvent& event, const std::shared_ptr<SceneManager>& scene);
};

class ScriptRunner : public SceneActionListener<ScriptRunner, ScriptRunnerActionEvent>
{
public:
    static inline const std::string FACTORY_TYPE = "ScriptRunner";

    void carryOut(const ScriptRunnerActionEvent& event, const std::shared_ptr<SceneManager>& scene);
};

class RunScriptWhenAdded : public ComponentClass<RunScriptWhenAdded>
{
public:
    static inline const std::string FACTORY_TYPE = "RunScriptWhenAdded";

    /// The prototype: plays nothing.
    RunScriptWhenAdded() = default;
    /// Loads the script now, so that its errors show when the component is made.
    RunScriptWhenAdded(const std::string& scriptName, const std::string& file);

    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;

private:
    std::shared_ptr<EventScript> script;
};

}
