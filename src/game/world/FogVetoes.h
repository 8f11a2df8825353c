#pragma once
// Fog of war over drawing: two permission slots that hide their entity's
// renderable from the local player of the scene's tile map.
// PreventRenderWhenNotVisible hides another player's unit unless the local
// player sees its tile now; PreventRenderWhenUnexplored hides the entity until
// the local player has explored its tile. Each answers for the tile its
// entity's collidable touched last (the map tells it as TileCollisionEvents;
// before the first, the entity is hidden). Without a tile map both let it be
// drawn.
//
// The slot is connected to the renderable the entity has as it enters a scene,
// and leaves it as the entity leaves; nothing here refers to the map, which is
// looked up by scene each time it is asked.

#include "game/world/TileMap.h"
#include "render/Renderable.h"
#include "scene/ComponentClass.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class PlayerUnit;

template <class Derived>
class FogVeto : public ComponentClass<Derived>, public RenderSlot, public TileMap::TileCollisionListener
{
public:
    /// No keys.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override
    {
        return std::make_shared<Derived>();
    }
    std::shared_ptr<Component> createCopy() const override { return std::make_shared<Derived>(); }
    /// The tile contacts are heard on the entity the veto is on.
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;
    void tileCollision(const std::shared_ptr<TileMap::TileCollisionEvent>& event) override;

protected:
    /// The record of the last tile touched for the map's local player; the shared default
    /// one before any tile was touched.
    const TileMap::PlayerVisibility& lastTileRecord(const TileMap& map) const;

private:
    std::uint32_t lastX = 0;
    std::uint32_t lastY = 0;
    bool touched = false;
};

class PreventRenderWhenNotVisible : public FogVeto<PreventRenderWhenNotVisible>
{
public:
    static inline const std::string FACTORY_TYPE = "PreventRenderWhenNotVisible";

    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;
    /// The cached unit of the entity.
    void forEachOwned(ReferenceVisitor& visitor) const override;

    bool operator()(Renderable* renderable) override;

private:
    std::shared_ptr<PlayerUnit> unit;
};

class PreventRenderWhenUnexplored : public FogVeto<PreventRenderWhenUnexplored>
{
public:
    static inline const std::string FACTORY_TYPE = "PreventRenderWhenUnexplored";

    bool operator()(Renderable* renderable) override;
};

}
