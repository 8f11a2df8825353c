#pragma once
// A one-shot effect (an explosion, a puff of smoke): the component kills its
// entity as soon as any of the entity's animations ends. Killing only queues
// the entity's node for removal, so the entity goes at the end of the scene
// update that delivered the event.

#include "render/animation/AnimationEvents.h"
#include "scene/ComponentClass.h"

namespace Tarnu
{

class AnimateAndDie : public ComponentClass<AnimateAndDie>, public AnimationListener
{
public:
    static inline const std::string FACTORY_TYPE = "AnimateAndDie";

    /// Takes no parameters.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;

    void animationStarted(const std::shared_ptr<AnimationEvent>& event) override {}
    void animationEnded(const std::shared_ptr<AnimationEvent>& event) override;
};

}
