#pragma once
// Influences that act on a movable once per physics step, before it moves: a
// constant force, or a decelerator that slows it down along its heading. A
// movable holds its affectors by shared pointer and marks itself as their
// owner; a non-shareable affector acts on one movable at a time. Both kinds
// divide by the movable's mass and treat a mass of zero as a mass of one, so a
// movable made without "mass" still answers to forces, and no step makes a NaN.

#include "core/math/Vector2.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

class Movable;

class MovableAffector
{
public:
    explicit MovableAffector(bool shareable) : shareable(shareable) {}
    MovableAffector(const MovableAffector&) = delete;
    MovableAffector& operator=(const MovableAffector&) = delete;
    virtual ~MovableAffector() = default;

    /// Acts for dt seconds; true when finished, and the movable then drops the affector.
    virtual bool apply(Movable& movable, double dt) = 0;
    /// A movable has just taken the affector.
    virtual void attached(Movable& movable) {}

    bool isShareable() const { return shareable; }
    Movable* getOwner() const { return owner; }
    /// Written by the movables that take and drop the affector.
    void setOwner(Movable* movable) { owner = movable; }

protected:
    /// The mass the affectors divide by.
    static double effectiveMass(const Movable& movable);

private:
    Movable* owner = nullptr;  // cleared by that movable when it drops the affector or dies
    const bool shareable;
};

/// A constant push: its direction taken in local, parent or world space.
class Force : public MovableAffector
{
public:
    Force(const Vector2& force, SceneNode::TransformSpace space);

    bool apply(Movable& movable, double dt) override;
    void setMagnitude(double magnitude);

private:
    double magnitude;
    Vector2 direction;  // unit, or zero for a zero force
    SceneNode::TransformSpace space;
};

/// Slows a movable by rate / mass per second without turning it, down to rest.
class TranslationalDecellerator : public MovableAffector
{
public:
    explicit TranslationalDecellerator(double rate, bool shareable = false);

    bool apply(Movable& movable, double dt) override;
    void setRate(double rate);

private:
    double rate;
};

}
