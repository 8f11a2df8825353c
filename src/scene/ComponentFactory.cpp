#include "scene/ComponentFactory.h"

#include "core/ParameterTable.h"
#include "scene/Component.h"

#include <stdexcept>

namespace Tarnu
{

void ComponentFactory::registerType(const std::shared_ptr<Component>& prototype)
{
    if (!prototype)
        return;
    const std::string& type = prototype->getType();
    if (prototypes.count(type))
        return;
    if (type == Component::FACTORY_TYPE)
        throw std::runtime_error("attempt to register object with type 'Component'.");
    prototypes.emplace(type, prototype);
}

std::shared_ptr<Component> ComponentFactory::getRegistered(const std::string& name) const
{
    auto found = prototypes.find(name);
    return found == prototypes.end() ? nullptr : found->second;
}

std::shared_ptr<Component> ComponentFactory::create(const std::string& name, const ParameterList& params) const
{
    const std::shared_ptr<Component> prototype = getRegistered(name);
    if (!prototype)
        throw std::runtime_error("Unregistered factory type '" + name + "'.");
    std::shared_ptr<Component> made;
    {
        const ParameterReading reading(ParameterTable::COMPONENT, name, params);
        made = prototype->createNew(params);
    }
    if (!made)
        throw std::runtime_error("Create function returned null for type '" + name + "'.");
    if (made->getType() != prototype->getType())
        throw std::runtime_error("Factory object created by '" + name + "' has different type of '" +
                                 made->getType() + ".");
    if (made->getSuperType() != prototype->getSuperType())
        throw std::runtime_error("Factory object created by " + name + " has different super type of '" +
                                 made->getSuperType() + "' instead of '" + prototype->getSuperType() + "'.");
    return made;
}

}
