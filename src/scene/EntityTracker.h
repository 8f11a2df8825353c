#pragma once
// Follows one entity of a scene by name, without keeping it alive between its
// visits: while waiting it listens on the scene for the name to enter; while
// tracking it listens on the entity itself for its leaving. Each change posts
// a plain event of the user's chosen type on a target entity. The scene is
// held weakly: a tracker may outlive it.

#include "scene/SceneEvent.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class Entity;
class ReferenceVisitor;
class SceneManager;

class EntityTracker : public SceneListener
{
public:
    explicit EntityTracker(const std::string& name = "") : entityName(name) {}
    ~EntityTracker() override;

    void setEntity(const std::string& name);
    void setEntity(const std::shared_ptr<Entity>& entity);
    /// Ignored while connected; a type of 0 posts nothing.
    void connect(const std::shared_ptr<SceneManager>& manager, const std::shared_ptr<Entity>& target = nullptr,
                 std::uint32_t foundEventType = 0, std::uint32_t lostEventType = 0);
    void disconnect();

    const std::shared_ptr<Entity>& getEntity() const { return tracked; }
    const std::string& getEntityName() const { return entityName; }

    void entityAdded(const std::shared_ptr<SceneEvent>& event) override;
    void entityRemoved(const std::shared_ptr<SceneEvent>& event) override;

    /// The tracked entity and the target.
    void forEachOwned(ReferenceVisitor& visitor) const;

protected:
    virtual void entityFound(const std::shared_ptr<Entity>& entity);
    virtual void entityLost(const std::shared_ptr<Entity>& entity);

private:
    /// Looks the name up and ends either tracking it or waiting for it on the scene.
    void lookUp();
    void post(std::uint32_t eventType);

    std::shared_ptr<Entity> tracked;
    std::shared_ptr<Entity> target;
    std::string entityName;
    std::weak_ptr<SceneManager> manager;
    bool connected = false;
    std::uint32_t foundEventType = 0;
    std::uint32_t lostEventType = 0;
};

}
