#pragma once
// The action events that data uses to steer a scene. Event scripts make them
// by factory name ("TemplateInstantiation", "ComponentAddition",
// "ScriptRunner") from the Param children of their Event elements; the scene
// action components carry them out. They are immutable once made.

#include "core/Event.h"
#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

/// Makes an entity from an entity template, or a scene from a scene
/// template, optionally under the node of a named entity.
class TemplateInstantiationActionEvent : public FactoryEvent
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "TemplateInstantiation";

    enum class Kind
    {
        Entity = 0,
        Scene = 1
    };

    explicit TemplateInstantiationActionEvent(double time = 0.0) : FactoryEvent(TYPE, time) {}

    const std::string& getFactoryType() const override { return FACTORY_TYPE; }
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;
    std::shared_ptr<FactoryEvent> createCopy(double time) const override;

    Kind kind = Kind::Entity;
    std::string templateName;
    std::string entityName;
    std::string file;
    std::string parent;
    Vector2 position = Vector2::ZERO;
    Complex orientation = Complex::IDENTITY;
    Scale scale = Scale::IDENTITY;

private:
    TemplateInstantiationActionEvent(const TemplateInstantiationActionEvent& other, double time);
};

/// Adds or removes a component of a named entity, or removes or kills the entity.
class ComponentAdderActionEvent : public FactoryEvent
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "ComponentAddition";

    enum class Action
    {
        AddComponent = 0,
        RemoveComponent = 1,
        RemoveEntity = 2,
        KillEntity = 3
    };

    explicit ComponentAdderActionEvent(double time = 0.0) : FactoryEvent(TYPE, time) {}

    const std::string& getFactoryType() const override { return FACTORY_TYPE; }
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;
    std::shared_ptr<FactoryEvent> createCopy(double time) const override;

    Action action = Action::AddComponent;
    std::string entityName;
    std::string templateName;
    std::string componentType;
    std::string file;

private:
    ComponentAdderActionEvent(const ComponentAdderActionEvent& other, double time);
};

/// Starts a playing of an event script in the scene.
class ScriptRunnerActionEvent : public FactoryEvent
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "ScriptRunner";

    explicit ScriptRunnerActionEvent(double time = 0.0) : FactoryEvent(TYPE, time) {}

    const std::string& getFactoryType() const override { return FACTORY_TYPE; }
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;
    std::shared_ptr<FactoryEvent> createCopy(double time) const override;

    std::string scriptName;
    std::string file;

private:
    ScriptRunnerActionEvent(const ScriptRunnerActionEvent& other, double time);
};

}
