#pragma once
// The instantiator of a spawner: builds the chosen scene template in its
// entity's scene, at the entity's world position and turned by its world
// orientation, as top-level nodes, so what it spawns stays when the spawner
// moves on or dies. An empty template, an entity outside a scene, or one whose
// world place is not finite, builds nothing.

#include "scene/templates/SceneTemplateRoles.h"

namespace Tarnu
{

class SpawnPointSTI : public ComponentClass<SpawnPointSTI, SceneTemplateInstantiator>
{
public:
    static inline const std::string FACTORY_TYPE = "SpawnPointSTI";

    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    std::shared_ptr<SceneNode> instantiateTemplate(const std::shared_ptr<SceneTemplate>& sceneTemplate) override;

private:
    bool placeReported = false;   // a place past the range of numbers is reported once
};

}
