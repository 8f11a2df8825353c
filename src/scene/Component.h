#pragma once
// One piece of behaviour or data attached to an entity. Components find their
// siblings through a global registry from type name to (entity → component);
// a component is entered under every registering level of its class chain, so
// a lookup by a base name ("Renderable") finds an instance of a subclass. The
// registry holds strong pointers: a component lives while it is attached.
//
// Only the entity writes a component's owner links, and only a component's
// own attach/detach write its registry entries.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class Entity;
class ParameterList;
class ReferenceVisitor;
class SceneManager;
class SceneNode;

/// Live components; the run report prints it and the exit check expects 0.
extern std::int32_t activeComponentCount;

class Component
{
public:
    static inline const std::string FACTORY_TYPE = "Component";

    Component() { ++activeComponentCount; }
    /// A copy starts unattached.
    Component(const Component&) { ++activeComponentCount; }
    Component& operator=(const Component&) = delete;
    virtual ~Component();

    virtual const std::string& getType() const { return FACTORY_TYPE; }
    virtual const std::string& getSuperType() const = 0;
    virtual std::shared_ptr<Component> createNew(const ParameterList& params) const = 0;
    virtual std::shared_ptr<Component> createCopy() const = 0;
    virtual bool paramIsAFilename(const std::string& name) const { return false; }
    virtual void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) {}
    virtual void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                const std::shared_ptr<SceneManager>& oldManager)
    {
    }
    /// Enters the component in the registries; false refuses the entity.
    virtual bool attach(Entity* entity, const std::shared_ptr<Component>& self) { return true; }
    /// Removes exactly the entries attach made.
    virtual void detach(Entity* entity) {}
    /// The shared pointers the component owns (cached siblings, say).
    virtual void forEachOwned(ReferenceVisitor& visitor) const {}
    /// The registry entries attach made for the entity, which hold the component as the entity does.
    virtual void forEachRegistryEntry(const Entity& entity, ReferenceVisitor& visitor) const {}

    std::shared_ptr<Entity> getEntity() const { return owner.lock(); }
    Entity* getOwnerPointer() const { return ownerPointer; }
    std::shared_ptr<SceneNode> getSceneNode() const;
    std::shared_ptr<SceneManager> getSceneManager() const;
    SceneNode* getSceneNodePointer() const;
    SceneManager* getSceneManagerPointer() const;
    double getCurrentTime() const;

    static std::shared_ptr<Component> getComponent(const std::string& typeName, const Entity* entity);
    std::shared_ptr<Component> checkRef(const std::shared_ptr<Component>& ref, const std::string& typeName) const;
    static std::shared_ptr<Component> checkDiffEntityRef(const std::shared_ptr<Component>& ref,
                                                         const std::string& typeName, const Entity* entity);

    /// False when the entity already has an entry under typeName (the first stays).
    static bool registerComponent(const std::string& typeName, const Entity* entity,
                                  const std::shared_ptr<Component>& component);
    /// Erases the entity's entry under typeName only when it is this very component,
    /// so one component never removes another's entry.
    static std::size_t unregisterComponent(const std::string& typeName, const Entity* entity,
                                           const Component* component);
    /// Lists the entity's entry under typeName when it is this very component.
    static void visitRegistryEntry(const std::string& typeName, const Entity& entity, const Component* component,
                                   ReferenceVisitor& visitor);

private:
    friend class Entity;

    std::weak_ptr<Entity> owner;
    Entity* ownerPointer = nullptr;  // null while unattached; written by the entity only
};

}
