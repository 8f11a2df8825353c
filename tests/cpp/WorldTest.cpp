// What the engine itself keeps of a tile map: the cells an archive's rows make,
// the draw records of its batches, and the units standing on its tiles.

#include "SceneFixtures.h"

#include "core/math/Circle.h"
#include "game/physics/GridPhysicsManager.h"
#include "game/units/GamePlayer.h"
#include "game/units/GamePlayerManager.h"
#include "game/units/PlayerUnit.h"
#include "game/world/BatchedRenderable.h"
#include "game/world/TileMapArchive.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

class WorldTest : public SceneTest
{
};

using Rows = std::vector<std::vector<std::string>>;

// A scene with players 1 (active) and 2, a physics manager and a tile map made from "map" rows.
struct World
{
    explicit World(const Rows& rows, const Vector2& tileSize = Vector2(10, 10))
    {
        physics->connect(scene);
        scene->addNode(entityNode("players", {std::make_shared<GamePlayerManager>()}));
        scene->addNode(entityNode("one", {std::make_shared<GamePlayer>(1, true)}));
        scene->addNode(entityNode("two", {std::make_shared<GamePlayer>(2)}));
        map = std::make_shared<TileMap>(tileSize, 0, 0, 0);
        scene->addNode(entityNode("map", {map}));
        TerrainReader reader("test");
        for (const auto& row : rows)
            reader.mapRow(row);
        map->setTerrain(reader.finish());
        map->initialize();
    }
    ~World()
    {
        scene->clear();
        physics->disconnect();
    }

    std::vector<std::shared_ptr<TileMap::BatchedRenderable>> batches() const
    {
        std::vector<std::shared_ptr<TileMap::BatchedRenderable>> found;
        for (const auto& child : map->getSceneNode()->getChildren())
            if (auto batch = TileMap::BatchedRenderable::getFor(child->getEntity().get()))
                found.push_back(batch);
        return found;
    }

    std::shared_ptr<SceneManager> scene = SceneManager::createNew();
    std::shared_ptr<GridPhysicsManager> physics = GridPhysicsManager::createNew();
    std::shared_ptr<TileMap> map;
};

// Four terrain types: the sheet's quarters, the last one not drawn.
const Rows TYPES = {{"1", "0", "0", "0.25", "1"}, {"1", "0.25", "0", "0.5", "1"}, {"1", "0.5", "0", "0.75", "1"},
                    {"0", "0", "0", "0", "0"}};

Rows header(const std::string& columns, const std::string& rows, const std::string& batch,
            const std::string& types = "4")
{
    return {{"", "", "", columns, rows, batch, types}};
}

Rows concat(std::initializer_list<Rows> parts)
{
    Rows all;
    for (const Rows& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

AxisAlignedBox quarter(int type)
{
    return AxisAlignedBox(Vector2(type / 4.0, 0), Vector2((type + 1) / 4.0, 1));
}

const AxisAlignedBox WHOLE(Vector2(0, 0), Vector2(1, 1));

}

TEST(TileMapArchive, CellsReadAsNumbersFromTheirStart)
{
    const std::int64_t MOST = std::numeric_limits<std::int64_t>::max(), LEAST = std::numeric_limits<std::int64_t>::min();
    const std::vector<std::pair<std::string, std::int64_t>> integers = {
        {"12", 12}, {"  -7", -7}, {"+3", 3}, {"4x", 4}, {"4.9", 4}, {"", 0}, {"x", 0}, {"-", 0},
        {"99999999999999999999", MOST}, {"-99999999999999999999", LEAST}};
    for (const auto& [cell, value] : integers)
        EXPECT_EQ(TerrainReader::readInteger(cell), value) << "'" << cell << "'";
    const std::vector<std::pair<std::string, double>> reals = {
        {"0.25", 0.25}, {" .5", 0.5}, {"5.", 5.0}, {"-1.5e2", -150.0}, {"+2e", 2.0}, {"1e400", 0.0},
        {"nan", 0.0}, {"inf", 0.0}, {"0x10", 0.0}, {".", 0.0}, {"3,5", 3.0}};
    for (const auto& [cell, value] : reals)
        EXPECT_EQ(TerrainReader::readReal(cell), value) << "'" << cell << "'";
}

TEST(TileMapArchive, RowsMakeTheTerrainTheyDescribe)
{
    struct Case
    {
        const char* what;
        Rows rows;
        // The texture box of each tile (x, y) by index x × rows + y; empty: no terrain.
        std::vector<AxisAlignedBox> terrain;
    };
    const AxisAlignedBox none;
    const std::vector<Case> cases = {
        {"a 7-cell header, two types, then tile rows from y = 0",
         concat({header("2", "2", "1", "2"), {TYPES[0], TYPES[3]}, {{"0", "1"}, {"1", "0"}}}),
         {quarter(0), none, none, quarter(0)}},
        {"empty lines number nothing",
         concat({{{}}, header("2", "1", "1", "1"), {{}}, {TYPES[1]}, {{}, {"0", "0"}}}), {quarter(1), quarter(1)}},
        {"a 6-cell first row is a type row: no header, no terrain",
         {{"1", "0", "0", "1", "1", "5"}, {"0", "0"}}, {}},
        {"with N = 2 the third row is tile row 0; long rows are cut, short ones leave the whole texture",
         concat({header("2", "2", "1", "2"), {TYPES[0], TYPES[1]}, {{"1", "1", "1"}, {"0"}}}),
         {quarter(1), quarter(0), quarter(1), WHOLE}},
        {"a type number equal to the count, negative or huge leaves the tile",
         concat({header("3", "1", "1", "1"), {TYPES[2]}, {{"1", "-1", "99999999999999999999"}}}), {WHOLE, WHOLE, WHOLE}},
        {"a short row among the types is a tile row below row 0",
         concat({header("1", "1", "1", "2"), {TYPES[0], {"0"}}, {{"0"}}}), {quarter(0)}},
        {"rows past the last are ignored", concat({header("1", "1", "1", "1"), {TYPES[2]}, {{"0"}, {"0"}}}),
         {quarter(2)}},
    };
    for (const Case& test : cases)
    {
        TerrainReader reader("test");
        for (const auto& row : test.rows)
            reader.mapRow(row);
        const TileMapArchive archive = reader.finish();
        ASSERT_EQ(archive.terrain.size(), test.terrain.size()) << test.what;
        for (std::size_t tile = 0; tile < archive.terrain.size(); ++tile)
            EXPECT_EQ(archive.terrain[tile].texBox, test.terrain[tile]) << test.what << ", tile " << tile;
    }
}

TEST(TileMapArchive, HeadersThatDoNotFitAreRefusedBeforeAnythingIsSized)
{
    // Columns, rows, batch size, type count.
    const std::vector<std::vector<std::string>> refused = {
        {"0", "5", "1", "0"}, {"5", "-1", "1", "0"}, {"-1", "-1", "1", "0"}, {"1000000", "1000000", "1", "0"},
        {"4294967297", "1", "1", "0"}, {"1048577", "1", "1", "0"}, {"2", "2", "-1", "0"},
        {"2", "2", "536870912", "0"}, {"2", "2", "1", "-3"}};
    for (const auto& sizes : refused)
    {
        TerrainReader reader("test");
        reader.mapRow({"sheet.png", "", "", sizes[0], sizes[1], sizes[2], sizes[3]});
        reader.mapRow({"0", "0"});
        EXPECT_TRUE(reader.finish().terrain.empty()) << sizes[0] << " " << sizes[1] << " " << sizes[2];
    }
    TerrainReader largest("test");
    largest.mapRow({"sheet.png", "", "", "1024", "1024", "536870911", "0"});
    const TileMapArchive archive = largest.finish();
    EXPECT_EQ(archive.terrain.size(), TileMap::MAX_TILES);
    EXPECT_EQ(archive.textureName, "sheet.png");
}

TEST_F(WorldTest, BatchesHoldRunsOfTexturedTilesInIndexOrder)
{
    // Ten drawn tiles in batches of 4, the last tile of the map not drawn: 4, 4 and 2.
    World world(concat({header("11", "1", "4"), TYPES, {{"0", "1", "2", "0", "1", "2", "0", "1", "2", "0", "3"}}}));
    const auto batches = world.batches();
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ(batches[0]->getNumTiles(), 4u);
    EXPECT_EQ(batches[2]->getNumTiles(), 2u);
    RenderOperation& record = batches[1]->getRenderOperation(false);
    EXPECT_EQ(record.count, 16);
    EXPECT_EQ(record.colourComponents, 3u);
    EXPECT_EQ(record.untransformed, RenderOperation::UNTRANSFORMED);
    // Tile 6 is the third of the second batch: its colours are floats 24 to 35, all black to begin with.
    world.map->setTileVisibility(6, 0, TileMap::FOGGED);
    for (int i = 0; i < 48; ++i)
        EXPECT_EQ(record.colours[i], i >= 24 && i < 36 ? 0.5f : 0.0f) << i;
    batches[1]->setAlpha(1.5f);
    EXPECT_EQ(record.colour.a, 1.5f);
    // The union of its tiles, wherever its node is: the map is centred on its node at the origin.
    EXPECT_EQ(batches[1]->getWorldBox(), AxisAlignedBox(Vector2(-15, -5), Vector2(25, 5)));
}

TEST_F(WorldTest, ATilesQuadHasItsCornersAndTextureCorners)
{
    // Tile (2, 3) of a 4 x 4 map of 32 centred on the origin, whose corner is (-64, -64).
    Rows rows = concat({header("4", "4", "0", "1"), {{"1", "0.25", "0.5", "0.5", "0.75"}}});
    for (int y = 0; y < 4; ++y)
        rows.push_back({"0", "0", "0", "0"});
    World world(rows, Vector2(32, 32));
    const auto batches = world.batches();
    ASSERT_EQ(batches.size(), 1u) << "a batch size of 0 makes batches of 64";
    const RenderOperation& record = batches[0]->getRenderOperation(false);
    ASSERT_EQ(record.count, 64);
    const std::size_t first = 4 * (2 * 4 + 3);
    const auto at = [](const double* pairs, std::size_t vertex) { return Vector2(pairs[2 * vertex], pairs[2 * vertex + 1]); };
    EXPECT_EQ(at(record.vertices, first), Vector2(0, 32));
    EXPECT_EQ(at(record.texCoords, first), Vector2(0.25, 0.5));
    EXPECT_EQ(at(record.vertices, first + 1), Vector2(0, 64));
    EXPECT_EQ(at(record.vertices, first + 2), Vector2(32, 64));
    EXPECT_EQ(at(record.texCoords, first + 2), Vector2(0.5, 0.75));
    EXPECT_EQ(at(record.texCoords, first + 3), Vector2(0.5, 0.5));
}

TEST_F(WorldTest, AUnitLeavesEachTileItTouchedAsItsContactWithThatTileEnds)
{
    World world(concat({header("4", "4", "4"), TYPES, Rows(4, {"0", "0", "0", "0"})}));
    const auto unit = std::make_shared<PlayerUnit>(1, 2);
    // A box across four tiles of 10: (1, 1), (1, 2), (2, 1) and (2, 2).
    auto node = entityNode("unit", {unit, std::make_shared<StaticCollidable>(
                                              AxisAlignedBox(Vector2(-4, -4), Vector2(4, 4)))});
    node->setPosition(Vector2(0, 0));
    world.scene->addNode(node);
    world.scene->updateProcess(0.1);
    const auto on = [&](std::uint32_t x, std::uint32_t y) { return world.map->getUnits(x, y).size(); };
    EXPECT_EQ(on(1, 1) + on(1, 2) + on(2, 1) + on(2, 2), 4u);
    // Off two of them, then off the others one by one.
    node->setPosition(Vector2(6, 0));
    world.scene->updateProcess(0.1);
    EXPECT_EQ(std::vector<std::size_t>({on(1, 1), on(1, 2), on(2, 1), on(2, 2)}),
              std::vector<std::size_t>({0, 0, 1, 1}));
    node->setPosition(Vector2(6, -7));
    world.scene->updateProcess(0.1);
    EXPECT_EQ(std::vector<std::size_t>({on(2, 1), on(2, 2), on(2, 0)}), std::vector<std::size_t>({1, 0, 1}));
    EXPECT_EQ(world.map->getUnits(2, 1).front(), unit);
    // Gone from the scene: its contacts end in the next step, and no tile keeps it.
    world.scene->removeNode(node);
    world.scene->updateProcess(0.1);
    EXPECT_EQ(on(2, 1) + on(2, 0), 0u);
}

TEST_F(WorldTest, ASecondMapGoesWithItsEntityAndADeadScenesAddressFindsNoMap)
{
    auto world = std::make_unique<World>(concat({header("2", "2", "4"), TYPES, Rows(2, {"0", "0"})}));
    auto second = std::make_shared<TileMap>(Vector2(1, 1), 0, 0, 0);
    world->scene->addNode(entityNode("second", {second}));
    world->scene->updateProcess(0.1);
    EXPECT_EQ(second->getEntity(), nullptr) << "killed with its entity";
    EXPECT_EQ(TileMap::getTileMap(world->scene.get()), world->map);
    const SceneManager* address = world->scene.get();
    world.reset();
    // The allocator soon hands a freed block out again (not under the address sanitizer): scenes made at
    // the dead scene's address, or elsewhere, have no map.
    std::vector<std::shared_ptr<SceneManager>> made;
    while (made.size() < 64 && (made.empty() || made.back().get() != address))
        made.push_back(SceneManager::createNew());
    for (const std::shared_ptr<SceneManager>& reborn : made)
        EXPECT_EQ(TileMap::getTileMap(reborn.get()), nullptr);
}
