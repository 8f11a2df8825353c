#include "render/animation/AnimateAndDie.h"

#include "core/ParameterTable.h"
#include "scene/Entity.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::COMPONENT, "AnimateAndDie", {});

}

std::shared_ptr<Component> AnimateAndDie::createNew(const ParameterList&) const
{
    return std::make_shared<AnimateAndDie>();
}

std::shared_ptr<Component> AnimateAndDie::createCopy() const
{
    return std::make_shared<AnimateAndDie>();
}

void AnimateAndDie::entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity)
{
    if (oldEntity)
        oldEntity->removeEventListener(this);
    if (newEntity)
        newEntity->addEventListener(this);
}

void AnimateAndDie::animationEnded(const std::shared_ptr<AnimationEvent>&)
{
    if (const std::shared_ptr<Entity> entity = getEntity())
        entity->kill();
}

}
