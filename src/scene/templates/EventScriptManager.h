#pragma once
// The singleton manager of event scripts; created after the XmlFileManager,
// which it asks to index "EventScript" elements.

#include "core/resources/XmlElementResource.h"
#include "scene/templates/EventScript.h"

namespace Tarnu
{

class EventScriptManager : public XmlElementResourceManager<EventScriptManager, EventScript>
{
public:
    EventScriptManager() : XmlElementResourceManager(EventScript::FACTORY_TYPE) {}

    std::shared_ptr<EventScript> loadScript(const std::string& name, const std::string& file = "")
    {
        return loadElement(name, file);
    }
};

}
