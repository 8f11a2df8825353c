#include "scene/EntityTracker.h"

#include "core/OwnedReferences.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

EntityTracker::~EntityTracker()
{
    disconnect();
}

void EntityTracker::connect(const std::shared_ptr<SceneManager>& scene, const std::shared_ptr<Entity>& newTarget,
                            std::uint32_t found, std::uint32_t lost)
{
    if (connected || !scene)
        return;
    connected = true;
    manager = scene->getSelf();
    target = newTarget;
    foundEventType = found;
    lostEventType = lost;
    lookUp();
}

void EntityTracker::disconnect()
{
    if (!connected)
        return;
    removeFromAllDispatchers();
    connected = false;
    if (tracked)
    {
        const std::shared_ptr<Entity> lost = std::move(tracked);
        tracked.reset();
        entityLost(lost);
    }
    target.reset();
    manager.reset();
}

void EntityTracker::setEntity(const std::string& name)
{
    if (name == entityName)
        return;
    entityName = name;
    if (!connected)
        return;
    removeFromAllDispatchers();
    if (tracked)
    {
        const std::shared_ptr<Entity> lost = std::move(tracked);
        tracked.reset();
        entityLost(lost);
    }
    lookUp();
}

void EntityTracker::setEntity(const std::shared_ptr<Entity>& entity)
{
    if (entity)
        setEntity(entity->getName());
}

void EntityTracker::lookUp()
{
    const std::shared_ptr<SceneManager> scene = manager.lock();
    if (!scene)
        return;
    tracked = scene->getEntity(entityName);
    if (!tracked)
    {
        scene->addEventListener(this);
        return;
    }
    // Handed over as a copy: what hears of it may disconnect this tracker.
    const std::shared_ptr<Entity> found = tracked;
    found->addEventListener(this);
    entityFound(found);
}

void EntityTracker::entityAdded(const std::shared_ptr<SceneEvent>& event)
{
    // The scene announces an arrival on itself and then on the entity, where a
    // tracker that has just found it is already listening: the second is not news.
    if (tracked || !event->getEntity() || event->getEntity()->getName() != entityName)
        return;
    if (const std::shared_ptr<SceneManager> scene = manager.lock())
        scene->removeEventListener(this);
    tracked = event->getEntity();
    const std::shared_ptr<Entity> found = tracked;
    found->addEventListener(this);
    entityFound(found);
}

void EntityTracker::entityRemoved(const std::shared_ptr<SceneEvent>& event)
{
    if (!tracked || event->getEntity() != tracked)
        return;
    tracked->removeEventListener(this);
    const std::shared_ptr<Entity> lost = std::move(tracked);
    tracked.reset();
    if (const std::shared_ptr<SceneManager> scene = manager.lock())
        scene->addEventListener(this);
    entityLost(lost);
}

void EntityTracker::entityFound(const std::shared_ptr<Entity>&)
{
    post(foundEventType);
}

void EntityTracker::entityLost(const std::shared_ptr<Entity>&)
{
    post(lostEventType);
}

void EntityTracker::post(std::uint32_t eventType)
{
    // Held for the call: a listener may disconnect this tracker, which lets go of its target.
    const std::shared_ptr<Entity> receiver = target;
    if (!receiver || eventType == 0)
        return;
    SceneNode* node = receiver->getSceneNodePointer();
    SceneManager* scene = node ? node->getManagerPointer() : nullptr;
    if (scene)
        receiver->postEvent(std::make_shared<Event>(eventType, scene->getCurrentTime()));
}

void EntityTracker::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(tracked);
    visitor(target);
}

}
