#pragma once
// The grid in which the grid physics manager files its collidables: square
// cells in levels of decreasing size, level 0 the coarsest, each cell of a
// level split into d x d cells of the next (d = 2^shift). A collidable is
// filed at the finest level whose cells are at least as large as its world
// box, in every cell its box touches: the intervals are closed, so two boxes
// that touch always share a cell at one level or in one line of descent.
//
// A collidable that stays in the same cells keeps its places: only moving to
// other cells touches them, since the collision pass tells by the collidables'
// step stamps which of them moved. A box not wholly inside the grid (NaN and infinite ones
// included) is in no cell, so no index ever leaves a level's cell array.

#include "core/math/Vector2.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Tarnu
{

class AxisAlignedBox;
class Collidable;

struct GridCell
{
    std::vector<Collidable*> collidables;  // in the order they were filed
    GridCell* parent = nullptr;  // the cell of the coarser level holding this one; null at level 0
    std::uint32_t x = 0, y = 0;
};

struct GridLevel
{
    double cellWidth = 0.0, cellHeight = 0.0;
    // Cell sides are powers of two, so multiplying by these divides exactly.
    double perCellWidth = 0.0, perCellHeight = 0.0;
    Vector2 origin;  // the corner of cell (0, 0)
    std::uint32_t countX = 0, countY = 0;
    std::uint32_t index = 0;
    std::vector<GridCell> cells;  // column x, row y at x * countX + y
    GridLevel* parent = nullptr;
    GridLevel* child = nullptr;

    GridCell& cell(std::uint32_t x, std::uint32_t y) { return cells[std::size_t(x) * countX + y]; }
};

class CollisionGrid
{
public:
    static constexpr std::uint32_t LEVEL_COUNT = 2;
    static constexpr std::uint32_t SHIFT = 3;
    static constexpr std::uint32_t SUBDIVISION = 1u << SHIFT;
    static constexpr double TOP_CELL_SIZE = 512.0;
    static constexpr std::uint32_t TOP_CELL_COUNT = 32;

    CollisionGrid();
    CollisionGrid(const CollisionGrid&) = delete;
    CollisionGrid& operator=(const CollisionGrid&) = delete;

    GridLevel& getLevel(std::uint32_t index) { return *levels[index]; }
    std::uint32_t getLevelCount() const { return LEVEL_COUNT; }

    /// Files the collidable anew by its cached world box; where it stays in the
    /// same cells it keeps its places.
    void file(Collidable& collidable);
    /// Takes the collidable out of the cells it was filed in.
    void unfile(Collidable& collidable);

    /// Whether any collidable is filed at a level coarser, or finer, than this
    /// one: a walk up or down into empty levels can be skipped.
    bool anyFiledAbove(std::uint32_t level) const;
    bool anyFiledBelow(std::uint32_t level) const;

    /// Warms the caches for a walk that will soon reach the collidable's cells:
    /// the first stage fetches the cell, the second the list it points to.
    void prefetch(const Collidable& collidable, bool list);
    /// The last stage: the collidables of the first cell.
    void prefetchNeighbours(const Collidable& collidable);

    /// Subcell (i, j) of a cell of the level, on the next finer level.
    GridCell& subcell(GridLevel& level, const GridCell& cell, std::uint32_t i, std::uint32_t j)
    {
        return level.child->cell(cell.x * SUBDIVISION + i, cell.y * SUBDIVISION + j);
    }

private:
    std::vector<std::unique_ptr<GridLevel>> levels;
    std::array<std::size_t, LEVEL_COUNT> filedAt{};  // collidables filed at each level
};

/// Boxes meet on closed intervals: touching counts. An infinite box meets
/// everything and a null box nothing.
bool boxesTouch(const AxisAlignedBox& a, const AxisAlignedBox& b);

}
