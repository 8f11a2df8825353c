#pragma once
// Anything the engine loads from outside: a named, numbered item that its
// manager creates unloaded and that loads on demand, through its own loadImpl
// or through a ManualResourceLoader. Bad data never fails a load: the resource
// ends LOADED with its load-error flag set, and callers ask wasLoadError.
//
// Every concrete resource's destructor calls unload itself, so that unloadImpl
// runs while the subclass still exists.
//
// A loader that needs other resources loaded first (included files, base and
// included templates) loads in steps, answering each such resource to load():
// a chain of includes is then a loop in load(), never a native call per link.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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

    /// Loads the resource now, or, when called from inside another load, once
    /// the outermost load in progress has finished its own chain (before it
    /// returns): for holders that keep a resource without reading it, so that
    /// chains of loads through them stay loops as well.
    static void loadSoon(const std::shared_ptr<Resource>& resource);

    const std::string& getName() const { return name; }
    std::uint32_t getHandle() const { return handle; }
    LoadState getLoadState() const { return loadState; }
    bool isLoaded() const { return loadState == LOADED; }

protected:
    /// What a load in steps keeps from one step to the next.
    struct LoadProgress
    {
        virtual ~LoadProgress() = default;
    };

    /// The whole load of a resource that loads in one step.
    virtual void loadImpl() {}
    virtual void unloadImpl() = 0;
    /// One step of loading: answers a resource to load before the next step
    /// (load() loads it unless it is loaded or loading already, then calls the
    /// step again), or nothing when the load is done. progress is empty at the
    /// first step and is dropped after the last or when a step throws. By
    /// default, loadImpl in one step.
    virtual std::shared_ptr<Resource> loadStep(std::unique_ptr<LoadProgress>& progress);

    // Recursive: reload holds it across unload and load, and a loadImpl may
    // call operations of its own resource that take it again.
    mutable std::recursive_mutex mutex;
    bool loadError = false;

private:
    struct LoadFrame;

    /// Loads first, and every resource its steps ask for, with a work list.
    static void loadChain(Resource& first);
    /// After a throwing step: every load of the chain ends UNLOADED, innermost first, each logged.
    static void abandonChain(std::vector<LoadFrame>& frames, const char* reason);

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
