#pragma once
// Keeps the resources of one kind by name and by handle, hands out handles
// that are never 0 and never in use, and unloads or drops its resources in
// bulk. It never loads: create answers an UNLOADED resource and loading is the
// caller's business. A resource it holds is referenced twice, once from each
// map, which is how removeUnreferenced tells what nobody else holds.
//
// Each kind has one typed manager, a singleton that only says which resource
// it makes (TypedResourceManager).

#include "core/Singleton.h"
#include "core/resources/Resource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace Tarnu
{

class ResourceManager
{
public:
    ResourceManager() = default;
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;
    virtual ~ResourceManager() = default;

    /// The resource of that name, made unloaded when there is none; an empty name gives nothing.
    virtual std::shared_ptr<Resource> create(const std::string& name, ManualResourceLoader* loader);
    /// The typed manager's factory.
    virtual std::shared_ptr<Resource> createResource(const std::string& name, std::uint32_t handle,
                                                     ManualResourceLoader* loader);

    std::shared_ptr<Resource> getResource(const std::string& name) const;
    std::shared_ptr<Resource> getResource(std::uint32_t handle) const;
    std::uint32_t getNextHandle();

    void unloadAll();
    void remove(std::uint32_t handle);
    void removeUnreferenced();

protected:
    /// Enters a resource made under a handle from getNextHandle in both tables;
    /// for managers whose resources need more than createResource is given.
    void insert(const std::shared_ptr<Resource>& resource);

private:
    std::unordered_map<std::string, std::shared_ptr<Resource>> byName;
    std::unordered_map<std::uint32_t, std::shared_ptr<Resource>> byHandle;
    std::uint32_t nextHandle = 1;
};

/// The singleton manager of one resource kind T. Managers whose resources need
/// the manager's own state to unload call unloadAll in their own destructor
/// first; the second call here then finds nothing loaded.
template <class Manager, class T>
class TypedResourceManager : public ResourceManager, public Singleton<Manager>
{
public:
    ~TypedResourceManager() override { unloadAll(); }

    std::shared_ptr<Resource> createResource(const std::string& name, std::uint32_t handle,
                                             ManualResourceLoader* loader) override
    {
        return std::make_shared<T>(name, handle, loader);
    }

    std::shared_ptr<T> createTyped(const std::string& name, ManualResourceLoader* loader = nullptr)
    {
        return std::static_pointer_cast<T>(create(name, loader));
    }
};

}
