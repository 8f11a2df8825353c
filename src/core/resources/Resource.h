#pragma once
// Anything the engine loads from outside: a named, numbered item that its
// manager creates unloaded and that loads on demand, through its own loadImpl
// or through a ManualResourceLoader. Bad data never fails a load: the resource
// ends LOADED with its load-error flag set, and callers ask wasLoadError.
//
// Every concrete resource's destructor calls unload itself, so that unloadImpl
// runs while the subclass still exists.

#include <cstdint>
#include <mutex>
#include <string>

namespace Tarnu
{

class ManualResourceLoader;

class Resource
{
public:
    enum LoadState
    {
        UNLOADED = 0,
        LOADING = 1,
        LOADED = 2,
        UNLOADING = 3
    };

    Resource(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader);
    Resource(const Resource&) = delete;
    Resource& operator=(const Resource&) = delete;
    virtual ~Resource();

    virtual void load();
    virtual void unload();
    virtual void reload();
    virtual bool wasLoadError() const { return loadError; }

    const std::string& getName() const { return name; }
    std::uint32_t getHandle() const { return handle; }
    LoadState getLoadState() const { return loadState; }
    bool isLoaded() const { return loadState == LOADED; }

protected:
    virtual void loadImpl() = 0;
    virtual void unloadImpl() = 0;

    // Recursive: reload holds it across unload and load, and a loadImpl may
    // call operations of its own resource that take it again.
    mutable std::recursive_mutex mutex;
    bool loadError = false;

private:
    const std::string name;
    const std::uint32_t handle;
    ManualResourceLoader* const loader;   // deleted with the resource when it says the resource owns it
    LoadState loadState = UNLOADED;
};

/// Loads a resource in place of the resource's own loadImpl.
class ManualResourceLoader
{
public:
    virtual ~ManualResourceLoader() = default;
    virtual void loadResource(Resource* resource) = 0;
    virtual bool isOwnedByResource() const = 0;
};

}
