#pragma once
// The action event that steers a pathfinder through its entity: posted, or
// queued for its time, on the entity, it sets the destination (a point, or an
// entity to follow), clears it, or starts and stops the walk. Event scripts
// make it by the name "PathfinderAction" and name the entity to follow; game
// code may hand the entity itself.
//
// The event only observes an entity it is handed: an event waiting in the
// queue of the very entity it names must not keep that entity alive.

#include "core/math/Vector2.h"
#include "scene/templates/ActionEvents.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class Entity;
class SceneManager;

/// The fields of a pathfinder action event; the action is a PathfinderActionEvent::Action.
struct PathfinderAction
{
    Vector2 position = Vector2::ZERO;
    std::weak_ptr<Entity> entity;   // taken from the entity's own self pointer
    std::string entityName;
    std::uint32_t action = 0;
};

class PathfinderActionEvent : public ActionEvent<PathfinderActionEvent, PathfinderAction>
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "PathfinderAction";

    enum Action : std::uint32_t
    {
        SET_VEC_DEST = 0,
        SET_ENT_DEST = 1,
        CLEAR_DEST = 2,
        START_PATHING = 3,
        STOP_PATHING = 4,
        SET_VEC_DEST_AND_START = 5,
        SET_ENT_DEST_AND_START = 6
    };

    using ActionEvent::ActionEvent;
    /// Refuses a position or a time that is not finite.
    PathfinderActionEvent(Action action, const Vector2& position, const std::shared_ptr<Entity>& entity, double time);
    PathfinderActionEvent(Action action, const Vector2& position, const std::string& entityName, double time);

    /// From "action" (one of the seven words), "position", "time" and "entity" (a name).
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;

    Action getAction() const { return static_cast<Action>(fields.action); }
    const Vector2& getPosition() const { return fields.position; }
    /// The entity handed to the event while it lives, else the entity of that name in the scene (none for no name).
    std::shared_ptr<Entity> findTarget(const SceneManager& scene) const;
};

}
