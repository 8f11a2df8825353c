#pragma once
// The engine's walker: for each waypoint it turns the entity on the spot at a
// fixed angular speed, then dashes straight at a fixed speed, each phase timed
// in advance, by setting the velocities of the entity's Movable and letting the
// physics manager move the node. It is a process of its entity's scene from
// the moment the entity joins it, and queues the "standing" and "walking"
// animations on the entity as it stops and goes.
//
// Every way a walk ends (a new path, a stop, leaving the scene, a waypoint
// whose distance overflows) stops the entity: a movable is never left running
// at the dash's velocity, nor turning for ever. The event
// that reports a finished path is posted last in a step, since its listeners
// may change anything.

#include "core/Process.h"
#include "game/paths/Pathwalker.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Movable;

class TurnAndDashPathwalker : public ComponentClass<TurnAndDashPathwalker, Pathwalker>, public Process
{
public:
    static inline const std::string FACTORY_TYPE = "TurnAndDashPathwalker";

    /// Radians and world units per second; raises unless both are finite and above 0.
    explicit TurnAndDashPathwalker(double rotSpeed = 1.0, double transSpeed = 1.0);

    /// "rotSpeed" and "transSpeed", both required.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    /// The same speeds, idle.
    std::shared_ptr<Component> createCopy() const override;
    /// Leaves the old scene's processes and joins the new one's.
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;

    /// A new path is taken only while the entity is in a scene; a stop always is.
    void setPath(const std::shared_ptr<const PathNode>& path, std::uint32_t count) override;

    void updateProcess(double dt) override;
    /// Stops the entity and turns to the waypoint afresh when walking on.
    void processTerminated() override;
    /// The movable it keeps, found as a component or as a process.
    void forEachOwned(ReferenceVisitor& visitor) const override;

private:
    enum class Phase
    {
        AboutToTurn,
        Turning,
        Dashing
    };

    /// Both velocities of the movable, if any, to zero.
    void halt();
    /// Stops the walk, with a warning, when the way to the waypoint is past the range of numbers.
    void giveUp(const Vector2& waypoint);
    void queueAnimation(const std::string& name) const;

    std::shared_ptr<const PathNode> path;   // none while idle
    std::shared_ptr<Movable> movable;       // the entity's, refreshed before use
    Vector2 direction;
    std::uint32_t remaining = 0;
    double rotSpeed;
    double transSpeed;
    double timer = 0.0;
    Phase phase = Phase::AboutToTurn;
};

}
