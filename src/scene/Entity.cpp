#include "scene/Entity.h"

#include "core/OwnedReferences.h"
#include "core/SnapshotWalk.h"
#include "scene/Component.h"
#include "scene/EntityEvent.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

#include <algorithm>
#include <stdexcept>

namespace Tarnu
{

std::int32_t activeEntityCount = 0;

Entity::Entity(const std::string& name) : EventManager(&Entity::queueNotify), NameableObject<Entity>(name)
{
    ++activeEntityCount;
}

Entity::~Entity()
{
    --activeEntityCount;
}

std::shared_ptr<Entity> Entity::createNew(const std::string& name)
{
    std::shared_ptr<Entity> entity(new Entity(name), Deleter());
    entity->self = entity;
    return entity;
}

std::shared_ptr<Entity> Entity::createCopy(const std::shared_ptr<Entity>& source, const std::string& name)
{
    if (!source)
        throw std::runtime_error("entity to copy is null");
    std::shared_ptr<Entity> copy = createNew(name);
    copy->components.reserve(source->components.size());
    walkSnapshot(
        source->components, [&source](const Component& original) { return source->owns(original); },
        [&copy](const std::shared_ptr<Component>& original) {
            const std::shared_ptr<Component> component = original->createCopy();
            // A copy that some other entity already owns is not ours to take.
            if (copy->adopt(component))
                component->entityChanged(copy, nullptr);
        });
    walkSnapshot(
        copy->components, [&copy](const Component& component) { return copy->owns(component); },
        [&copy](const std::shared_ptr<Component>& component) {
            copy->postComponentEvent(component, true, 0.0, nullptr);
        });
    return copy;
}

void Entity::queueNotify(EventManager* manager)
{
    // Registered by the Entity constructor only, so the manager is an entity.
    Entity* entity = static_cast<Entity*>(manager);
    if (entity->sceneNodePointer)
        if (SceneManager* scene = entity->sceneNodePointer->getManagerPointer())
            scene->addPendingEventManager(entity->self);
}

void Entity::setSceneNode(const std::shared_ptr<SceneNode>& node, SceneNode* pointer)
{
    sceneNode = node;
    sceneNodePointer = pointer;
}

std::shared_ptr<SceneManager> Entity::getSceneManager() const
{
    return sceneNodePointer ? sceneNodePointer->getManager() : nullptr;
}

std::shared_ptr<Entity> Entity::getParentEntity() const
{
    if (!sceneNodePointer)
        return nullptr;
    for (SceneNode* node = sceneNodePointer->getParentPointer(); node; node = node->getParentPointer())
        if (node->getEntity())
            return node->getEntity();
    return nullptr;
}

Vector2 Entity::getWorldPosition() const
{
    return sceneNodePointer ? sceneNodePointer->getWorldPosition() : Vector2::ZERO;
}

Complex Entity::getWorldOrientation() const
{
    return sceneNodePointer ? sceneNodePointer->getWorldOrientation() : Complex::IDENTITY;
}

Scale Entity::getWorldScale() const
{
    return sceneNodePointer ? sceneNodePointer->getWorldScale() : Scale::IDENTITY;
}

double Entity::getEventTime() const
{
    SceneManager* scene = sceneNodePointer ? sceneNodePointer->getManagerPointer() : nullptr;
    return scene ? scene->getCurrentTime() : 0.0;
}

bool Entity::adopt(const std::shared_ptr<Component>& component)
{
    if (!component || component->ownerPointer || !takesAdditions("Entity.addComponent") ||
        !component->attach(this, component))
        return false;
    // Attaching a script's component reads its class, which may run script code
    // that adds the component elsewhere first: then it is not ours.
    if (component->ownerPointer)
    {
        component->detach(this);
        return false;
    }
    components.push_back(component);
    component->owner = self;
    component->ownerPointer = this;
    return true;
}

bool Entity::owns(const Component& component) const
{
    return component.ownerPointer == this;
}

void Entity::announceAdded(const std::shared_ptr<Component>& component)
{
    const std::shared_ptr<Entity> me = self.lock();
    component->entityChanged(me, nullptr);
    const std::shared_ptr<SceneManager> manager = getSceneManager();
    if (manager && owns(*component))
        component->managerChanged(manager, nullptr);
    if (owns(*component))
        postComponentEvent(component, true, getEventTime(), manager);
}

void Entity::postComponentEvent(const std::shared_ptr<Component>& component, bool added, double time,
                                const std::shared_ptr<SceneManager>& manager)
{
    auto event = std::make_shared<EntityEvent>(time, self.lock(), component,
                                               added ? EntityEvent::COMPONENT_ADDED : EntityEvent::COMPONENT_REMOVED);
    postEvent(event);
    const SceneManager* scene = sceneNodePointer ? sceneNodePointer->getManagerPointer() : nullptr;
    if (manager && manager.get() == scene && owns(*component) == added)
        manager->postEvent(event);
}

bool Entity::addComponent(const std::shared_ptr<Component>& component)
{
    // Held for the announcement: the caller's pointer may be one a callback resets.
    const std::shared_ptr<Component> added = component;
    if (!adopt(added))
        return false;
    announceAdded(added);
    return true;
}

void Entity::addComponents(const std::vector<std::shared_ptr<Component>>& added)
{
    const std::shared_ptr<Entity> keep = self.lock();
    components.reserve(components.size() + added.size());
    std::vector<std::shared_ptr<Component>> accepted;
    for (const std::shared_ptr<Component>& component : added)
        if (adopt(component))
            accepted.push_back(component);
    // Every component is attached before any hears of its entity, so each can find its batch siblings.
    walkSnapshot(
        std::move(accepted), [this](const Component& component) { return owns(component); },
        [this](const std::shared_ptr<Component>& component) { announceAdded(component); });
}

void Entity::removeComponent(const std::shared_ptr<Component>& component)
{
    if (!component || component->ownerPointer != this)
        return;
    // Absent while removeAllComponents is detaching the list: it will reach this one itself.
    auto found = std::find(components.begin(), components.end(), component);
    if (found == components.end())
        return;
    const std::shared_ptr<Entity> me = self.lock();
    const std::shared_ptr<Component> leaving = component;
    components.erase(found);
    leaving->owner.reset();
    leaving->ownerPointer = nullptr;
    const std::shared_ptr<SceneManager> manager = getSceneManager();
    if (manager)
        leaving->managerChanged(nullptr, manager);
    // A callback may have put the component back, here or elsewhere: then it has
    // heard of its new entity, and keeps the entries it has here if it is back here.
    if (!leaving->ownerPointer)
        leaving->entityChanged(nullptr, me);
    if (owns(*leaving))
        return;
    leaving->detach(this);
    postComponentEvent(leaving, false, getEventTime(), manager);
}

void Entity::removeAllComponents()
{
    // Taken first: the notifications may add components, which then stay.
    const std::shared_ptr<Entity> me = self.lock();
    const std::vector<std::shared_ptr<Component>> leaving = std::move(components);
    components.clear();
    const std::shared_ptr<SceneManager> manager = getSceneManager();
    for (const std::shared_ptr<Component>& component : leaving)
    {
        component->owner.reset();
        component->ownerPointer = nullptr;
        component->detach(this);
        if (manager)
            component->managerChanged(nullptr, manager);
        if (!component->ownerPointer)
            component->entityChanged(nullptr, me);
    }
    const double time = getEventTime();
    walkSnapshot(
        leaving, [this](const Component& component) { return !owns(component); },
        [&](const std::shared_ptr<Component>& component) { postComponentEvent(component, false, time, manager); });
}

void Entity::kill()
{
    if (!sceneNodePointer)
        return;
    if (SceneManager* scene = sceneNodePointer->getManagerPointer())
        scene->addToGarbage(sceneNode.lock());
}

void Entity::forEachOwned(ReferenceVisitor& visitor) const
{
    EventManager::forEachOwned(visitor);
    for (const std::shared_ptr<Component>& component : components)
    {
        visitor(component);
        component->forEachRegistryEntry(*this, visitor);
    }
}

void Entity::accept(Visitor<std::shared_ptr<Component>>& visitor)
{
    walkSnapshot(
        components, [this](const Component& component) { return owns(component); },
        [&visitor](const std::shared_ptr<Component>& component) { visitor.visit(component); });
}

std::shared_ptr<SceneNode> createEntity(const std::shared_ptr<Component>& component, const std::string& name,
                                        const Vector2& position, const Complex& orientation, const Scale& scale)
{
    std::shared_ptr<Entity> entity = Entity::createNew(name);
    entity->addComponent(component);
    std::shared_ptr<SceneNode> node = SceneNode::createNew(position, orientation, scale);
    node->attach(entity);
    return node;
}

void refreshEntityReference(std::shared_ptr<Entity>& reference, const Entity& owner, const std::string& name)
{
    SceneNode* ownerNode = owner.getSceneNodePointer();
    SceneManager* scene = ownerNode ? ownerNode->getManagerPointer() : nullptr;
    if (!scene)
        return;
    SceneNode* referenceNode = reference ? reference->getSceneNodePointer() : nullptr;
    if (referenceNode && referenceNode->getManagerPointer() == scene)
        return;
    reference = scene->getEntity(name);
}

}
