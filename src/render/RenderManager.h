#pragma once
// The renderer of one scene. Connecting it makes it the scene's render manager
// and one of the scene's processes; disconnecting takes it out of both at
// once, so it may connect again right away. It refers to the scene weakly, so
// a scene and its renderer never keep each other alive. Renderables and
// cameras enter and leave it by themselves as their entities enter and leave
// the scene; Root.run calls render once per drawn frame.

#include "core/Process.h"

#include <memory>
#include <string>

namespace Tarnu
{

class Camera;
class Renderable;
class SceneManager;

class RenderManager : public Process, public std::enable_shared_from_this<RenderManager>
{
public:
    ~RenderManager() override = default;

    /// Draws the scene through the main camera; neither clears nor swaps.
    virtual void render() = 0;
    virtual std::shared_ptr<Camera> getMainCamera() const = 0;
    /// The camera of the entity of that name becomes the main camera; an unknown name changes nothing.
    virtual void setMainCamera(const std::string& name) = 0;
    virtual void addRenderable(Renderable* renderable) = 0;
    virtual void removeRenderable(Renderable* renderable) = 0;
    virtual void addCamera(const std::shared_ptr<Camera>& camera) = 0;
    /// Forgets the camera wherever it is filed, even once it has left its entity.
    virtual void removeCamera(const Camera* camera) = 0;
    /// The renderable's node changed its transform: file it anew before the next query.
    virtual void renderableMoved(Renderable* renderable) = 0;

    /// Refuses a scene that has a render manager, and a second scene while connected.
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
