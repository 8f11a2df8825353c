#pragma once
// The collision component. A collidable registers with the physics manager of
// its entity's scene; the manager files it in its grid by its world box, links
// it with its scene node (which reports every move through markMoved) and
// tells both entities when it starts or stops touching another collidable.
//
// Concrete collidables supply the shape (getBound, getWorldBound). Everything
// in the record below belongs to the manager that holds the collidable; the
// collidable only stores it, so that filing and testing need no look-up.

#include "core/math/AxisAlignedBox.h"
#include "core/math/Boundable.h"
#include "scene/ComponentClass.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Tarnu
{

class Bound;
class PhysicsManager;
class SceneNode;
struct Contact;

/// The physics manager's bookkeeping of one collidable; the step's hot data is
/// in the manager's body table, at bodySlot.
struct PhysicsRecord
{
    static constexpr std::uint32_t NO_SLOT = UINT32_MAX;

    std::uint32_t collidableId = 0;  // 0 while unregistered
    std::uint32_t bodySlot = NO_SLOT;
    bool queued = true;              // waits in the manager's queue of moved collidables
    bool boundStale = true;          // the world bound must be recomputed before the next exact test
    std::vector<Contact*> contacts;  // the pairs this collidable is in
};

class Collidable : public ComponentClass<Collidable>, public Boundable
{
public:
    static inline const std::string FACTORY_TYPE = "Collidable";

    Collidable() = default;
    /// A copy starts unregistered, with nothing of the other's bookkeeping.
    Collidable(const Collidable& other);
    /// One destroyed while registered leaves its manager first, so no cell, queue or node keeps it.
    ~Collidable() override;

    /// The shape in local space.
    virtual Bound* getBound() = 0;
    /// The shape in world space, recomputed first when stale; valid until the next call.
    virtual Bound* getWorldBound(bool stale) = 0;

    /// The local box carried by the node's world transform, kept as worldBox.
    const AxisAlignedBox& getWorldBox() override;

    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;
    bool attach(Entity* entity, const std::shared_ptr<Component>& self) override;

    /// The scene node changed its transform: queue the collidable for the next step once.
    void markMoved();

    PhysicsManager* getPhysicsManager() const { return physicsManager; }
    /// Set and cleared by the physics manager that registers the collidable.
    void setPhysicsManager(PhysicsManager* manager) { physicsManager = manager; }
    SceneNode* getSceneNodeLink() const { return sceneNode; }
    /// Set and cleared by the physics manager together with the node's link back.
    void setSceneNodeLink(SceneNode* node) { sceneNode = node; }
    /// A strong reference while one exists: removal keeps the collidable alive with it.
    std::shared_ptr<Collidable> getSelf() const { return self.lock(); }

    PhysicsRecord& getRecord() { return record; }
    const PhysicsRecord& getRecord() const { return record; }

protected:
    AxisAlignedBox worldBox;

private:
    PhysicsRecord record;
    std::weak_ptr<Collidable> self;
    SceneNode* sceneNode = nullptr;            // while registered; cleared by the manager
    PhysicsManager* physicsManager = nullptr;  // while registered; cleared by the manager
};

}
