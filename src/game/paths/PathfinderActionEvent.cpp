#include "game/paths/PathfinderActionEvent.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/FiniteCheck.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

#include <array>
#include <stdexcept>

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::EVENT, "PathfinderAction",
                                {{"action",
                                  ParameterFormat::oneOf({"SetVecDest", "SetEntDest", "ClearDest", "StartPathing",
                                                          "StopPathing", "SetVecDestAndStart", "SetEntDestAndStart"}),
                                  ParameterTable::REQUIRED, "What the pathfinder on the entity does."},
                                 {"position", ParameterFormat::VECTOR2, "<0,0>",
                                  "The point to walk to (SetVecDest, SetVecDestAndStart)."},
                                 eventTimeParameter(),
                                 {"entity", ParameterFormat::TEXT, "empty",
                                  "The name of the entity to walk to (SetEntDest, SetEntDestAndStart)."}});

}

PathfinderActionEvent::PathfinderActionEvent(Action action, const Vector2& position,
                                             const std::shared_ptr<Entity>& entity, double time)
    : ActionEvent(time, PathfinderAction{requireFinite(position, "position"),
                                         entity ? entity->getSelf() : nullptr, "", action})
{
}

PathfinderActionEvent::PathfinderActionEvent(Action action, const Vector2& position, const std::string& entityName,
                                             double time)
    : ActionEvent(time, PathfinderAction{requireFinite(position, "position"), {}, entityName, action})
{
}

std::shared_ptr<FactoryEvent> PathfinderActionEvent::createNew(const ParameterList& params) const
{
    static const std::array<const char*, 7> words = {"SetVecDest",   "SetEntDest",         "ClearDest",
                                                     "StartPathing", "StopPathing",        "SetVecDestAndStart",
                                                     "SetEntDestAndStart"};
    const std::string& word = params.get("action");
    std::size_t action = 0;
    while (action < words.size() && word != words[action])
        ++action;
    if (action == words.size())
        throw std::runtime_error("invalid action: " + word);
    // A position that is there but unreadable would send the entity to the origin unnoticed.
    Vector2 position;
    if (params.contains("position"))
        params.getThrowOnFail("position", position, "");
    double time = 0.0;
    params.get("time", time);
    return std::make_shared<PathfinderActionEvent>(static_cast<Action>(action), position, params.get("entity"), time);
}

std::shared_ptr<Entity> PathfinderActionEvent::findTarget(const SceneManager& scene) const
{
    if (std::shared_ptr<Entity> target = fields.entity.lock())
        return target;
    // Unnamed entities are many; the first of them filed under "" is nobody's target.
    return fields.entityName.empty() ? nullptr : scene.getEntity(fields.entityName);
}

}
