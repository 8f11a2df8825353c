#pragma once
// The engine's pathfinder: its path is one waypoint, the destination itself.
// Following an entity, it plans for where the target stands and, each time the
// walker arrives, plans again if the target has moved; the chase ends, with a
// PathfinderEvent, once a trip ends where the target still stands, or when the
// target is gone or has left the scene.
//
// The waypoint is shared with the walker and written in place: a new plan
// always stops the walker first, so a walk never sees its point move.

#include "game/paths/Pathfinder.h"
#include "game/paths/Pathwalker.h"

#include <memory>

namespace Tarnu
{

class StraightLinePathfinder : public ComponentClass<StraightLinePathfinder, Pathfinder>, public PathwalkerListener
{
public:
    static inline const std::string FACTORY_TYPE = "StraightLinePathfinder";

    StraightLinePathfinder();

    /// Reads nothing.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    /// A pathfinder in its first state: nothing is copied.
    std::shared_ptr<Component> createCopy() const override;
    /// Leaving an entity stops the walk and forgets the destination.
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;

    /// A target in another scene than the pathfinder's leaves it without destination.
    void setDest(const std::shared_ptr<Entity>& entity) override;
    void setDest(const Vector2& point) override;
    /// Stops; the followed entity is kept.
    void clearDest() override;
    const Vector2& getDest() const override { return *destPoint; }
    std::weak_ptr<Entity> getDestEntity() const override { return destEntity; }
    void start() override;
    void stop() override;
    Vector2 getDestOffset() const override;

    /// Sends the walker on again.
    void pathAborted(const std::shared_ptr<const PathNode>& walked) override;
    /// Plans again for a target that moved; otherwise queues the PathfinderEvent.
    void pathCompleted(const std::shared_ptr<const PathNode>& walked) override;
    /// The walker it keeps.
    void forEachOwned(ReferenceVisitor& visitor) const override;

private:
    /// Whether the target is where this pathfinder can follow it: in its scene, or both in none.
    bool inReach(const Entity& target) const;

    std::weak_ptr<Entity> destEntity;
    const std::shared_ptr<Vector2> destPoint;
    const std::shared_ptr<const PathNode> path;
    std::shared_ptr<Pathwalker> walker;   // the entity's, refreshed before use
    Vector2 lastTargetPosition;
    bool hasDest = false;
};

}
