#include "scene/SceneEvent.h"

namespace Tarnu
{

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
