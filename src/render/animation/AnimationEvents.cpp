#include "render/animation/AnimationEvents.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/FiniteCheck.h"

#include <stdexcept>

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(
    ParameterTable::EVENT, "AnimationAction",
    {{"action", ParameterFormat::oneOf({"SetAnimation", "SetPosition"}), ParameterTable::REQUIRED,
      "SetAnimation plays the animation called name from pos seconds in; SetPosition jumps the animation playing to "
      "pos seconds in."},
     eventTimeParameter(),
     {"name", ParameterFormat::TEXT, ParameterTable::REQUIRED, "The animation to play (SetAnimation reads it)."},
     {"pos", ParameterFormat::NUMBER, "0 (SetPosition requires it)", "Seconds into the animation."}});

}

void AnimationListener::handleEvent(const std::shared_ptr<Event>& event)
{
    const std::shared_ptr<AnimationEvent> animation = std::dynamic_pointer_cast<AnimationEvent>(event);
    if (!animation)
        return;
    if (animation->hasEnded())
        animationEnded(animation);
    else
        animationStarted(animation);
}

AnimationActionEvent::AnimationActionEvent(double time, const AnimationAction& fields) : ActionEvent(time, fields)
{
    requireFinite(fields.position, "position");
}

std::shared_ptr<AnimationActionEvent> AnimationActionEvent::setAnimation(const std::string& name, double position)
{
    return std::make_shared<AnimationActionEvent>(0.0, AnimationAction{AnimationAction::SetAnimation, name, position});
}

std::shared_ptr<AnimationActionEvent> AnimationActionEvent::setPosition(double position)
{
    return std::make_shared<AnimationActionEvent>(0.0, AnimationAction{AnimationAction::SetPosition, "", position});
}

std::shared_ptr<FactoryEvent> AnimationActionEvent::createNew(const ParameterList& params) const
{
    const std::string& word = params.getThrowOnFail("action");
    AnimationAction made;
    if (word == "SetAnimation")
        made.action = AnimationAction::SetAnimation;
    else if (word == "SetPosition")
        made.action = AnimationAction::SetPosition;
    else
        throw std::runtime_error("Invalid type for action");
    double time = 0.0;
    params.get("time", time);
    if (made.action == AnimationAction::SetPosition)
        params.getThrowOnFail("pos", made.position, "");
    else
    {
        made.animationName = params.getThrowOnFail("name");
        params.get("pos", made.position);
    }
    return std::make_shared<AnimationActionEvent>(time, made);
}

}
