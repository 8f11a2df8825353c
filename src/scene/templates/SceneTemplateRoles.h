#pragma once
// The three roles of a spawner, each a component on the spawning entity: a
// creator decides when to create, a generator which scene template to use,
// an instantiator turns the template into nodes. A role is found by its class
// level in the entity's registry, and only a component of that role counts:
// anything else registered under the role's name is treated as missing.

#include "scene/ComponentClass.h"

#include <memory>
#include <string>

namespace Tarnu
{

class SceneNode;
class SceneTemplate;

class SceneTemplateGenerator : public ComponentClass<SceneTemplateGenerator>
{
public:
    static inline const std::string FACTORY_TYPE = "SceneTemplateGenerator";

    /// May answer nothing: no scene this time.
    virtual std::shared_ptr<SceneTemplate> generateTemplate() = 0;
};

class SceneTemplateInstantiator : public ComponentClass<SceneTemplateInstantiator>
{
public:
    static inline const std::string FACTORY_TYPE = "SceneTemplateInstantiator";

    /// Accepts an empty template; answers the top node of what it built, or nothing.
    virtual std::shared_ptr<SceneNode> instantiateTemplate(const std::shared_ptr<SceneTemplate>& sceneTemplate) = 0;
};

class SceneTemplateCreator : public ComponentClass<SceneTemplateCreator>
{
public:
    static inline const std::string FACTORY_TYPE = "SceneTemplateCreator";

    /// Asks the entity's generator for a template and its instantiator to build it.
    virtual void createScene();

protected:
    /// What createScene builds; empty without both roles on the entity.
    std::shared_ptr<SceneNode> instantiateGenerated();
};

}
