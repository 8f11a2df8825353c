#include "scene/templates/SceneTemplateRoles.h"

#include "scene/SceneNode.h"
#include "scene/templates/SceneTemplate.h"

namespace Tarnu
{

namespace
{

template <class Role>
std::shared_ptr<Role> findRole(const Entity* entity)
{
    return std::dynamic_pointer_cast<Role>(Component::getComponent(Role::FACTORY_TYPE, entity));
}

}

void SceneTemplateCreator::createScene()
{
    instantiateGenerated();
}

std::shared_ptr<SceneNode> SceneTemplateCreator::instantiateGenerated()
{
    const Entity* entity = getOwnerPointer();
    const std::shared_ptr<SceneTemplateGenerator> generator = findRole<SceneTemplateGenerator>(entity);
    const std::shared_ptr<SceneTemplateInstantiator> instantiator = findRole<SceneTemplateInstantiator>(entity);
    if (!generator || !instantiator)
        return nullptr;
    return instantiator->instantiateTemplate(generator->generateTemplate());
}

}
