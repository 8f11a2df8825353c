#pragma once
// One scene: the top-level nodes of its graph, every entity in it by name, the
// process manager its render manager, physics manager, timers and spawners run
// in, and an event manager for scene and entity notifications.
//
// One step updates the processes, dispatches the queued events that are due
// (its own and those of its entities), then removes the nodes queued as
// garbage: a killed entity stays in the scene, working, until the step ends.
// Scenes are made by createNew and held by shared pointers whose deleter
// clears the scene first.
//
// Entering and leaving call out to components and listeners, which may change
// the graph under the walk: the walks are loops over strong references that
// check at each node that it still belongs where the walk found it, and an
// announcement stops once it is no longer true (the change that overtook it
// was announced itself). A scene steps once at a time: updateProcess from
// inside its own step is refused.

#include "core/EventManager.h"
#include "core/ProcessManager.h"
#include "core/Teardown.h"
#include "scene/InsertionOrderedSet.h"
#include "scene/Visitor.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Tarnu
{

class Entity;
class PhysicsManager;
class RenderManager;
class SceneNode;

class SceneManager : public ProcessManager,
                     public EventManager,
                     public Visitable<std::shared_ptr<SceneNode>>,
                     public Visitable<std::shared_ptr<Entity>>,
                     public Teardown
{
public:
    using Deleter = TeardownDeleter<SceneManager>;

    static std::shared_ptr<SceneManager> createNew(double startTime = 0.0);
    ~SceneManager() override;

    /// A top-level node; one that has a parent or a scene is refused.
    void addNode(const std::shared_ptr<SceneNode>& node);
    void removeNode(const std::shared_ptr<SceneNode>& node);
    void clear();
    void addToGarbage(const std::shared_ptr<SceneNode>& node);

    std::shared_ptr<Entity> getEntity(const std::string& name) const;
    std::uint32_t getNumEntities() const { return static_cast<std::uint32_t>(entities.size()); }
    bool hasNodes() const { return !nodes.empty(); }
    const std::shared_ptr<RenderManager>& getRenderManager() const { return renderManager; }
    const std::shared_ptr<PhysicsManager>& getPhysicsManager() const { return physicsManager; }
    std::shared_ptr<SceneManager> getSelf() const { return self.lock(); }

    void updateProcess(double elapsed) override;

    void accept(Visitor<std::shared_ptr<SceneNode>>& visitor) override;
    void accept(Visitor<std::shared_ptr<Entity>>& visitor) override;
    /// Processes and queued events, the top-level nodes, the entities, the garbage and the managers.
    void forEachOwned(ReferenceVisitor& visitor) const override;

    // Used by scene nodes and entities. They call out, so they take their own references.
    void connectNode(std::shared_ptr<SceneNode> node);
    void disconnectNode(std::shared_ptr<SceneNode> node);
    void addEntity(std::shared_ptr<Entity> entity);
    void removeEntity(std::shared_ptr<Entity> entity);
    void addPendingEventManager(const std::weak_ptr<Entity>& entity);

    // Written by the render and physics managers as they connect and disconnect.
    void setRenderManager(const std::shared_ptr<RenderManager>& manager) { renderManager = manager; }
    void setPhysicsManager(const std::shared_ptr<PhysicsManager>& manager) { physicsManager = manager; }

private:
    friend Deleter;

    explicit SceneManager(double startTime);

    // The teardown of the deleter.
    bool holdsNothing() const { return nodes.empty(); }
    void setTemporaryOwner(const std::shared_ptr<SceneManager>& owner);
    void letGo();

    /// Whether the node should be in this scene: its parent is, or it is one of the top-level nodes.
    bool belongsHere(const SceneNode& node) const;
    /// Whether the entity is in this scene by its node (listed or not).
    bool holdsByNode(const Entity& entity) const;
    void dispatchQueuedEvents();
    void collectGarbage();
    void announce(const std::shared_ptr<Entity>& entity, bool added);

    InsertionOrderedSet<SceneNode> nodes;
    std::vector<std::shared_ptr<SceneNode>> garbage;
    InsertionOrderedSet<Entity> entities;
    // Weak: an entity drained and dropped elsewhere must not be dispatched.
    std::vector<std::weak_ptr<Entity>> pendingEventManagers;
    std::unordered_map<std::string, std::shared_ptr<Entity>> entitiesByName;
    std::weak_ptr<SceneManager> self;
    std::shared_ptr<RenderManager> renderManager;
    std::shared_ptr<PhysicsManager> physicsManager;
    bool stepping = false;
};

}
