#include "game/physics/CollisionGrid.h"

#include "core/EngineWarning.h"
#include "game/physics/BodyTable.h"
#include "game/physics/Collidable.h"
#include "scene/Entity.h"

#include <sstream>

namespace Tarnu
{

CollisionGrid::CollisionGrid()
{
    GridLevel* coarser = nullptr;
    double size = TOP_CELL_SIZE;
    std::uint32_t count = TOP_CELL_COUNT;
    const Vector2 origin(-HALF_SIDE, -HALF_SIDE);
    for (std::uint32_t index = 0; index < LEVEL_COUNT; ++index)
    {
        auto level = std::make_unique<GridLevel>();
        level->cellWidth = level->cellHeight = size;
        level->perCellWidth = level->perCellHeight = 1.0 / size;
        level->origin = origin;
        level->countX = level->countY = count;
        level->index = index;
        level->parent = coarser;
        level->cells = std::make_unique<CellList[]>(std::size_t(count) * count);
        if (coarser)
            coarser->child = level.get();
        coarser = level.get();
        levels.push_back(std::move(level));
        size /= SUBDIVISION;
        count *= SUBDIVISION;
    }
}

void CollisionGrid::file(std::uint32_t slot, PhysicsBody& body)
{
    const double width = body.maxX - body.minX;
    const double height = body.maxY - body.minY;

    GridLevel* level = levels.back().get();
    while (level->parent && (width > level->cellWidth || height > level->cellHeight))
        level = level->parent;

    const double fx = (body.minX - level->origin.x) * level->perCellWidth;
    const double fy = (body.minY - level->origin.y) * level->perCellHeight;
    const double lx = (body.maxX - level->origin.x) * level->perCellWidth;
    const double ly = (body.maxY - level->origin.y) * level->perCellHeight;
    // Written so that NaN fails: only a box wholly inside, its far edges short of the grid's, is filed.
    const bool inside = fx >= 0.0 && fy >= 0.0 && lx < level->countX && ly < level->countY && fx <= lx && fy <= ly;
    if (!inside)
    {
        unfile(slot, body);
        if (!reportedOutside && body.extent == AxisAlignedBox::EX_FINITE)
            reportOutside(body);
        return;
    }
    const auto index = static_cast<std::int8_t>(level->index);
    const auto firstX = static_cast<std::uint16_t>(fx), firstY = static_cast<std::uint16_t>(fy);
    const auto lastX = static_cast<std::uint16_t>(lx), lastY = static_cast<std::uint16_t>(ly);
    body.oversized = width > level->cellWidth || height > level->cellHeight;
    if (body.level == index && body.firstX == firstX && body.firstY == firstY && body.lastX == lastX &&
        body.lastY == lastY)
        return;
    unfile(slot, body);
    body.level = index;
    body.firstX = firstX;
    body.firstY = firstY;
    body.lastX = lastX;
    body.lastY = lastY;
    body.multiCell = lastX != firstX || lastY != firstY;
    ++filedAt[level->index];
    for (std::uint32_t x = firstX; x <= lastX; ++x)
        for (std::uint32_t y = firstY; y <= lastY; ++y)
            level->cell(x, y).push_back(slot);
}

void CollisionGrid::reportOutside(const PhysicsBody& body)
{
    reportedOutside = true;
    const Entity* entity = body.collidable->getOwnerPointer();
    std::ostringstream message;
    message << "the collidable of entity '" << (entity ? entity->getName() : std::string()) << "' is outside the "
            << "collision grid (" << -HALF_SIDE << " to " << HALF_SIDE << " each way), its box from <" << body.minX
            << "," << body.minY << "> to <" << body.maxX << "," << body.maxY
            << ">: there it collides with nothing. (Said once per physics manager and scene.)";
    logEngineWarning(message.str());
}

void CollisionGrid::unfile(std::uint32_t slot, PhysicsBody& body)
{
    if (body.level < 0)
        return;
    GridLevel& level = *levels[body.level];
    for (std::uint32_t x = body.firstX; x <= body.lastX; ++x)
        for (std::uint32_t y = body.firstY; y <= body.lastY; ++y)
            level.cell(x, y).erase(slot);
    --filedAt[level.index];
    body.level = -1;
}

}
