#include "render/RenderManager.h"

#include "scene/SceneManager.h"

namespace Tarnu
{

void RenderManager::connect(const std::shared_ptr<SceneManager>& target)
{
    if (!target || target->getRenderManager() || scenePointer)
        return;
    target->setRenderManager(shared_from_this());
    scene = target->getSelf();
    scenePointer = target.get();
    target->addProcess(shared_from_this());
    notifyConnected();
}

void RenderManager::disconnect()
{
    if (!scenePointer)
        return;
    SceneManager* former = scenePointer;
    // Held while leaving: the scene's link may be the last owner of this manager. Killed, it
    // is not updated again, and connecting anew takes it back before it has left.
    const std::shared_ptr<RenderManager> keep = shared_from_this();
    killProcess();
    former->setRenderManager(nullptr);
    scene.reset();
    scenePointer = nullptr;
    notifyDisconnected();
}

}
