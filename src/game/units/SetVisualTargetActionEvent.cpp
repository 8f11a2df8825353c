#include "game/units/SetVisualTargetActionEvent.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "scene/Entity.h"

#include <stdexcept>

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::EVENT, "SetVisualTarget",
                                {eventTimeParameter(),
                                 {"target", ParameterFormat::TEXT, "empty",
                                  "The name of the entity that the seeker on the entity watches for from then on."}});

SetVisualTarget watching(const std::shared_ptr<Entity>& entity)
{
    if (!entity)
        throw std::runtime_error("SetVisualTargetActionEvent: no entity to watch");
    return {entity->getSelf(), "", true};
}

}

SetVisualTargetActionEvent::SetVisualTargetActionEvent(const std::shared_ptr<Entity>& entity, double time)
    : ActionEvent(time, watching(entity))
{
}

std::shared_ptr<FactoryEvent> SetVisualTargetActionEvent::createNew(const ParameterList& params) const
{
    double time = 0.0;
    params.get("time", time);
    return std::make_shared<SetVisualTargetActionEvent>(params.get("target"), time);
}

std::optional<std::string> SetVisualTargetActionEvent::getTargetName() const
{
    if (!fields.byEntity)
        return fields.name;
    if (const std::shared_ptr<Entity> entity = fields.entity.lock())
        return entity->getName();
    return std::nullopt;
}

}
