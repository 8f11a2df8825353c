#include "scene/SceneManager.h"

#include "game/PhysicsManager.h"
#include "render/RenderManager.h"
#include "scene/Component.h"
#include "scene/Entity.h"
#include "scene/SceneEvent.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

void SceneManager::Deleter::operator()(SceneManager* manager) const
{
    if (manager->nodes.empty())
    {
        delete manager;
        return;
    }
    // Clearing posts events that carry the scene; a temporary owner keeps them valid.
    std::shared_ptr<SceneManager> temporary(manager, Deleter());
    manager->self = temporary;
    manager->setSelf(temporary);
    if (manager->renderManager)
        manager->renderManager->disconnect();
    manager->clear();
}

SceneManager::SceneManager(double startTime) : ProcessManager(startTime)
{
}

SceneManager::~SceneManager()
{
    if (renderManager)
        renderManager->disconnect();
    if (physicsManager)
        physicsManager->disconnect();
}

std::shared_ptr<SceneManager> SceneManager::createNew(double startTime)
{
    std::shared_ptr<SceneManager> manager(new SceneManager(startTime), Deleter());
    manager->self = manager;
    manager->setSelf(manager);
    return manager;
}

void SceneManager::addNode(const std::shared_ptr<SceneNode>& node)
{
    if (!node || node->managerPointer || node->parentPointer)
        return;
    nodes.insert(node);
    connectNode(node);
}

void SceneManager::removeNode(const std::shared_ptr<SceneNode>& node)
{
    if (!node || node->managerPointer != this)
        return;
    if (SceneNode* parent = node->parentPointer)
    {
        parent->removeChild(node);
        return;
    }
    const std::shared_ptr<SceneNode> keep = node;
    nodes.erase(node.get());
    disconnectNode(keep);
}

void SceneManager::clear()
{
    // One by one: a node that a callback adds meanwhile stays, properly connected.
    for (const std::shared_ptr<SceneNode>& node : nodes.snapshot())
    {
        nodes.erase(node.get());
        disconnectNode(node);
    }
}

void SceneManager::addToGarbage(const std::shared_ptr<SceneNode>& node)
{
    if (node)
        garbage.push_back(node);
}

std::shared_ptr<Entity> SceneManager::getEntity(const std::string& name) const
{
    auto found = entitiesByName.find(name);
    return found == entitiesByName.end() ? nullptr : found->second;
}

void SceneManager::updateProcess(double elapsed)
{
    if (isUpdating())
    {
        ProcessManager::updateProcess(elapsed);  // refuses, with its warning
        return;
    }
    const std::shared_ptr<SceneManager> keepAlive = self.lock();
    ProcessManager::updateProcess(elapsed);
    dispatchQueuedEvents();
    collectGarbage();
}

void SceneManager::dispatchQueuedEvents()
{
    const double now = getCurrentTime();
    dispatchEvents(now);
    // Entities queue onto the end of the list while it is walked; those that
    // still hold events stay for a later step.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < pendingEventManagers.size(); ++i)
    {
        const std::shared_ptr<Entity> entity = pendingEventManagers[i].lock();
        if (!entity || !entities.contains(entity.get()))
            continue;
        if (entity->hasQueuedEvents())
            entity->dispatchEvents(now);
        if (entity->hasQueuedEvents())
            pendingEventManagers[kept++] = pendingEventManagers[i];
    }
    pendingEventManagers.resize(kept);
}

void SceneManager::collectGarbage()
{
    // Nodes killed while these leave wait for the next step rather than being lost.
    const std::vector<std::shared_ptr<SceneNode>> collected = std::move(garbage);
    garbage.clear();
    for (const std::shared_ptr<SceneNode>& node : collected)
        removeNode(node);
}

void SceneManager::accept(Visitor<std::shared_ptr<SceneNode>>& visitor)
{
    for (const std::shared_ptr<SceneNode>& node : nodes.snapshot())
        node->accept(visitor);
}

void SceneManager::accept(Visitor<std::shared_ptr<Entity>>& visitor)
{
    for (const std::shared_ptr<Entity>& entity : entities.snapshot())
        visitor.visit(entity);
}

void SceneManager::connectNode(const std::shared_ptr<SceneNode>& node)
{
    if (node->managerPointer == this)
        return;
    node->manager = self;
    node->managerPointer = this;
    if (node->entity)
        addEntity(node->entity);
    const std::vector<std::shared_ptr<SceneNode>> children = node->children;
    for (const std::shared_ptr<SceneNode>& child : children)
        connectNode(child);
}

void SceneManager::disconnectNode(const std::shared_ptr<SceneNode>& node)
{
    SceneManager* former = node->managerPointer;
    if (!former)
        return;
    node->manager.reset();
    node->managerPointer = nullptr;
    const std::vector<std::shared_ptr<SceneNode>> children = node->children;
    for (const std::shared_ptr<SceneNode>& child : children)
        former->disconnectNode(child);
    if (node->entity)
        former->removeEntity(node->entity);
}

void SceneManager::addEntity(const std::shared_ptr<Entity>& entity)
{
    if (!entities.insert(entity))
        return;
    entitiesByName.emplace(entity->getName(), entity);
    if (entity->hasQueuedEvents())
        pendingEventManagers.push_back(entity->getSelf());
    announce(entity, true);
}

void SceneManager::removeEntity(const std::shared_ptr<Entity>& entity)
{
    if (!entities.erase(entity.get()))
        return;
    auto named = entitiesByName.find(entity->getName());
    if (named != entitiesByName.end() && named->second == entity)
        entitiesByName.erase(named);
    announce(entity, false);
}

void SceneManager::announce(const std::shared_ptr<Entity>& entity, bool added)
{
    const std::shared_ptr<SceneManager> me = self.lock();
    auto event = std::make_shared<SceneEvent>(getCurrentTime(), me, entity,
                                              added ? SceneEvent::ENTITY_ADDED : SceneEvent::ENTITY_REMOVED);
    const std::vector<std::shared_ptr<Component>> components = entity->getComponents();
    for (const std::shared_ptr<Component>& component : components)
    {
        if (added)
            component->managerChanged(me, nullptr);
        else
            component->managerChanged(nullptr, me);
    }
    postEvent(event);
    entity->postEvent(std::make_shared<SceneEvent>(*event));
}

void SceneManager::addPendingEventManager(const std::weak_ptr<Entity>& entity)
{
    pendingEventManagers.push_back(entity);
}

}
