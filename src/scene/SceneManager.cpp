#include "scene/SceneManager.h"

#include "core/OwnedReferences.h"
#include "core/ReentryGuard.h"
#include "core/SnapshotWalk.h"
#include "game/physics/PhysicsManager.h"
#include "render/RenderManager.h"
#include "scene/Component.h"
#include "scene/Entity.h"
#include "scene/SceneEvent.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

void SceneManager::setTemporaryOwner(const std::shared_ptr<SceneManager>& owner)
{
    self = owner;
    setSelf(owner);
}

void SceneManager::letGo()
{
    if (renderManager)
        renderManager->disconnect();
    clear();
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
    if (!node || node->managerPointer || node->parentPointer || !takesAdditions("SceneManager.addNode"))
        return;
    nodes.insert(node);
    connectNode(node);
}

void SceneManager::removeNode(const std::shared_ptr<SceneNode>& node)
{
    if (!node || node->managerPointer != this)
        return;
    if (node->parentPointer)
    {
        // Held for the call: a callback of the removal may drop the parent's last owner.
        if (const std::shared_ptr<SceneNode> parent = node->getParent())
            parent->removeChild(node);
        return;
    }
    if (nodes.erase(node.get()))
        disconnectNode(node);
}

void SceneManager::clear()
{
    // One by one: a node that a callback adds meanwhile stays, properly connected,
    // and one that a callback removed is not removed twice.
    walkSnapshot(
        nodes.snapshot(), [this](const SceneNode& node) { return nodes.contains(&node); },
        [this](const std::shared_ptr<SceneNode>& node) {
            nodes.erase(node.get());
            disconnectNode(node);
        });
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
    // Kept alive first, so that the guard still has its flag when it lets go.
    const std::shared_ptr<SceneManager> keepAlive = self.lock();
    ReentryGuard guard(stepping, "SceneManager.updateProcess called from inside an update of the same scene; "
                                 "a scene steps once at a time (updating another scene is fine).");
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

void SceneManager::forEachOwned(ReferenceVisitor& visitor) const
{
    ProcessManager::forEachOwned(visitor);
    EventManager::forEachOwned(visitor);
    nodes.forEach([&visitor](const std::shared_ptr<SceneNode>& node) { visitor(node); });
    entities.forEach([&visitor](const std::shared_ptr<Entity>& entity) { visitor(entity); });
    visitor.all(garbage);
    for (const auto& [name, entity] : entitiesByName)
        visitor(entity);
    visitor(renderManager);
    visitor(physicsManager);
}

void SceneManager::accept(Visitor<std::shared_ptr<SceneNode>>& visitor)
{
    walkSnapshot(
        nodes.snapshot(), [this](const SceneNode& node) { return nodes.contains(&node); },
        [&visitor](const std::shared_ptr<SceneNode>& node) { node->accept(visitor); });
}

void SceneManager::accept(Visitor<std::shared_ptr<Entity>>& visitor)
{
    walkSnapshot(
        entities.snapshot(), [this](const Entity& entity) { return entities.contains(&entity); },
        [&visitor](const std::shared_ptr<Entity>& entity) { visitor.visit(entity); });
}

bool SceneManager::belongsHere(const SceneNode& node) const
{
    return node.parentPointer ? node.parentPointer->managerPointer == this : nodes.contains(&node);
}

bool SceneManager::holdsByNode(const Entity& entity) const
{
    const SceneNode* node = entity.getSceneNodePointer();
    return node && node->managerPointer == this;
}

void SceneManager::connectNode(std::shared_ptr<SceneNode> top)
{
    // Pre-order, in a loop: parents are announced before their children. Each
    // node is checked when its turn comes, since the callbacks of the entities
    // before it may have moved it, its parent or the whole subtree.
    const std::shared_ptr<SceneManager> keep = self.lock();
    std::vector<std::shared_ptr<SceneNode>> pending{std::move(top)};
    while (!pending.empty())
    {
        const std::shared_ptr<SceneNode> node = std::move(pending.back());
        pending.pop_back();
        if (node->managerPointer || !belongsHere(*node))
            continue;
        node->manager = self;
        node->managerPointer = this;
        if (std::shared_ptr<Entity> entity = node->entity)
            addEntity(std::move(entity));
        pending.insert(pending.end(), node->children.rbegin(), node->children.rend());
    }
}

void SceneManager::disconnectNode(std::shared_ptr<SceneNode> top)
{
    // Nodes leave from the top down, so that every entity of the subtree is out of
    // the scene by its node when it hears of it; entities are announced from the
    // bottom up. Callbacks may move things meanwhile: an entity taken off its node
    // still leaves the list, one back in this scene by another node stays, a
    // subtree put back in this scene stays, and a node whose parent a callback
    // took into another scene follows it there once it has left this one.
    struct Step
    {
        std::shared_ptr<SceneNode> node;
        std::shared_ptr<Entity> entity;  // on the way back up: the entity the node carried
        bool leaving;                    // false on the way down, true on the way back up
    };
    const std::shared_ptr<SceneManager> keep = self.lock();
    std::vector<Step> pending{{std::move(top), nullptr, false}};
    while (!pending.empty())
    {
        Step step = std::move(pending.back());
        pending.pop_back();
        SceneNode& node = *step.node;
        if (step.leaving)
        {
            if (step.entity && !holdsByNode(*step.entity))
                removeEntity(std::move(step.entity));
            SceneManager* parentScene = node.parentPointer ? node.parentPointer->managerPointer : nullptr;
            if (parentScene && parentScene != this && !node.managerPointer)
                parentScene->connectNode(step.node);
            continue;
        }
        if (node.managerPointer != this || belongsHere(node))
            continue;
        node.manager.reset();
        node.managerPointer = nullptr;
        pending.push_back({step.node, node.entity, true});
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child)
            pending.push_back({*child, nullptr, false});
    }
}

void SceneManager::addEntity(std::shared_ptr<Entity> entity)
{
    if (!entities.insert(entity))
        return;
    entitiesByName.emplace(entity->getName(), entity);
    if (entity->hasQueuedEvents())
        pendingEventManagers.push_back(entity->getSelf());
    announce(entity, true);
}

void SceneManager::removeEntity(std::shared_ptr<Entity> entity)
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
    // Once a callback has taken the entity out again (or back in), that change was
    // announced itself, and the rest of this news would be stale.
    const auto stillTrue = [&] { return entities.contains(entity.get()) == added; };
    walkSnapshot(
        entity->getComponents(),
        [&](const Component& component) { return stillTrue() && component.getOwnerPointer() == entity.get(); },
        [&](const std::shared_ptr<Component>& component) {
            if (added)
                component->managerChanged(me, nullptr);
            else
                component->managerChanged(nullptr, me);
        });
    if (stillTrue())
        postEvent(event);
    if (stillTrue())
        entity->postEvent(std::make_shared<SceneEvent>(*event));
}

void SceneManager::addPendingEventManager(const std::weak_ptr<Entity>& entity)
{
    pendingEventManagers.push_back(entity);
}

}
