#include "scene/templates/EventScript.h"

#include "core/EventFactory.h"
#include "core/PythonManager.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/templates/EventScriptManager.h"

#include <algorithm>
#include <stdexcept>

namespace Tarnu
{

namespace
{

const std::string EVENT = "Event";

}

EventScript::EventScript(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader)
    : XmlElementResource(name, handle, loader)
{
}

EventScript::~EventScript()
{
    unload();
}

void EventScript::loadImpl()
{
    const std::string prefix = "Error: Loading " + FACTORY_TYPE + " ";
    const XmlElement element = findOwnElement(FACTORY_TYPE, prefix);
    if (!element)
        return;
    const EventFactory* factory = EventFactory::getSingletonPtr();
    for (const pugi::xml_node& child : element.node.children(EVENT.c_str()))
    {
        const std::string location = element.file->describeLocation(child);
        ParameterList attributes;
        XmlFile::readAttributes(child, attributes);
        if (!attributes.contains("type"))
        {
            XmlFileManager::log(prefix + getName() + location + ": type attribute missing from " + EVENT + ".");
            continue;
        }
        const std::string& type = attributes.get("type");
        if (!factory || !factory->isRegistered(type))
        {
            XmlFileManager::log(prefix + getName() + location + ": event " + type + " is not registered with factory.");
            continue;
        }
        ParameterList params;
        element.file->readParameterList(child, "Param", params, prefix + getName());
        ScriptEvent scripted;
        attributes.get("time", scripted.time);
        attributes.get("destination", scripted.destination);
        try
        {
            scripted.event = factory->create(type, params);
            if (!scripted.event)
                throw std::runtime_error("factory returned null pointer.");
        }
        catch (const std::exception& error)
        {
            PythonManager::discardPendingError();
            XmlFileManager::log(prefix + getName() + location + ": error creating event " + type + ": " + error.what());
            continue;
        }
        catch (...)
        {
            PythonManager::discardPendingError();
            XmlFileManager::log(prefix + getName() + location + ": unknown error creating event " + type + ".");
            continue;
        }
        events.push_back(scripted);
    }
    if (events.empty())
        XmlFileManager::log("Warning: Loading " + FACTORY_TYPE + " " + getName() +
                            element.file->describeLocation(element.node) + ": no events were found.");
    // Stable: equal times keep document order.
    std::stable_sort(events.begin(), events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.time < b.time; });
    XmlFileManager::log("Loaded " + FACTORY_TYPE + " " + getName() + ".", LogFile::ML_NORMAL);
}

void EventScript::unloadImpl()
{
    events.clear();
}

std::shared_ptr<EventScript::EventProcess> EventScript::createProcess(const std::shared_ptr<SceneManager>& manager)
{
    if (!manager)
        return nullptr;
    std::lock_guard<std::recursive_mutex> guard(mutex);
    // The manager's own reference: a script it no longer holds is not played.
    std::shared_ptr<EventScript> self;
    if (EventScriptManager* scripts = EventScriptManager::getSingletonPtr())
        if (scripts->getResource(getHandle()).get() == this)
            self = std::static_pointer_cast<EventScript>(scripts->getResource(getHandle()));
    return std::make_shared<EventProcess>(self, manager);
}

EventScript::EventProcess::EventProcess(const std::shared_ptr<EventScript>& script,
                                        const std::shared_ptr<SceneManager>& manager)
    : script(script), manager(manager->getSelf())
{
}

void EventScript::EventProcess::updateProcess(double time)
{
    const std::shared_ptr<SceneManager> scene = manager.lock();
    if (!scene || !script || !script->isLoaded())
    {
        killProcess();
        return;
    }
    elapsed += time;
    ProcessManager* owner = getOwner();
    const double now = owner ? owner->getCurrentTime() : scene->getCurrentTime();
    // Re-checked every round: copying may run a script that unloads this one.
    while (script->isLoaded() && nextEvent < script->events.size() && elapsed >= script->events[nextEvent].time)
    {
        const ScriptEvent scripted = script->events[nextEvent++];
        std::shared_ptr<FactoryEvent> copy;
        try
        {
            copy = scripted.event->createCopy(now);
        }
        catch (const std::exception& error)
        {
            PythonManager::discardPendingError();
            XmlFileManager::log("Error: Playing " + FACTORY_TYPE + " " + script->getName() +
                                ": an event could not be copied and is passed over: " + error.what());
        }
        catch (...)
        {
            PythonManager::discardPendingError();
            XmlFileManager::log("Error: Playing " + FACTORY_TYPE + " " + script->getName() +
                                ": an event could not be copied and is passed over.");
        }
        if (!copy)
            continue;
        if (scripted.destination.empty())
            scene->queueEvent(copy);
        else if (const std::shared_ptr<Entity> entity = scene->getEntity(scripted.destination))
            entity->queueEvent(copy);
    }
    if (!script->isLoaded() || nextEvent >= script->events.size())
        killProcess();
}

}
