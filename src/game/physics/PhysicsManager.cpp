#include "game/physics/PhysicsManager.h"

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
    // A manager that left another scene is still one of that scene's processes:
    // it moves here, or it would be stepped there on the other scene's clock.
    if (getOwner() && getOwner() != target.get())
        killProcess();
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
