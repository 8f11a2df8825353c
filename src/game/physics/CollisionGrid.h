#pragma once
// The grid in which the grid physics manager files its collidables: square
// cells in levels of decreasing size, level 0 the coarsest, each cell of a
// level split into d x d cells of the next (d = 2^shift). A collidable is
// filed at the finest level whose cells are at least as large as its world
// box, in every cell its box touches: the intervals are closed, so two boxes
// that touch always share a cell at one level or in one line of descent.
//
// Cells name their collidables by body slot (BodyTable). A collidable that
// stays in the same cells keeps its places: only moving to other cells touches
// them, since the collision pass tells by the bodies' step stamps which of them
// moved. A box not wholly inside the grid (NaN and infinite ones included) is
// in no cell, so no index ever leaves a level's cell array; the first box of a
// grid's life that leaves it is reported (standard error and the default log),
// since it collides with nothing from then on. The report costs a test on that
// path alone.

#include "core/math/Vector2.h"
#include "game/physics/CellList.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Tarnu
{

struct PhysicsBody;

struct GridLevel
{
    double cellWidth = 0.0, cellHeight = 0.0;
    // Cell sides are powers of two, so multiplying by these divides exactly.
    double perCellWidth = 0.0, perCellHeight = 0.0;
    Vector2 origin;  // the corner of cell (0, 0)
    std::uint32_t countX = 0, countY = 0;
    std::uint32_t index = 0;
    std::unique_ptr<CellList[]> cells;  // column x, row y at x * countX + y
    GridLevel* parent = nullptr;
    GridLevel* child = nullptr;

    CellList& cell(std::uint32_t x, std::uint32_t y) const { return cells[std::size_t(x) * countX + y]; }
};

class CollisionGrid
{
public:
    static constexpr std::uint32_t LEVEL_COUNT = 2;
    static constexpr std::uint32_t SHIFT = 3;
    static constexpr std::uint32_t SUBDIVISION = 1u << SHIFT;
    static constexpr double TOP_CELL_SIZE = 512.0;
    static constexpr std::uint32_t TOP_CELL_COUNT = 32;
    /// The grid spans -HALF_SIDE to HALF_SIDE on both axes.
    static constexpr double HALF_SIDE = 0.5 * TOP_CELL_SIZE * TOP_CELL_COUNT;
    static_assert((TOP_CELL_COUNT << (SHIFT * (LEVEL_COUNT - 1))) <= 65536, "cell numbers fit a body's fields");

    CollisionGrid();
    CollisionGrid(const CollisionGrid&) = delete;
    CollisionGrid& operator=(const CollisionGrid&) = delete;

    GridLevel& getLevel(std::uint32_t index) { return *levels[index]; }
    std::uint32_t getLevelCount() const { return LEVEL_COUNT; }

    /// Files the body of the slot anew by its world box; where it stays in the
    /// same cells it keeps its places.
    void file(std::uint32_t slot, PhysicsBody& body);
    /// Takes the body out of the cells it was filed in.
    void unfile(std::uint32_t slot, PhysicsBody& body);

    /// Whether any collidable is filed at a level coarser, or finer, than this
    /// one: a walk up or down into empty levels can be skipped.
    bool anyFiledAbove(std::uint32_t level) const
    {
        return std::any_of(filedAt.begin(), filedAt.begin() + level, [](std::size_t count) { return count > 0; });
    }
    bool anyFiledBelow(std::uint32_t level) const
    {
        return std::any_of(filedAt.begin() + level + 1, filedAt.end(), [](std::size_t count) { return count > 0; });
    }

private:
    /// The report of a finite box outside the grid.
    void reportOutside(const PhysicsBody& body);

    std::vector<std::unique_ptr<GridLevel>> levels;
    std::array<std::size_t, LEVEL_COUNT> filedAt{};  // collidables filed at each level
    bool reportedOutside = false;
};

}
