#pragma once
// A run of a tile map's textured tiles drawn as one quad list. The vertices
// are the tiles' corners in world space, fixed when the batch is made, so the
// batch is drawn as it stands and its world box is the union of its tiles,
// whatever node carries it. Only the colours change: each tile's three grey
// components at its four vertices follow the local player's fog. The batch
// copies what it draws from the map and keeps no link to it.

#include "game/world/TileMap.h"
#include "render/Renderable.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace Tarnu
{

class TileMap::BatchedRenderable : public ComponentClass<TileMap::BatchedRenderable, Renderable>
{
public:
    static inline const std::string FACTORY_TYPE = "TileMap::BatchedRenderable";

    /// The map's tiles of those indices, in that order, every one black (INVISIBLE).
    BatchedRenderable(const TileMap& map, std::span<const std::uint32_t> tiles);

    /// A batch is made by its tile map only: both answer empty.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    /// The map's texture.
    void forEachOwned(ReferenceVisitor& visitor) const override;

    /// Kept as it is given (a finite number), for the colours' alpha.
    void setAlpha(float alpha) override;
    RenderOperation& getRenderOperation(bool changed) override { return operation; }
    /// Infinite: the vertices are in world space already.
    const AxisAlignedBox& getLocalBox() const override;
    /// The union of the tiles, wherever the batch's node is.
    const AxisAlignedBox& getWorldBox() override;

    /// The grey level of the visibility at the four vertices from the first one on.
    void setTileColor(std::uint32_t firstVertex, Visibility visibility);
    std::uint32_t getNumTiles() const { return static_cast<std::uint32_t>(vertices.size() / 4); }

private:
    RenderOperation operation;
    std::vector<Vector2> vertices;
    std::vector<Vector2> texCoords;
    std::vector<float> colours;
    AxisAlignedBox box;
};

}
