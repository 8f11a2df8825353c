#pragma once
// The action events that data uses to steer a scene. Event scripts make them
// by factory name ("TemplateInstantiation", "ComponentAddition",
// "ScriptRunner") from the Param children of their Event elements; the scene
// action components carry them out. An action event's fields are fixed when
// it is made: a copy for a later time carries the same fields.

#include "core/Event.h"
#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

/// What every action event shares: its factory name, its type number and its copies.
template <class Derived, class Fields>
class ActionEvent : public FactoryEvent
{
public:
    explicit ActionEvent(double time = 0.0, const Fields& fields = Fields())
        : FactoryEvent(Derived::TYPE, time), fields(fields)
    {
    }

    const std::string& getFactoryType() const override { return Derived::FACTORY_TYPE; }
    std::shared_ptr<FactoryEvent> createCopy(double time) const override
    {
        return std::make_shared<Derived>(time, fields);
    }

    const Fields fields;
};

struct TemplateInstantiation
{
    enum class Kind
    {
        Entity = 0,
        Scene = 1
    };

    Kind kind = Kind::Entity;
    std::string templateName;
    std::string entityName;
    std::string file;
    std::string parent;   // an entity of the scene under whose node the result goes
    Vector2 position = Vector2::ZERO;
    Complex orientation = Complex::IDENTITY;
    Scale scale = Scale::IDENTITY;
};

/// Makes an entity from an entity template, or a scene from a scene template.
class TemplateInstantiationActionEvent
    : public ActionEvent<TemplateInstantiationActionEvent, TemplateInstantiation>
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "TemplateInstantiation";

    using ActionEvent::ActionEvent;
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;
};

struct ComponentAddition
{
    enum class Action
    {
        AddComponent = 0,
        RemoveComponent = 1,
        RemoveEntity = 2,
        KillEntity = 3
    };

    Action action = Action::AddComponent;
    std::string entityName;
    std::string templateName;
    std::string componentType;
    std::string file;
};

/// Adds or removes a component of a named entity, or removes or kills the entity.
class ComponentAdderActionEvent : public ActionEvent<ComponentAdderActionEvent, ComponentAddition>
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "ComponentAddition";

    using ActionEvent::ActionEvent;
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;
};

struct ScriptRun
{
    std::string scriptName;
    std::string file;
};

/// Starts a playing of an event script in the scene.
class ScriptRunnerActionEvent : public ActionEvent<ScriptRunnerActionEvent, ScriptRun>
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "ScriptRunner";

    using ActionEvent::ActionEvent;
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;
};

}
