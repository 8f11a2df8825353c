#include "scene/templates/SpawnPointSTI.h"

#include "core/EngineWarning.h"
#include "core/math/FiniteCheck.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"
#include "scene/templates/SceneTemplate.h"

namespace Tarnu
{

std::shared_ptr<Component> SpawnPointSTI::createNew(const ParameterList&) const
{
    return std::make_shared<SpawnPointSTI>();
}

std::shared_ptr<Component> SpawnPointSTI::createCopy() const
{
    return std::make_shared<SpawnPointSTI>();
}

std::shared_ptr<SceneNode> SpawnPointSTI::instantiateTemplate(const std::shared_ptr<SceneTemplate>& sceneTemplate)
{
    const std::shared_ptr<SceneNode> node = getSceneNode();
    const std::shared_ptr<SceneManager> scene = node ? node->getManager() : nullptr;
    if (!sceneTemplate || !scene)
        return nullptr;
    // Copies: building runs component code that may move this node.
    const Vector2 position = node->getWorldPosition();
    const Complex orientation = node->getWorldOrientation();
    if (!isFinite(position) || !isFinite(orientation))
    {
        // Its place overflowed with its parents' transforms: there is nowhere to build, and a spawner asks again.
        if (!placeReported)
            logEngineWarning("the spawn point of entity '" + getEntity()->getName() +
                             "' built nothing: its world place " + position.toString() + " is not finite.");
        placeReported = true;
        return nullptr;
    }
    return sceneTemplate->createSceneInManager(scene, position, orientation);
}

}
