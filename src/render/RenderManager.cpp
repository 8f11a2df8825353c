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
    // Held while leaving: the scene's links may be the last owners of either side, and
    // leaving the processes may run scripts (the terminations of other dead processes).
    const std::shared_ptr<RenderManager> keep = shared_from_this();
    const std::shared_ptr<SceneManager> holdScene = scene.lock();  // empty while the scene is destroyed
    former->setRenderManager(nullptr);
    scene.reset();
    scenePointer = nullptr;
    former->removeProcess(this);
    notifyDisconnected();
}

}
