// What the engine itself keeps of a tile map: the cells an archive's rows make,
// the draw records of its batches, and the units standing on its tiles.

#include "SceneFixtures.h"

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

using Rows = std::vector<std::vector<std::string>>;

// A header with its sizes (columns, rows, batch size, count of terrain types), then four types (the sheet's quarters,
// the last one not drawn), then the tile rows.
TileMapArchive archiveOf(std::vector<std::string> header, Rows tiles)
{
    header.insert(header.begin(), 3, "");
    tiles.insert(tiles.begin(), {header, {"1", "0", "0", ".25", "1"}, {"1", ".25", "0", ".5", "1"},
                                 {"1", ".5", "0", ".75", "1"}, {"0", "", "", "", ""}});
    TerrainReader reader("test");
    for (const auto& row : tiles)
        reader.mapRow(row);
    return reader.finish();
}

// A scene with player 1, a physics manager and a map of tiles of 10 made from the archive.
struct World
{
    explicit World(TileMapArchive archive)
    {
        physics->connect(scene);
        scene->addNode(entityNode("players", {std::make_shared<GamePlayerManager>()}));
        scene->addNode(entityNode("one", {std::make_shared<GamePlayer>(1, true)}));
        scene->addNode(entityNode("map", {map}));
        map->setTerrain(std::move(archive));
        map->initialize();
    }
    ~World() { scene->clear(); physics->disconnect(); }

    std::shared_ptr<SceneManager> scene = SceneManager::createNew();
    std::shared_ptr<GridPhysicsManager> physics = GridPhysicsManager::createNew();
    std::shared_ptr<TileMap> map = std::make_shared<TileMap>(Vector2(10, 10), 0, 0, 0);
};

using WorldTest = SceneTest;

}

TEST(TileMapArchive, CellsReadAsNumbersFromTheirStart)
{
    const auto MOST = std::numeric_limits<std::int64_t>::max(), LEAST = std::numeric_limits<std::int64_t>::min();
    for (const auto& [cell, value] : std::vector<std::pair<std::string, std::int64_t>>{
             {"12", 12}, {"  -7", -7}, {"+3", 3}, {"4x", 4}, {"4.9", 4}, {"", 0}, {"x", 0}, {"-", 0},
             {"99999999999999999999", MOST}, {"-99999999999999999999", LEAST}})
        EXPECT_EQ(TerrainReader::readInteger(cell), value) << "'" << cell << "'";
    for (const auto& [cell, value] : std::vector<std::pair<std::string, double>>{
             {"0.25", 0.25}, {" .5", 0.5}, {"5.", 5.0}, {"-1.5e2", -150.0}, {"+2e", 2.0}, {"1e400", 0.0},
             {"nan", 0.0}, {"0x10", 0.0}, {".", 0.0}, {"3,5", 3.0}})
        EXPECT_EQ(TerrainReader::readReal(cell), value) << "'" << cell << "'";
    // The batch size's reading: negative numbers count down from 2^32, larger ones than 32 bits are the largest.
    const std::uint32_t LARGEST = std::numeric_limits<std::uint32_t>::max();
    for (const auto& [cell, value] : std::vector<std::pair<std::string, std::uint32_t>>{
             {"64", 64}, {"-1", LARGEST}, {" -64x", LARGEST - 63}, {"-4294967295", 1}, {"4294967295", LARGEST},
             {"4294967296", LARGEST}, {"-4294967296", LARGEST}, {"99999999999999999999", LARGEST}, {"x", 0}})
        EXPECT_EQ(TerrainReader::readUnsigned(cell), value) << "'" << cell << "'";
}

TEST(TileMapArchive, RowsOutOfPlaceAreIgnoredAndHeadersThatDoNotFitAreRefusedBeforeAnythingIsSized)
{
    // A short row where a fifth type was promised is a tile row below row 0; a row past the last is ignored too.
    const TileMapArchive shortRow = archiveOf({"1", "1", "1", "5"}, {{"1"}, {"0"}, {"1"}});
    ASSERT_EQ(shortRow.terrain.size(), 1u);
    EXPECT_EQ(shortRow.terrain[0].texBox, AxisAlignedBox(Vector2(0, 0), Vector2(0.25, 1)));
    // A header a cell short is a type row. Sizes that do not fit: one that wraps in 32 bits, one past the limit, a
    // negative count.
    const std::vector<std::string> refused[] = {
        {"1", "1", "5"}, {"4294967297", "1", "1", "0"}, {"1048577", "1", "1", "0"}, {"2", "2", "1", "-3"}};
    for (const auto& sizes : refused)
        EXPECT_TRUE(archiveOf(sizes, {{"0", "0"}}).terrain.empty()) << sizes[0] << " " << sizes[2];
    // The largest map, with a batch size past any map's tiles.
    const TileMapArchive largest = archiveOf({"1024", "1024", "-1", "0"}, {});
    EXPECT_EQ(largest.terrain.size(), TileMap::MAX_TILES);
    EXPECT_EQ(largest.batchSize, std::numeric_limits<std::uint32_t>::max());
}

TEST_F(WorldTest, BatchesHoldRunsOfDrawnTilesAndCoverTheirUnion)
{
    // Ten drawn tiles, the last tile of the map not drawn: in batches of 4, 4 and 2; in one batch for a batch size of
    // the map's tiles or more. Each batch's vertex count, and the union of its tiles (min x, max x): the map is
    // centred on its node.
    const std::pair<std::string, std::vector<std::vector<double>>> sizes[] = {
        {"4", {{16, -55, -15}, {16, -15, 25}, {8, 25, 45}}}, {"11", {{40, -55, 45}}}, {"-1", {{40, -55, 45}}}};
    for (const auto& [size, expected] : sizes)
    {
        World world(archiveOf({"11", "1", size, "4"}, {{"0", "1", "2", "0", "1", "2", "1", "1", "2", "0", "3"}}));
        std::vector<std::vector<double>> batches;
        for (const auto& child : world.map->getSceneNode()->getChildren())
            if (auto batch = TileMap::BatchedRenderable::getFor(child->getEntity().get()))
                batches.push_back({double(batch->getRenderOperation(false).count), batch->getWorldBox().getMin().x,
                                   batch->getWorldBox().getMax().x});
        EXPECT_EQ(batches, expected) << size;
    }
}

TEST_F(WorldTest, AUnitLeavesEachTileItTouchedAsItsContactWithThatTileEnds)
{
    World world(archiveOf({"4", "4", "4", "4"}, Rows(4, {"0", "0", "0", "0"})));
    const auto unit = std::make_shared<PlayerUnit>(1, 1);
    const AxisAlignedBox body(Vector2(-4, -4), Vector2(4, 4));
    auto node = entityNode("unit", {unit, std::make_shared<StaticCollidable>(body)});
    world.scene->addNode(node);
    const auto unitsOn = [&] {
        std::vector<std::size_t> counts;
        for (const auto& [x, y] : {std::pair(1u, 1u), {1u, 2u}, {2u, 1u}, {2u, 2u}, {2u, 0u}})
            counts.push_back(world.map->getUnits(x, y).size());
        return counts;
    };
    // Across the first four tiles around the origin, then off two of them, then off the others one by one, and
    // gone from the scene: its contacts end in the next step, and no tile keeps it.
    const std::pair<Vector2, std::vector<std::size_t>> moves[] = {
        {Vector2(0, 0), {1, 1, 1, 1, 0}}, {Vector2(6, 0), {0, 0, 1, 1, 0}}, {Vector2(6, -7), {0, 0, 1, 0, 1}}};
    for (const auto& [place, counts] : moves)
    {
        node->setPosition(place);
        world.scene->updateProcess(0.1);
        EXPECT_EQ(unitsOn(), counts) << place.toString();
    }
    EXPECT_EQ(world.map->getUnits(2, 1).front(), unit);
    world.scene->removeNode(node);
    world.scene->updateProcess(0.1);
    EXPECT_EQ(unitsOn(), std::vector<std::size_t>(5, 0));
}

TEST_F(WorldTest, ASecondMapGoesWithItsEntityAndADeadScenesAddressFindsNoMapNorPlayers)
{
    auto scene = SceneManager::createNew();
    auto first = std::make_shared<TileMap>(), second = std::make_shared<TileMap>();
    scene->addNode(entityNode("players", {std::make_shared<GamePlayerManager>()}));
    scene->addNode(entityNode("first", {first}));
    scene->addNode(entityNode("second", {second}));
    scene->updateProcess(0.1);
    EXPECT_EQ(second->getEntity(), nullptr) << "killed with its entity";
    EXPECT_EQ(TileMap::getTileMap(scene.get()), first);
    // The scene dies with both filed under its address. Scenes made after it, one soon at that address (not under
    // the address sanitizer, which holds freed blocks back), find neither; the dead address itself is only a key.
    const SceneManager* address = scene.get();
    scene.reset();
    const auto findsNone = [](const SceneManager* key) {
        return !TileMap::getTileMap(key) && !GamePlayerManager::getGamePlayerManager(key);
    };
    std::vector<std::shared_ptr<SceneManager>> made;
    while (made.size() < 64 && (made.empty() || made.back().get() != address))
    {
        made.push_back(SceneManager::createNew());
        EXPECT_TRUE(findsNone(made.back().get()));
    }
    EXPECT_TRUE(findsNone(address));
}
