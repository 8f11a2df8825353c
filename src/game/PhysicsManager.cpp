#include "game/PhysicsManager.h"

#include "core/ProcessManager.h"
#include "scene/SceneManager.h"

namespace Tarnu
{

void PhysicsManager::connect(const std::shared_ptr<SceneManager>& target)
{
    if (!target || target->getPhysicsManager() || scenePointer)
        return;
    target->setPhysicsManager(shared_from_this());
    scene = target->getSelf();
    scenePointer = target.get();
    // Also when the manager left a scene earlier in this step: a killed process rejoins at once.
    target->addProcess(shared_from_this());
    notifyConnected();
}

void PhysicsManager::disconnect()
{
    if (!scenePointer)
        return;
    SceneManager* former = scenePointer;
    // Held while leaving: the scene's link may be the last owner of this manager.
    const std::shared_ptr<PhysicsManager> keep = shared_from_this();
    killProcess();
    former->setPhysicsManager(nullptr);
    scene.reset();
    scenePointer = nullptr;
    notifyDisconnected();
}

double PhysicsManager::getProcessTime() const
{
    ProcessManager* owner = getOwner();
    return owner ? owner->getCurrentTime() : 0.0;
}

}
