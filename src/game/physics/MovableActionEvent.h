#pragma once
// The action event that steers a movable through its entity: posted, or queued
// for its time, on the entity, it sets, adds to, scales or turns the velocity,
// sets or scales the rotational velocity, or sets the mass. It is a factory
// event under the name "MovableAction", though start-up does not register it.

#include "core/math/Vector2.h"
#include "scene/templates/ActionEvents.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

namespace Tarnu
{

/// The fields of a movable action event; the action is a MovableActionEvent::Action.
struct MovableAction
{
    std::uint32_t action = 0;
    Vector2 vector = Vector2::ZERO;
    double real = 0.0;
};

class MovableActionEvent : public ActionEvent<MovableActionEvent, MovableAction>
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "MovableAction";

    enum Action : std::uint32_t
    {
        SET_VELOCITY = 0,
        ADD_VELOCITY = 1,
        SCALE_VELOCITY = 2,
        ROTATE_VELOCITY = 3,
        SET_ROT_VELOCITY = 4,
        SCALE_ROT_VELOCITY = 5,
        SET_MASS = 6
    };

    using ActionEvent::ActionEvent;
    /// Refuses a vector, real or time that is not finite.
    MovableActionEvent(Action action, const Vector2& vector, double real, double time);

    /// From "action" (required), "vector", "real" and "time".
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;

    Action getAction() const { return static_cast<Action>(fields.action); }
    const Vector2& getVector() const { return fields.vector; }
    double getReal() const { return fields.real; }
};

/// Reads "SetVelocity", "AddVelocity", "ScaleVelocity", "RotateVelocity",
/// "SetRotationalVelocity", "ScaleRotationalVelocity" or "SetMass"; any other word fails the stream.
std::istream& operator>>(std::istream& stream, MovableActionEvent::Action& action);

}
