#include "game/world/FogVetoes.h"

#include "core/OwnedReferences.h"
#include "core/ParameterTable.h"
#include "game/units/PlayerUnit.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

namespace Tarnu
{

namespace
{

const ParameterTable NOT_VISIBLE_PARAMETERS(ParameterTable::COMPONENT, "PreventRenderWhenNotVisible", {});
const ParameterTable UNEXPLORED_PARAMETERS(ParameterTable::COMPONENT, "PreventRenderWhenUnexplored", {});

}

template <class Derived>
void FogVeto<Derived>::entityChanged(const std::shared_ptr<Entity>& newEntity,
                                     const std::shared_ptr<Entity>& oldEntity)
{
    if (oldEntity)
        oldEntity->removeEventListener(this);
    if (newEntity)
        newEntity->addEventListener(this);
}

template <class Derived>
void FogVeto<Derived>::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                      const std::shared_ptr<SceneManager>& oldManager)
{
    if (oldManager)
        disconnect();
    if (newManager)
        if (const std::shared_ptr<Renderable> renderable = Renderable::getFor(this->getOwnerPointer()))
            renderable->connect(this);
}

template <class Derived>
void FogVeto<Derived>::tileCollision(const std::shared_ptr<TileMap::TileCollisionEvent>& event)
{
    lastX = event->x;
    lastY = event->y;
    touched = true;
}

template <class Derived>
const TileMap::PlayerVisibility& FogVeto<Derived>::lastTileRecord(const TileMap& map) const
{
    // Off the map: the shared default record, as for a tile the player has never seen.
    const std::uint32_t nowhere = 0xFFFFFFFF;
    return map.getPlayerVisibility(touched ? lastX : nowhere, touched ? lastY : nowhere, map.getLocalPlayer());
}

template class FogVeto<PreventRenderWhenNotVisible>;
template class FogVeto<PreventRenderWhenUnexplored>;

void PreventRenderWhenNotVisible::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                                 const std::shared_ptr<SceneManager>& oldManager)
{
    if (oldManager)
        unit.reset();
    FogVeto::managerChanged(newManager, oldManager);
}

void PreventRenderWhenNotVisible::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(unit);
}

bool PreventRenderWhenNotVisible::operator()(Renderable*)
{
    PlayerUnit::refresh(unit, getOwnerPointer());
    const std::shared_ptr<TileMap> map = TileMap::getTileMap(getSceneManagerPointer());
    if (!unit || !map || unit->getPlayer() == map->getLocalPlayer())
        return true;
    return lastTileRecord(*map).count != 0;
}

bool PreventRenderWhenUnexplored::operator()(Renderable*)
{
    const std::shared_ptr<TileMap> map = TileMap::getTileMap(getSceneManagerPointer());
    return !map || lastTileRecord(*map).explored;
}

}
