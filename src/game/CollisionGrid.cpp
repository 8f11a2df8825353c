#include "game/CollisionGrid.h"

#include "core/math/AxisAlignedBox.h"
#include "game/Collidable.h"

#include <algorithm>
#include <cmath>

namespace Tarnu
{

CollisionGrid::CollisionGrid()
{
    GridLevel* coarser = nullptr;
    double size = TOP_CELL_SIZE;
    std::uint32_t count = TOP_CELL_COUNT;
    const Vector2 origin(-0.5 * TOP_CELL_SIZE * TOP_CELL_COUNT, -0.5 * TOP_CELL_SIZE * TOP_CELL_COUNT);
    for (std::uint32_t index = 0; index < LEVEL_COUNT; ++index)
    {
        auto level = std::make_unique<GridLevel>();
        level->cellWidth = level->cellHeight = size;
        level->perCellWidth = level->perCellHeight = 1.0 / size;
        level->origin = origin;
        level->countX = level->countY = count;
        level->index = index;
        level->parent = coarser;
        level->cells.resize(std::size_t(count) * count);
        for (std::uint32_t x = 0; x < count; ++x)
            for (std::uint32_t y = 0; y < count; ++y)
            {
                GridCell& cell = level->cell(x, y);
                cell.x = x;
                cell.y = y;
                if (coarser)
                    cell.parent = &coarser->cell(x / SUBDIVISION, y / SUBDIVISION);
            }
        if (coarser)
            coarser->child = level.get();
        coarser = level.get();
        levels.push_back(std::move(level));
        size /= SUBDIVISION;
        count *= SUBDIVISION;
    }
}

void CollisionGrid::file(Collidable& collidable)
{
    PhysicsRecord& record = collidable.getRecord();
    const AxisAlignedBox& box = collidable.getCachedWorldBox();
    const Vector2& min = box.getMin();
    const Vector2& max = box.getMax();
    const double width = max.x - min.x;
    const double height = max.y - min.y;

    GridLevel* level = levels.back().get();
    while (level->parent && (width > level->cellWidth || height > level->cellHeight))
        level = level->parent;

    const double fx = (min.x - level->origin.x) * level->perCellWidth;
    const double fy = (min.y - level->origin.y) * level->perCellHeight;
    const double lx = (max.x - level->origin.x) * level->perCellWidth;
    const double ly = (max.y - level->origin.y) * level->perCellHeight;
    // Written so that NaN fails: only a box wholly inside, its far edges short of the grid's, is filed.
    const bool inside = fx >= 0.0 && fy >= 0.0 && lx < level->countX && ly < level->countY && fx <= lx && fy <= ly;
    if (!inside)
    {
        unfile(collidable);
        return;
    }
    const int index = static_cast<int>(level->index);
    const auto firstX = static_cast<std::uint32_t>(fx), firstY = static_cast<std::uint32_t>(fy);
    const auto lastX = static_cast<std::uint32_t>(lx), lastY = static_cast<std::uint32_t>(ly);
    record.oversized = width > level->cellWidth || height > level->cellHeight;
    if (record.gridLevel == index && record.firstX == firstX && record.firstY == firstY && record.lastX == lastX &&
        record.lastY == lastY)
        return;
    unfile(collidable);
    record.gridLevel = index;
    record.firstX = firstX;
    record.firstY = firstY;
    record.lastX = lastX;
    record.lastY = lastY;
    record.multiCell = lastX != firstX || lastY != firstY;
    ++filedAt[level->index];
    for (std::uint32_t x = firstX; x <= lastX; ++x)
        for (std::uint32_t y = firstY; y <= lastY; ++y)
            level->cell(x, y).collidables.push_back(&collidable);
}

void CollisionGrid::prefetch(const Collidable& collidable, bool list)
{
    const PhysicsRecord& record = collidable.getRecord();
    if (record.gridLevel < 0)
        return;
    const GridCell& cell = levels[record.gridLevel]->cell(record.firstX, record.firstY);
    if (!list)
        __builtin_prefetch(&cell);
    else if (!cell.collidables.empty())
        __builtin_prefetch(cell.collidables.data());
}

void CollisionGrid::prefetchNeighbours(const Collidable& collidable)
{
    const PhysicsRecord& record = collidable.getRecord();
    if (record.gridLevel < 0)
        return;
    for (const Collidable* other : levels[record.gridLevel]->cell(record.firstX, record.firstY).collidables)
        __builtin_prefetch(&other->getRecord());
}

void CollisionGrid::unfile(Collidable& collidable)
{
    PhysicsRecord& record = collidable.getRecord();
    if (record.gridLevel < 0)
        return;
    GridLevel& level = *levels[record.gridLevel];
    for (std::uint32_t x = record.firstX; x <= record.lastX; ++x)
        for (std::uint32_t y = record.firstY; y <= record.lastY; ++y)
        {
            std::vector<Collidable*>& filed = level.cell(x, y).collidables;
            auto found = std::find(filed.begin(), filed.end(), &collidable);
            if (found != filed.end())
                filed.erase(found);
        }
    --filedAt[level.index];
    record.gridLevel = -1;
}

bool CollisionGrid::anyFiledAbove(std::uint32_t level) const
{
    for (std::uint32_t index = 0; index < level; ++index)
        if (filedAt[index])
            return true;
    return false;
}

bool CollisionGrid::anyFiledBelow(std::uint32_t level) const
{
    for (std::uint32_t index = level + 1; index < LEVEL_COUNT; ++index)
        if (filedAt[index])
            return true;
    return false;
}

bool boxesTouch(const AxisAlignedBox& a, const AxisAlignedBox& b)
{
    if (a.getExtent() == AxisAlignedBox::EX_INFINITE || b.getExtent() == AxisAlignedBox::EX_INFINITE)
        return true;
    if (a.getExtent() == AxisAlignedBox::EX_NULL || b.getExtent() == AxisAlignedBox::EX_NULL)
        return false;
    const Vector2& aMin = a.getMin();
    const Vector2& aMax = a.getMax();
    const Vector2& bMin = b.getMin();
    const Vector2& bMax = b.getMax();
    return bMax.x >= aMin.x && aMax.x >= bMin.x && bMax.y >= aMin.y && aMax.y >= bMin.y;
}

}
