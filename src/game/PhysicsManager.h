#pragma once
// The physics process of one scene. Connecting it makes it the scene's physics
// manager and one of the scene's processes; it refers to the scene weakly.

#include "core/Process.h"

#include <memory>

namespace Tarnu
{

class Collidable;
class SceneManager;

class PhysicsManager : public Process, public std::enable_shared_from_this<PhysicsManager>
{
public:
    ~PhysicsManager() override = default;

    /// The collidable's node changed its transform: file it anew in the next step.
    virtual void collidableMoved(Collidable* collidable) = 0;

    void connect(const std::shared_ptr<SceneManager>& scene);
    void disconnect();
    SceneManager* getSceneManagerPointer() const { return scenePointer; }

protected:
    virtual void notifyConnected() = 0;
    virtual void notifyDisconnected() = 0;

private:
    std::weak_ptr<SceneManager> scene;
    SceneManager* scenePointer = nullptr;  // cleared by disconnect, which the scene calls as it goes
};

}
