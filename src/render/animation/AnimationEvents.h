#pragma once
// How animations meet the rest of the engine. An animatable queues an
// AnimationEvent on its entity when an animation starts and when a one-shot
// animation reaches its end; an AnimationListener splits them into started and
// ended calls. An AnimationActionEvent ("AnimationAction") posted or queued on
// an entity sets its animatable's animation or position, from event scripts,
// state machines and Python alike.

#include "core/EventListener.h"
#include "scene/templates/ActionEvents.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class AnimationEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    AnimationEvent(const std::string& animationName, bool ended, double time)
        : Event(TYPE, time), animationName(animationName), ended(ended)
    {
    }

    const std::string& getAnimationName() const { return animationName; }
    /// False when the animation started, true when it ended.
    bool hasEnded() const { return ended; }

private:
    const std::string animationName;
    const bool ended;
};

class AnimationListener : public EventListener
{
public:
    AnimationListener() : EventListener(AnimationEvent::TYPE) {}

    /// Another event under this type number (a script's bare Event) is ignored.
    void handleEvent(const std::shared_ptr<Event>& event) override;
    virtual void animationStarted(const std::shared_ptr<AnimationEvent>& event) = 0;
    virtual void animationEnded(const std::shared_ptr<AnimationEvent>& event) = 0;
};

struct AnimationAction
{
    enum Action : std::uint32_t
    {
        SetAnimation = 0,
        SetPosition = 1
    };

    Action action = SetAnimation;
    std::string animationName;
    /// Seconds: the time given to setAnimation, or the position to set.
    double position = 0.0;
};

class AnimationActionEvent : public ActionEvent<AnimationActionEvent, AnimationAction>
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "AnimationAction";

    /// Refuses a position (or, as every event, a time) that is not a finite number.
    AnimationActionEvent(double time = 0.0, const AnimationAction& fields = AnimationAction());

    /// A new event, due at once, that sets the animation at that time.
    static std::shared_ptr<AnimationActionEvent> setAnimation(const std::string& name, double position = 0.0);
    /// A new event, due at once, that sets the position.
    static std::shared_ptr<AnimationActionEvent> setPosition(double position);

    /// From "action" ("SetAnimation" or "SetPosition"), "time", and "name" and "pos" as the action needs.
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;
};

}
