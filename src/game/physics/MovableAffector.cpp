#include "game/physics/MovableAffector.h"

#include "core/math/FiniteCheck.h"
#include "game/physics/Movable.h"

#include <cmath>

namespace Tarnu
{

double MovableAffector::effectiveMass(const Movable& movable)
{
    const double mass = movable.getMass();
    return mass == 0.0 ? 1.0 : mass;
}

Force::Force(const Vector2& force, SceneNode::TransformSpace space)
    : MovableAffector(true), magnitude(requireFiniteLength(force, "force").magnitude()), space(space)
{
    direction = magnitude > 0.0 ? force / magnitude : Vector2::ZERO;
}

void Force::setMagnitude(double value)
{
    magnitude = requireFinite(value, "magnitude");
}

bool Force::apply(Movable& movable, double dt)
{
    Vector2 d = direction;
    if (SceneNode* node = movable.getSceneNodePointer())
    {
        if (space == SceneNode::LOCAL)
            d *= node->getOrientation();
        else if (space == SceneNode::PARENT)
            if (SceneNode* parent = node->getParentPointer())
                d *= parent->getWorldOrientation();
    }
    movable.getVelocity() += d * (magnitude * dt / effectiveMass(movable));
    return false;
}

TranslationalDecellerator::TranslationalDecellerator(double rate, bool shareable)
    : MovableAffector(shareable), rate(requireFinite(rate, "rate"))
{
}

void TranslationalDecellerator::setRate(double value)
{
    rate = requireFinite(value, "rate");
}

bool TranslationalDecellerator::apply(Movable& movable, double dt)
{
    const double cut = rate * dt / effectiveMass(movable);
    Vector2& velocity = movable.getVelocity();
    const double squared = velocity.x * velocity.x + velocity.y * velocity.y;
    // Past the range of the squares, hypot and plain sizes keep the heading that an infinite square would lose.
    const bool inRange = std::isfinite(squared);
    const double speed = inRange ? std::sqrt(squared) : std::hypot(velocity.x, velocity.y);
    const bool stops = inRange ? cut * cut > squared : std::abs(cut) > speed;
    // At rest there is no heading to keep: the movable stays at rest.
    if (stops || speed == 0.0)
        velocity = Vector2::ZERO;
    else
        velocity = velocity / speed * (speed - cut);
    movable.clearPendingOrientation();
    return false;
}

}
