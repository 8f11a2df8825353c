#include "game/world/BatchedRenderable.h"

#include "core/OwnedReferences.h"
#include "core/math/FiniteCheck.h"
#include "render/Texture.h"

#include <algorithm>

namespace Tarnu
{

namespace
{

// A batch holds at most the map's tiles, and its record counts their vertices in a signed 32-bit number.
static_assert(4 * TileMap::MAX_TILES <= 0x7FFFFFFF);

// The grey level of each visibility, in its order.
constexpr float GREY_LEVELS[] = {1.0f, 0.5f, 0.0f};
constexpr std::size_t COMPONENTS = 3;

}

TileMap::BatchedRenderable::BatchedRenderable(const TileMap& map, std::span<const std::uint32_t> tiles)
    : ComponentClass(0.0),
      vertices(4 * tiles.size()),
      texCoords(4 * tiles.size()),
      colours(4 * COMPONENTS * tiles.size(), 0.0f)
{
    const Vector2& size = map.tileSize;
    for (std::size_t i = 0; i < tiles.size(); ++i)
    {
        const std::uint32_t x = tiles[i] / map.rows, y = tiles[i] % map.rows;
        const Vector2 low = map.origin + Vector2(x * size.x, y * size.y);
        const AxisAlignedBox rectangle(low, low + size);
        std::ranges::copy(rectangle.getCorners(), vertices.begin() + 4 * i);
        std::ranges::copy(map.terrain[tiles[i]].texBox.getCorners(), texCoords.begin() + 4 * i);
        box.merge(rectangle);
    }
    operation.primitive = RenderOperation::QUADS;
    operation.indexType = RenderOperation::UNSIGNED_SHORT;
    operation.count = static_cast<std::int32_t>(vertices.size());
    operation.vertices = coordinates(vertices.data());
    operation.texCoords = coordinates(texCoords.data());
    operation.colours = colours.data();
    operation.colourComponents = COMPONENTS;
    operation.texture = map.texture;
    operation.untransformed = RenderOperation::UNTRANSFORMED;
}

std::shared_ptr<Component> TileMap::BatchedRenderable::createNew(const ParameterList&) const
{
    return nullptr;
}

std::shared_ptr<Component> TileMap::BatchedRenderable::createCopy() const
{
    return nullptr;
}

void TileMap::BatchedRenderable::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(operation.texture);
}

void TileMap::BatchedRenderable::setAlpha(float alpha)
{
    operation.colour.a = static_cast<float>(requireFinite(alpha, "alpha"));
    operation.isOpaqueWhite = alpha == 1.0f;
}

const AxisAlignedBox& TileMap::BatchedRenderable::getLocalBox() const
{
    static const AxisAlignedBox everywhere = [] {
        AxisAlignedBox infinite;
        infinite.setExtent(AxisAlignedBox::EX_INFINITE);
        return infinite;
    }();
    return everywhere;
}

const AxisAlignedBox& TileMap::BatchedRenderable::getWorldBox()
{
    return getEntry().worldBox = box;
}

void TileMap::BatchedRenderable::setTileColor(std::uint32_t firstVertex, Visibility visibility)
{
    const std::size_t first = COMPONENTS * std::size_t(firstVertex), end = first + 4 * COMPONENTS;
    if (end <= colours.size() && visibility >= VISIBLE && visibility <= INVISIBLE)
        std::fill(colours.begin() + first, colours.begin() + end, GREY_LEVELS[visibility]);
}

}
