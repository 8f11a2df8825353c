#pragma once
// A named game object made of components; an event manager on which its
// components and scripts post and queue events; attached to at most one scene
// node and through it to at most one scene.
//
// Entities are made by createNew and held by shared pointers whose deleter
// detaches the components first, while the entity can still hand out shared
// pointers to itself. Weak links to an entity are always taken from its own
// self pointer (getSelf), never from a pointer a caller happened to pass, so
// they stay valid for exactly as long as the entity lives.
//
// Adding, removing and copying call out to components and listeners, which
// may add or remove components meanwhile: every notification first checks that
// what it tells is still true (the component still belongs to the entity, or
// is still off it), and an entity that is being destroyed takes no components.

#include "core/EventManager.h"
#include "core/Teardown.h"
#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"
#include "scene/NameableObject.h"
#include "scene/Visitor.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tarnu
{

class Component;
class SceneManager;
class SceneNode;

/// Live entities; the run report prints it and the exit check expects 0.
extern std::int32_t activeEntityCount;

class Entity : public EventManager,
               public NameableObject<Entity>,
               public Visitable<std::shared_ptr<Component>>,
               public Teardown
{
public:
    using Deleter = TeardownDeleter<Entity>;

    static std::shared_ptr<Entity> createNew(const std::string& name = "");
    /// A free entity carrying copies of the source's components.
    static std::shared_ptr<Entity> createCopy(const std::shared_ptr<Entity>& source, const std::string& name = "");

    ~Entity() override;

    bool addComponent(const std::shared_ptr<Component>& component);
    void addComponents(const std::vector<std::shared_ptr<Component>>& added);
    void removeComponent(const std::shared_ptr<Component>& component);
    void removeAllComponents();
    const std::vector<std::shared_ptr<Component>>& getComponents() const { return components; }

    std::shared_ptr<SceneNode> getSceneNode() const { return sceneNode.lock(); }
    SceneNode* getSceneNodePointer() const { return sceneNodePointer; }
    std::shared_ptr<SceneManager> getSceneManager() const;
    std::shared_ptr<Entity> getParentEntity() const;
    std::shared_ptr<Entity> getSelf() const { return self.lock(); }

    Vector2 getWorldPosition() const;
    Complex getWorldOrientation() const;
    Scale getWorldScale() const;

    /// Queues the entity's node for removal at the end of the scene's step.
    void kill();

    void accept(Visitor<std::shared_ptr<Component>>& visitor) override;
    /// The components (with their registry entries, which last as long as they are attached) and queued events.
    void forEachOwned(ReferenceVisitor& visitor) const override;

private:
    friend class SceneNode;
    friend Deleter;

    explicit Entity(const std::string& name);

    // The teardown of the deleter.
    bool holdsNothing() const { return components.empty(); }
    void setTemporaryOwner(const std::shared_ptr<Entity>& owner) { self = owner; }
    void letGo() { removeAllComponents(); }

    static void queueNotify(EventManager* manager);
    void setSceneNode(const std::shared_ptr<SceneNode>& node, SceneNode* pointer);
    double getEventTime() const;
    /// Steps 1-3 of adding: checks, attach, store. False when refused.
    bool adopt(const std::shared_ptr<Component>& component);
    /// Whether the component is (back) on this entity.
    bool owns(const Component& component) const;
    void announceAdded(const std::shared_ptr<Component>& component);
    /// Posts on this entity, then on the scene, each while the news is still true.
    void postComponentEvent(const std::shared_ptr<Component>& component, bool added, double time,
                            const std::shared_ptr<SceneManager>& manager);

    std::vector<std::shared_ptr<Component>> components;
    std::weak_ptr<SceneNode> sceneNode;
    SceneNode* sceneNodePointer = nullptr;  // written by the node that carries the entity
    std::weak_ptr<Entity> self;
};

/// A new entity with the component, attached to a new node at the transform; answers the node.
std::shared_ptr<SceneNode> createEntity(const std::shared_ptr<Component>& component, const std::string& name = "",
                                        const Vector2& position = Vector2::ZERO,
                                        const Complex& orientation = Complex::IDENTITY,
                                        const Scale& scale = Scale::IDENTITY);

/// Keeps a reference to another entity current: when it is not in the owner's
/// scene (and the owner is in one), looks the name up there anew.
void refreshEntityReference(std::shared_ptr<Entity>& reference, const Entity& owner, const std::string& name);

}
