#pragma once
// The singleton manager of scene templates; created after the XmlFileManager,
// which it asks to index "SceneTemplate" elements.

#include "core/resources/XmlElementResource.h"
#include "scene/templates/SceneTemplate.h"

namespace Tarnu
{

class SceneTemplateManager : public XmlElementResourceManager<SceneTemplateManager, SceneTemplate>
{
public:
    SceneTemplateManager() : XmlElementResourceManager(SceneTemplate::FACTORY_TYPE) {}

    std::shared_ptr<SceneTemplate> loadTemplate(const std::string& name, const std::string& file = "")
    {
        return loadElement(name, file);
    }
};

}
