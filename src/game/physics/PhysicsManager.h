#pragma once
// The physics process of one scene, with which the scene's collidables and
// movables register. Connecting it makes it the scene's physics manager and
// one of the scene's processes; it refers to the scene weakly. Disconnecting
// leaves it among the scene's processes, idle, until it connects elsewhere,
// which takes it out of them. Registration hands the manager raw pointers: a
// collidable or movable leaves its manager before it goes (managerChanged, or
// its destructor), and disconnecting drops every registration.

#include "core/Process.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Bound;
class Collidable;
class Movable;
class SceneManager;

class PhysicsManager : public Process, public std::enable_shared_from_this<PhysicsManager>
{
public:
    ~PhysicsManager() override = default;

    /// A collidable of the manager's own for a shape without an entity; answers its id.
    virtual std::uint32_t createStaticCollidable(const Bound& bound) = 0;
    virtual void addCollidable(Collidable* collidable) = 0;
    virtual void removeCollidable(Collidable* collidable) = 0;
    virtual void addMovable(Movable* movable) = 0;
    virtual void removeMovable(Movable* movable) = 0;
    /// The collidable's node changed its transform: file it anew in the next step.
    virtual void collidableMoved(Collidable* collidable) = 0;

    void connect(const std::shared_ptr<SceneManager>& scene);
    void disconnect();
    SceneManager* getSceneManagerPointer() const { return scenePointer; }

protected:
    virtual void notifyConnected() = 0;
    virtual void notifyDisconnected() = 0;

    /// The connected scene while it lives, else empty.
    std::shared_ptr<SceneManager> getScene() const { return scene.lock(); }
    /// The current time of whatever runs this process; 0 when nothing does.
    double getProcessTime() const;

private:
    std::weak_ptr<SceneManager> scene;
    SceneManager* scenePointer = nullptr;  // cleared by disconnect, which the scene calls as it goes
};

}
