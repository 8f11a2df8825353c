#include "core/resources/Resource.h"

#include "core/LogManager.h"

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

void Resource::load()
{
    // Loaded and half-loaded resources are left alone: a loader that reaches
    // its own resource again must not start a second load.
    if (loadState != UNLOADED)
        return;
    std::lock_guard<std::recursive_mutex> lock(mutex);
    loadState = LOADING;
    try
    {
        if (loader)
            loader->loadResource(this);
        else
            loadImpl();
    }
    catch (const std::exception& error)
    {
        // A loader that throws leaves nothing half loaded behind: the
        // resource can be loaded again once the cause is mended.
        loadState = UNLOADED;
        if (LogManager* logs = LogManager::getSingletonPtr())
            logs->logMessageToDefault("Error: Loading " + name + " failed: " + error.what(), LogFile::ML_CRITICAL);
        throw;
    }
    catch (...)
    {
        loadState = UNLOADED;
        throw;
    }
    loadState = LOADED;
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
