#include "scene/SceneEvent.h"

#include "core/OwnedReferences.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

namespace Tarnu
{

void SceneEvent::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(manager);
    visitor(entity);
}

void SceneListener::handleEvent(const std::shared_ptr<Event>& event)
{
    auto sceneEvent = std::dynamic_pointer_cast<SceneEvent>(event);
    if (!sceneEvent)
        return;
    if (sceneEvent->getType() == SceneEvent::ENTITY_ADDED)
        entityAdded(sceneEvent);
    else
        entityRemoved(sceneEvent);
}

}
