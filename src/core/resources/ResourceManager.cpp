#include "core/resources/ResourceManager.h"

#include <vector>

namespace Tarnu
{

std::shared_ptr<Resource> ResourceManager::create(const std::string& name, ManualResourceLoader* loader)
{
    if (name.empty())
        return nullptr;
    auto found = byName.find(name);
    if (found != byName.end())
        return found->second;
    std::shared_ptr<Resource> resource = createResource(name, getNextHandle(), loader);
    if (resource)
        insert(resource);
    return resource;
}

void ResourceManager::insert(const std::shared_ptr<Resource>& resource)
{
    byName.emplace(resource->getName(), resource);
    byHandle.emplace(resource->getHandle(), resource);
}

std::shared_ptr<Resource> ResourceManager::createResource(const std::string&, std::uint32_t, ManualResourceLoader*)
{
    return nullptr;
}

std::shared_ptr<Resource> ResourceManager::getResource(const std::string& name) const
{
    auto found = byName.find(name);
    return found == byName.end() ? nullptr : found->second;
}

std::shared_ptr<Resource> ResourceManager::getResource(std::uint32_t handle) const
{
    auto found = byHandle.find(handle);
    return found == byHandle.end() ? nullptr : found->second;
}

std::uint32_t ResourceManager::getNextHandle()
{
    // 0 is never a handle, also once the counter wraps.
    while (nextHandle == 0 || byHandle.count(nextHandle))
        ++nextHandle;
    return nextHandle++;
}

void ResourceManager::unloadAll()
{
    // A snapshot: unloading may run a resource's own code, which may create or drop resources.
    std::vector<std::shared_ptr<Resource>> resources;
    resources.reserve(byHandle.size());
    for (const auto& entry : byHandle)
        resources.push_back(entry.second);
    for (const std::shared_ptr<Resource>& resource : resources)
        resource->unload();
}

void ResourceManager::remove(std::uint32_t handle)
{
    auto found = byHandle.find(handle);
    if (found == byHandle.end())
        return;
    // Held until both maps let go: the name entry may be the last other owner.
    const std::shared_ptr<Resource> resource = found->second;
    auto named = byName.find(resource->getName());
    if (named != byName.end() && named->second == resource)
        byName.erase(named);
    byHandle.erase(found);
}

void ResourceManager::removeUnreferenced()
{
    std::vector<std::shared_ptr<Resource>> unreferenced;
    for (const auto& entry : byHandle)
        if (entry.second.use_count() == 2)
            unreferenced.push_back(entry.second);
    for (const std::shared_ptr<Resource>& resource : unreferenced)
    {
        byHandle.erase(resource->getHandle());
        byName.erase(resource->getName());
    }
    // The collection lets go last, so the resources unload outside the maps.
}

}
