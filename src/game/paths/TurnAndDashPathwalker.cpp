#include "game/paths/TurnAndDashPathwalker.h"

#include "core/EngineWarning.h"
#include "core/OwnedReferences.h"
#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "game/physics/Movable.h"
#include "render/animation/AnimationEvents.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::COMPONENT, "TurnAndDashPathwalker",
                                {{"rotSpeed", ParameterFormat::NUMBER, ParameterTable::REQUIRED,
                                  "How fast it turns towards the next point, in radians per second, above 0."},
                                 {"transSpeed", ParameterFormat::NUMBER, ParameterTable::REQUIRED,
                                  "How fast it walks, in world units per second, above 0."}});

const std::string STANDING = "standing";
const std::string WALKING = "walking";

bool validSpeed(double speed)
{
    return std::isfinite(speed) && speed > 0.0;
}

}

TurnAndDashPathwalker::TurnAndDashPathwalker(double rotSpeed, double transSpeed)
    : rotSpeed(rotSpeed), transSpeed(transSpeed)
{
    // The phases last a distance over a speed: an infinite speed would dash to NaN,
    // and a dash is a velocity, whose length must be a number too.
    if (!validSpeed(rotSpeed) || !validSpeed(transSpeed) || !std::isfinite(transSpeed * transSpeed))
        throw std::runtime_error("invalid speed argumenets for TurnAndDashPathwalker");
}

std::shared_ptr<Component> TurnAndDashPathwalker::createNew(const ParameterList& params) const
{
    double readRotSpeed = 0.0;
    double readTransSpeed = 0.0;
    params.getThrowOnFail("rotSpeed", readRotSpeed, "");
    params.getThrowOnFail("transSpeed", readTransSpeed, "");
    return std::make_shared<TurnAndDashPathwalker>(readRotSpeed, readTransSpeed);
}

std::shared_ptr<Component> TurnAndDashPathwalker::createCopy() const
{
    return std::make_shared<TurnAndDashPathwalker>(rotSpeed, transSpeed);
}

void TurnAndDashPathwalker::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                           const std::shared_ptr<SceneManager>& oldManager)
{
    if (oldManager)
    {
        // Now, while the movable is known: the process ends only after the old scene's pass.
        halt();
        killProcess();
        movable.reset();
    }
    if (!newManager)
        return;
    if (const std::shared_ptr<TurnAndDashPathwalker> self = getFor(getOwnerPointer()); self.get() == this)
        newManager->addProcess(self);
}

void TurnAndDashPathwalker::setPath(const std::shared_ptr<const PathNode>& newPath, std::uint32_t count)
{
    const std::shared_ptr<const PathNode> taken = count == 0 ? nullptr : newPath;
    if (taken && !getSceneManagerPointer())
        return;
    // Also for a stop on the very path walked: it must not leave the entity dashing.
    if (taken != path)
        processTerminated();
    path = taken;
    remaining = count;
}

void TurnAndDashPathwalker::giveUp(const Vector2& waypoint)
{
    const std::shared_ptr<Entity> entity = getEntity();
    std::ostringstream message;
    message << "the path walker of entity '" << (entity ? entity->getName() : "") << "' gave up its path: the way to "
            << waypoint << " cannot be measured in finite numbers.";
    logEngineWarning(message.str());
    // Idle, as after a stop: a finder that sends it off again is heard afresh.
    processTerminated();
    path.reset();
    remaining = 0;
}

void TurnAndDashPathwalker::halt()
{
    if (!movable)
        return;
    movable->setVelocity(Vector2::ZERO);
    movable->setRotationalVelocity(0.0);
}

void TurnAndDashPathwalker::processTerminated()
{
    halt();
    phase = Phase::AboutToTurn;
    queueAnimation(STANDING);
}

void TurnAndDashPathwalker::queueAnimation(const std::string& name) const
{
    if (const std::shared_ptr<Entity> entity = getEntity())
        entity->queueEvent(AnimationActionEvent::setAnimation(name));
}

void TurnAndDashPathwalker::updateProcess(double dt)
{
    const Movable* before = movable.get();
    Movable::refresh(movable, getOwnerPointer());
    // A movable that went, or came in another's place, is not the one this walk was steering.
    if (movable.get() != before)
        phase = Phase::AboutToTurn;
    SceneNode* node = getSceneNodePointer();
    if (!movable || !node || !path || !path->point)
        return;
    timer -= dt;
    const Vector2 position = node->getWorldPosition();

    if (phase == Phase::AboutToTurn)
    {
        const Vector2 offset = *path->point - position;
        const double distance = std::hypot(offset.x, offset.y);
        if (!std::isfinite(distance))
        {
            giveUp(*path->point);
            return;
        }
        if (distance == 0.0)
        {
            // Already there: no heading to turn to, and it arrives below.
            timer = 0.0;
            phase = Phase::Dashing;
        }
        else
        {
            queueAnimation(STANDING);
            direction = offset / distance;
            const Complex& o = node->getWorldOrientation();
            // The angle of the heading less the direction's, in (-pi, pi]: above 0 turns clockwise.
            const double angle =
                std::atan2(o.i * direction.x - o.r * direction.y, o.r * direction.x + o.i * direction.y);
            movable->setRotationalVelocity(angle > 0.0 ? -rotSpeed : rotSpeed);
            timer = std::abs(angle) / rotSpeed;
            phase = Phase::Turning;
        }
    }
    if (phase == Phase::Turning && timer <= 0.0)
    {
        queueAnimation(WALKING);
        movable->setRotationalVelocity(0.0);
        const Vector2 offset = *path->point - position;
        timer = std::hypot(offset.x, offset.y) / transSpeed;
        // Exactly onto the heading: the last step of the turn overshoots.
        if (!std::isfinite(timer) || !node->trySetOrientation(Complex(direction.x, direction.y), SceneNode::WORLD))
        {
            giveUp(*path->point);
            return;
        }
        movable->setVelocity(direction * transSpeed);
        phase = Phase::Dashing;
    }
    if (phase == Phase::Dashing && timer <= 0.0)
    {
        queueAnimation(STANDING);
        movable->setVelocity(Vector2::ZERO);
        phase = Phase::AboutToTurn;
        if (--remaining != 0 && path->next && path->next->point)
        {
            path = path->next;
            return;
        }
        const auto done = std::make_shared<PathwalkerEvent>(getCurrentTime(), path, true);
        path.reset();
        if (const std::shared_ptr<Entity> entity = getEntity())
            entity->postEvent(done);
    }
}

void TurnAndDashPathwalker::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(movable);
}

}
