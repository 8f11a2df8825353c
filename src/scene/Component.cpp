#include "scene/Component.h"

#include "core/OwnedReferences.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

#include <unordered_map>

namespace Tarnu
{

std::int32_t activeComponentCount = 0;

namespace
{

using EntityMap = std::unordered_map<const Entity*, std::shared_ptr<Component>>;

// A function-local map: components of static lifetime may be built before any other static.
std::unordered_map<std::string, EntityMap>& registry()
{
    static std::unordered_map<std::string, EntityMap> map;
    return map;
}

}

Component::~Component()
{
    --activeComponentCount;
}

std::shared_ptr<SceneNode> Component::getSceneNode() const
{
    return ownerPointer ? ownerPointer->getSceneNode() : nullptr;
}

std::shared_ptr<SceneManager> Component::getSceneManager() const
{
    return ownerPointer ? ownerPointer->getSceneManager() : nullptr;
}

SceneNode* Component::getSceneNodePointer() const
{
    return ownerPointer ? ownerPointer->getSceneNodePointer() : nullptr;
}

SceneManager* Component::getSceneManagerPointer() const
{
    SceneNode* node = getSceneNodePointer();
    return node ? node->getManagerPointer() : nullptr;
}

double Component::getCurrentTime() const
{
    SceneManager* manager = getSceneManagerPointer();
    return manager ? manager->getCurrentTime() : 0.0;
}

std::shared_ptr<Component> Component::getComponent(const std::string& typeName, const Entity* entity)
{
    auto type = registry().find(typeName);
    if (type == registry().end())
        return nullptr;
    auto found = type->second.find(entity);
    return found == type->second.end() ? nullptr : found->second;
}

std::shared_ptr<Component> Component::checkRef(const std::shared_ptr<Component>& ref,
                                               const std::string& typeName) const
{
    return checkDiffEntityRef(ref, typeName, ownerPointer);
}

std::shared_ptr<Component> Component::checkDiffEntityRef(const std::shared_ptr<Component>& ref,
                                                         const std::string& typeName, const Entity* entity)
{
    if (ref && ref->ownerPointer == entity)
        return ref;
    return getComponent(typeName, entity);
}

bool Component::registerComponent(const std::string& typeName, const Entity* entity,
                                  const std::shared_ptr<Component>& component)
{
    return registry()[typeName].emplace(entity, component).second;
}

void Component::visitRegistryEntry(const std::string& typeName, const Entity& entity, const Component* component,
                                   ReferenceVisitor& visitor)
{
    auto type = registry().find(typeName);
    if (type == registry().end())
        return;
    auto found = type->second.find(&entity);
    if (found != type->second.end() && found->second.get() == component)
        visitor(found->second);
}

std::size_t Component::unregisterComponent(const std::string& typeName, const Entity* entity,
                                           const Component* component)
{
    auto type = registry().find(typeName);
    if (type == registry().end())
        return 0;
    auto found = type->second.find(entity);
    if (found == type->second.end() || found->second.get() != component)
        return 0;
    // Moved out first: the entry may hold the last reference to the component.
    const std::shared_ptr<Component> leaving = std::move(found->second);
    type->second.erase(found);
    return 1;
}

}
