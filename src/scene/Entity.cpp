#include "scene/Entity.h"

#include "scene/Component.h"
#include "scene/EntityEvent.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

#include <algorithm>
#include <stdexcept>

namespace Tarnu
{

std::int32_t activeEntityCount = 0;

void Entity::Deleter::operator()(Entity* entity) const
{
    if (entity->components.empty())
    {
        delete entity;
        return;
    }
    // Components and listeners may ask for the entity while they are detached;
    // a temporary owner lets them, and a pointer one of them keeps keeps the entity.
    std::shared_ptr<Entity> temporary(entity, Deleter());
    entity->self = temporary;
    entity->removeAllComponents();
}

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
    const std::vector<std::shared_ptr<Component>> originals = source->components;
    copy->components.reserve(originals.size());
    for (const std::shared_ptr<Component>& original : originals)
    {
        const std::shared_ptr<Component> component = original->createCopy();
        // A copy that some other entity already owns is not ours to take.
        if (copy->adopt(component))
            component->entityChanged(copy, nullptr);
    }
    const std::vector<std::shared_ptr<Component>> added = copy->components;
    for (const std::shared_ptr<Component>& component : added)
        copy->postComponentEvent(component, true, 0.0, nullptr);
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
    if (!component || component->ownerPointer || !component->attach(this, component))
        return false;
    components.push_back(component);
    component->owner = self;
    component->ownerPointer = this;
    return true;
}

void Entity::announceAdded(const std::shared_ptr<Component>& component, const std::shared_ptr<SceneManager>& manager)
{
    component->entityChanged(self.lock(), nullptr);
    if (manager)
        component->managerChanged(manager, nullptr);
    postComponentEvent(component, true, getEventTime(), manager);
}

void Entity::postComponentEvent(const std::shared_ptr<Component>& component, bool added, double time,
                                const std::shared_ptr<SceneManager>& manager)
{
    auto event = std::make_shared<EntityEvent>(time, self.lock(), component,
                                               added ? EntityEvent::COMPONENT_ADDED : EntityEvent::COMPONENT_REMOVED);
    postEvent(event);
    if (manager)
        manager->postEvent(event);
}

bool Entity::addComponent(const std::shared_ptr<Component>& component)
{
    if (!adopt(component))
        return false;
    announceAdded(component, getSceneManager());
    return true;
}

void Entity::addComponents(const std::vector<std::shared_ptr<Component>>& added)
{
    components.reserve(components.size() + added.size());
    std::vector<std::shared_ptr<Component>> accepted;
    for (const std::shared_ptr<Component>& component : added)
        if (adopt(component))
            accepted.push_back(component);
    // Every component is attached before any hears of its entity, so each can find its batch siblings.
    const std::shared_ptr<SceneManager> manager = getSceneManager();
    for (const std::shared_ptr<Component>& component : accepted)
        if (component->ownerPointer == this)  // a sibling's notification may have removed it already
            announceAdded(component, manager);
}

void Entity::removeComponent(const std::shared_ptr<Component>& component)
{
    if (!component || component->ownerPointer != this)
        return;
    // Absent while removeAllComponents is detaching the list: it will reach this one itself.
    auto found = std::find(components.begin(), components.end(), component);
    if (found == components.end())
        return;
    const std::shared_ptr<Component> leaving = component;
    components.erase(found);
    leaving->owner.reset();
    leaving->ownerPointer = nullptr;
    const std::shared_ptr<SceneManager> manager = getSceneManager();
    if (manager)
        leaving->managerChanged(nullptr, manager);
    leaving->entityChanged(nullptr, self.lock());
    leaving->detach(this);
    postComponentEvent(leaving, false, getEventTime(), manager);
}

void Entity::removeAllComponents()
{
    // Taken first: the notifications may add components, which then stay.
    const std::vector<std::shared_ptr<Component>> leaving = std::move(components);
    components.clear();
    const std::shared_ptr<SceneManager> manager = getSceneManager();
    const std::shared_ptr<Entity> me = self.lock();
    for (const std::shared_ptr<Component>& component : leaving)
    {
        component->owner.reset();
        component->ownerPointer = nullptr;
        component->detach(this);
        if (manager)
            component->managerChanged(nullptr, manager);
        component->entityChanged(nullptr, me);
    }
    const double time = getEventTime();
    for (const std::shared_ptr<Component>& component : leaving)
        postComponentEvent(component, false, time, manager);
}

void Entity::kill()
{
    if (!sceneNodePointer)
        return;
    if (SceneManager* scene = sceneNodePointer->getManagerPointer())
        scene->addToGarbage(sceneNode.lock());
}

void Entity::accept(Visitor<std::shared_ptr<Component>>& visitor)
{
    const std::vector<std::shared_ptr<Component>> snapshot = components;
    for (const std::shared_ptr<Component>& component : snapshot)
        visitor.visit(component);
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
