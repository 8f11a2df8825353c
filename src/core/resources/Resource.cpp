#include "core/resources/Resource.h"

#include "core/LogManager.h"
#include "core/PythonManager.h"

#include <deque>

namespace Tarnu
{

Resource::Resource(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader)
    : name(name), handle(handle), loader(loader)
{
}

Resource::~Resource()
{
    if (loader && loader->isOwnedByResource())
        delete loader;
}

namespace
{

// The loads put off until the outermost load running on this thread is done,
// or null while none runs.
thread_local std::deque<std::shared_ptr<Resource>>* postponedLoads = nullptr;

}

/// One load of a chain: its resource locked and in LOADING, and what its steps keep.
struct Resource::LoadFrame
{
    std::shared_ptr<Resource> held;   // a resource a step asked for; the first is held by its caller
    Resource* resource;
    std::unique_lock<std::recursive_mutex> lock;
    std::unique_ptr<LoadProgress> progress;   // dropped before the lock
};

std::shared_ptr<Resource> Resource::loadStep(std::unique_ptr<LoadProgress>&)
{
    loadImpl();
    return nullptr;
}

void Resource::load()
{
    // Loaded and half-loaded resources are left alone: a loader that reaches
    // its own resource again must not start a second load.
    if (loadState != UNLOADED)
        return;
    if (postponedLoads)
    {
        loadChain(*this);
        return;
    }
    std::deque<std::shared_ptr<Resource>> postponed;
    postponedLoads = &postponed;
    struct Outermost
    {
        ~Outermost() { postponedLoads = nullptr; }
    } outermost;
    loadChain(*this);
    while (!postponed.empty())
    {
        const std::shared_ptr<Resource> next = std::move(postponed.front());
        postponed.pop_front();
        // Its holder did not wait for it: a failure is logged by the chain and
        // is not one of the resource this call loaded.
        try
        {
            if (next->loadState == UNLOADED)
                loadChain(*next);
        }
        catch (...)
        {
            PythonManager::discardPendingError();
        }
    }
}

void Resource::loadSoon(const std::shared_ptr<Resource>& resource)
{
    if (!resource)
        return;
    if (postponedLoads)
        postponedLoads->push_back(resource);
    else
        resource->load();
}

void Resource::loadChain(Resource& first)
{
    std::vector<LoadFrame> frames;
    const auto begin = [&frames](Resource& resource, std::shared_ptr<Resource> held) {
        frames.push_back(LoadFrame{std::move(held), &resource, std::unique_lock<std::recursive_mutex>(resource.mutex),
                                   nullptr});
        resource.loadState = LOADING;
    };
    begin(first, nullptr);
    try
    {
        while (!frames.empty())
        {
            LoadFrame& top = frames.back();
            std::shared_ptr<Resource> needed;
            if (top.resource->loader)
                top.resource->loader->loadResource(top.resource);
            else
                needed = top.resource->loadStep(top.progress);
            if (needed)
            {
                if (needed->loadState == UNLOADED)
                    begin(*needed, needed);
                continue;
            }
            top.resource->loadState = LOADED;
            frames.pop_back();
        }
    }
    catch (const std::exception& error)
    {
        // A loader that throws leaves nothing half loaded behind: the
        // resources can be loaded again once the cause is mended.
        abandonChain(frames, error.what());
        throw;
    }
    catch (...)
    {
        abandonChain(frames, nullptr);
        throw;
    }
}

void Resource::abandonChain(std::vector<LoadFrame>& frames, const char* reason)
{
    while (!frames.empty())
    {
        Resource& resource = *frames.back().resource;
        resource.loadState = UNLOADED;
        if (reason)
            if (LogManager* logs = LogManager::getSingletonPtr())
                logs->logMessageToDefault("Error: Loading " + resource.name + " failed: " + reason,
                                          LogFile::ML_CRITICAL);
        frames.pop_back();
    }
}

void Resource::unload()
{
    if (loadState != LOADED)
        return;
    std::lock_guard<std::recursive_mutex> lock(mutex);
    loadState = UNLOADING;
    try
    {
        unloadImpl();
    }
    catch (...)
    {
        loadState = UNLOADED;
        throw;
    }
    loadState = UNLOADED;
}

void Resource::reload()
{
    if (loadState != LOADED)
        return;
    std::lock_guard<std::recursive_mutex> lock(mutex);
    unload();
    load();
}

}
