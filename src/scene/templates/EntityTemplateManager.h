#pragma once
// The singleton manager of entity templates; created after the XmlFileManager,
// which it asks to index "EntityTemplate" elements.

#include "core/resources/XmlElementResource.h"
#include "scene/templates/EntityTemplate.h"

namespace Tarnu
{

class EntityTemplateManager : public XmlElementResourceManager<EntityTemplateManager, EntityTemplate>
{
public:
    EntityTemplateManager() : XmlElementResourceManager(EntityTemplate::FACTORY_TYPE) {}

    std::shared_ptr<EntityTemplate> loadTemplate(const std::string& name, const std::string& file)
    {
        return loadElement(name, file);
    }
};

}
