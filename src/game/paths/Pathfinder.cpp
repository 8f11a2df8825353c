#include "game/paths/Pathfinder.h"

#include "core/OwnedReferences.h"
#include "game/paths/PathfinderActionEvent.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

namespace Tarnu
{

Pathfinder::Pathfinder() : EventListener(PathfinderActionEvent::TYPE)
{
}

void Pathfinder::entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity)
{
    if (oldEntity)
        oldEntity->removeEventListener(this);
    if (newEntity)
        newEntity->addEventListener(this);
}

void Pathfinder::handleEvent(const std::shared_ptr<Event>& event)
{
    const std::shared_ptr<PathfinderActionEvent> action = std::dynamic_pointer_cast<PathfinderActionEvent>(event);
    SceneManager* scene = getSceneManagerPointer();
    if (!action || !scene)
        return;
    switch (action->getAction())
    {
    case PathfinderActionEvent::SET_VEC_DEST:
        setDest(action->getPosition());
        break;
    case PathfinderActionEvent::SET_ENT_DEST:
        setDest(action->findTarget(*scene));
        break;
    case PathfinderActionEvent::CLEAR_DEST:
        clearDest();
        break;
    case PathfinderActionEvent::START_PATHING:
        start();
        break;
    case PathfinderActionEvent::STOP_PATHING:
        stop();
        break;
    case PathfinderActionEvent::SET_VEC_DEST_AND_START:
        setDest(action->getPosition());
        start();
        break;
    case PathfinderActionEvent::SET_ENT_DEST_AND_START:
        setDest(action->findTarget(*scene));
        start();
        break;
    }
}

void PathfinderEvent::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(pathfinder);
}

}
