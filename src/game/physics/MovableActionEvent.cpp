#include "game/physics/MovableActionEvent.h"

#include "core/ParameterList.h"
#include "core/math/FiniteCheck.h"

#include <array>
#include <istream>

namespace Tarnu
{

MovableActionEvent::MovableActionEvent(Action action, const Vector2& vector, double real, double time)
    : ActionEvent(requireFinite(time, "time"),
                  MovableAction{action, requireFinite(vector, "vector"), requireFinite(real, "real")})
{
}

std::shared_ptr<FactoryEvent> MovableActionEvent::createNew(const ParameterList& params) const
{
    Action readAction = SET_VELOCITY;
    params.getThrowOnFail("action", readAction, "");
    Vector2 readVector;
    double readReal = 0.0;
    double time = 0.0;
    params.get("vector", readVector);
    params.get("real", readReal);
    params.get("time", time);
    return std::make_shared<MovableActionEvent>(readAction, readVector, readReal, time);
}

std::istream& operator>>(std::istream& stream, MovableActionEvent::Action& action)
{
    static const std::array<const char*, 7> words = {"SetVelocity",           "AddVelocity",
                                                     "ScaleVelocity",         "RotateVelocity",
                                                     "SetRotationalVelocity", "ScaleRotationalVelocity",
                                                     "SetMass"};
    std::string word;
    if (!(stream >> word))
        return stream;
    for (std::size_t i = 0; i < words.size(); ++i)
        if (word == words[i])
        {
            action = static_cast<MovableActionEvent::Action>(i);
            return stream;
        }
    stream.setstate(std::ios::failbit);
    return stream;
}

}
