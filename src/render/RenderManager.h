#pragma once
// The renderer of one scene. Connecting it makes it the scene's render manager
// and one of the scene's processes; it refers to the scene weakly, so a scene
// and its renderer never keep each other alive.

#include "core/Process.h"

#include <memory>

namespace Tarnu
{

class Renderable;
class SceneManager;

class RenderManager : public Process, public std::enable_shared_from_this<RenderManager>
{
public:
    ~RenderManager() override = default;

    virtual void render() = 0;
    /// The renderable's node changed its transform: file it anew before the next query.
    virtual void renderableMoved(Renderable* renderable) = 0;

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
