#include "game/paths/StraightLinePathfinder.h"

#include "core/OwnedReferences.h"
#include "core/ParameterTable.h"
#include "scene/Entity.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::COMPONENT, "StraightLinePathfinder", {});

std::shared_ptr<const PathNode> pathTo(const std::shared_ptr<Vector2>& point)
{
    return std::make_shared<PathNode>(PathNode{point, nullptr});
}

}

StraightLinePathfinder::StraightLinePathfinder()
    : destPoint(std::make_shared<Vector2>(Vector2::ZERO)), path(pathTo(destPoint))
{
}

std::shared_ptr<Component> StraightLinePathfinder::createNew(const ParameterList& params) const
{
    return std::make_shared<StraightLinePathfinder>();
}

std::shared_ptr<Component> StraightLinePathfinder::createCopy() const
{
    return std::make_shared<StraightLinePathfinder>();
}

void StraightLinePathfinder::entityChanged(const std::shared_ptr<Entity>& newEntity,
                                           const std::shared_ptr<Entity>& oldEntity)
{
    Pathfinder::entityChanged(newEntity, oldEntity);
    PathwalkerListener* walkListener = this;
    if (oldEntity)
    {
        stop();
        walker.reset();
        hasDest = false;
        destEntity.reset();
        oldEntity->removeEventListener(walkListener);
    }
    if (newEntity)
        newEntity->addEventListener(walkListener);
}

bool StraightLinePathfinder::inReach(const Entity& target) const
{
    const SceneNode* node = target.getSceneNodePointer();
    return (node ? node->getManagerPointer() : nullptr) == getSceneManagerPointer();
}

void StraightLinePathfinder::setDest(const std::shared_ptr<Entity>& entity)
{
    if (hasDest)
        stop();
    destEntity = entity ? entity->getSelf() : nullptr;
    hasDest = entity && inReach(*entity);
    if (hasDest)
        *destPoint = lastTargetPosition = entity->getWorldPosition();
}

void StraightLinePathfinder::setDest(const Vector2& point)
{
    requireFinite(point, "point");
    if (hasDest)
        stop();
    *destPoint = point;
    destEntity.reset();
    hasDest = true;
}

void StraightLinePathfinder::clearDest()
{
    stop();
    hasDest = false;
}

Vector2 StraightLinePathfinder::getDestOffset() const
{
    SceneNode* node = getSceneNodePointer();
    return node && hasDest ? *destPoint - node->getWorldPosition() : Vector2::ZERO;
}

void StraightLinePathfinder::start()
{
    if (!hasDest)
        return;
    Pathwalker::refresh(walker, getOwnerPointer());
    if (walker)
        walker->setPath(path, 1);
}

void StraightLinePathfinder::stop()
{
    if (walker)
        walker->setPath(nullptr, 0);
}

void StraightLinePathfinder::pathAborted(const std::shared_ptr<const PathNode>& walked)
{
    if (walker && hasDest)
        walker->setPath(path, 1);
}

void StraightLinePathfinder::pathCompleted(const std::shared_ptr<const PathNode>& walked)
{
    Pathwalker::refresh(walker, getOwnerPointer());
    // A target that is gone, or out of this scene, ends the chase where it was last seen.
    const std::shared_ptr<Entity> target = destEntity.lock();
    if (walker && hasDest && target && inReach(*target) && target->getWorldPosition() != lastTargetPosition)
    {
        hasDest = false;
        setDest(target);
        start();
        return;
    }
    destEntity.reset();
    hasDest = false;
    const std::shared_ptr<Entity> entity = getEntity();
    if (!entity)
        return;
    const Vector2& reached = walked && walked->point ? *walked->point : *destPoint;
    entity->queueEvent(std::make_shared<PathfinderEvent>(getCurrentTime(), Pathfinder::getFor(entity.get()), reached));
}

void StraightLinePathfinder::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(walker);
}

}
