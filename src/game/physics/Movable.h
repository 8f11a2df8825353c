#pragma once
// An entity's velocity, rotational velocity, mass and affectors. The movable
// moves nothing itself: the physics manager of its scene applies the
// affectors and then turns and moves the entity's scene node every step.
// Action events posted or queued on the entity steer it through a listener
// that follows the movable from entity to entity.
//
// A velocity given relative to the entity's heading before the entity has a
// node waits (the pending flag) and is turned into world space when the
// entity enters a scene.

#include "core/EventListener.h"
#include "core/math/Vector2.h"
#include "scene/ComponentClass.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace Tarnu
{

class MovableAffector;
class PhysicsManager;

class Movable : public ComponentClass<Movable>
{
public:
    static inline const std::string FACTORY_TYPE = "Movable";

    Movable();
    /// Stored as given, the mass too.
    Movable(const Vector2& velocity, double mass, double rotationalVelocity);
    /// Same values and pending flag, the shareable affectors; unregistered.
    Movable(const Movable& other);
    ~Movable() override;

    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;

    /// The velocity itself: affectors and scripts change it in place.
    Vector2& getVelocity() { return velocity; }
    const Vector2& getVelocity() const { return velocity; }
    void setVelocity(const Vector2& velocity);
    /// speed times the direction turned by the entity's world orientation (later, without a node).
    void setVelocity(double speed, const Vector2& direction);
    void setVelocityX(double x);
    void setVelocityY(double y);
    /// Adds to the velocity; a pending turn stays pending.
    void changeVelocity(const Vector2& change);
    double getRotationalVelocity() const { return rotationalVelocity; }
    void setRotationalVelocity(double value);
    double getMass() const { return mass; }
    /// Stores a positive mass, anything else as 0.
    void setMass(double value);
    bool isOrientationPending() const { return pendingOrientation; }
    void clearPendingOrientation() { pendingOrientation = false; }

    /// For the physics step: the velocities to zero, where the next move would leave the range of numbers.
    /// Said once per movable: a force that keeps pushing it there would otherwise say it every step.
    void stopRunaway();

    void apply(const std::shared_ptr<MovableAffector>& affector);
    void remove(const std::shared_ptr<MovableAffector>& affector);
    /// One step of every affector, in the order they were applied; finished ones leave.
    void applyAffectors(double dt);
    /// The affectors.
    void forEachOwned(ReferenceVisitor& visitor) const override;

    PhysicsManager* getPhysicsManager() const { return physicsManager; }
    /// Set and cleared by the physics manager that steps the movable.
    void setPhysicsManager(PhysicsManager* manager) { physicsManager = manager; }
    /// Where that manager keeps the movable.
    std::size_t& getPhysicsSlot() { return physicsSlot; }
    /// The entity's node while registered: it cannot change without a new registration.
    SceneNode* getSceneNodeLink() const { return sceneNode; }
    void setSceneNodeLink(SceneNode* node) { sceneNode = node; }

private:
    class ActionListener : public EventListener
    {
    public:
        explicit ActionListener(Movable& movable);
        void handleEvent(const std::shared_ptr<Event>& event) override;

    private:
        Movable& movable;  // the movable owns the listener
    };

    void resolvePendingOrientation();

    // What the physics step reads every step, together.
    Vector2 velocity;
    double rotationalVelocity = 0.0;
    SceneNode* sceneNode = nullptr;  // while registered; cleared by that manager
    std::vector<std::shared_ptr<MovableAffector>> affectors;
    double mass = 0.0;
    bool pendingOrientation = false;
    std::unique_ptr<ActionListener> actionListener;
    PhysicsManager* physicsManager = nullptr;  // while registered; cleared by that manager
    std::size_t physicsSlot = static_cast<std::size_t>(-1);
    bool runawayReported = false;
};

}
