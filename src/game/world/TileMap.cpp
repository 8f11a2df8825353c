#include "game/world/TileMap.h"

#include "core/OwnedReferences.h"
#include "core/ParameterList.h"
#include "core/math/FiniteCheck.h"
#include "game/physics/PhysicsManager.h"
#include "game/units/GamePlayerManager.h"
#include "game/units/PlayerUnit.h"
#include "game/units/VisualReactor.h"
#include "game/world/BatchedRenderable.h"
#include "game/world/TileMapArchive.h"
#include "render/Texture.h"
#include "render/TextureManager.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"
#include "scene/SceneRegistry.h"
#include "scene/templates/EntityTemplate.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace Tarnu
{

namespace
{

SceneRegistry<TileMap>& registry()
{
    static SceneRegistry<TileMap> maps;
    return maps;
}

// What every look-up off the map, before it is built or for an unknown player answers.
const TileMap::PlayerVisibility NO_RECORD;

const char* const BUILT_ALREADY = "Attempted to load a tile map archive into an initialized tile map";

const Vector2& requireTileSize(const Vector2& size)
{
    requireFinite(size, "tileSize");
    if (!(size.x > 0.0 && size.y > 0.0))
        throw std::invalid_argument("tileSize must be positive, not " + size.toString());
    return size;
}

}

void TileMap::TileCollisionListener::handleEvent(const std::shared_ptr<Event>& event)
{
    if (auto collision = std::dynamic_pointer_cast<TileCollisionEvent>(event))
        tileCollision(collision);
}

TileMap::TileMap(const Vector2& tileSize, std::uint32_t columns, std::uint32_t rows, std::uint32_t batchSize)
    : tileSize(requireTileSize(tileSize)), columns(columns), rows(rows), batchSize(batchSize)
{
}

TileMap::~TileMap() = default;

std::shared_ptr<Component> TileMap::createNew(const ParameterList&) const
{
    return nullptr;
}

std::shared_ptr<Component> TileMap::createCopy() const
{
    return nullptr;
}

void TileMap::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(texture);
    for (const TerrainCell& cell : terrain)
        visitor(cell.entityTemplate);
}

void TileMap::forEachRegistryEntry(const Entity& entity, ReferenceVisitor& visitor) const
{
    ComponentClass<TileMap>::forEachRegistryEntry(entity, visitor);
    registry().visitEntry(entity, *this, visitor);
}

std::shared_ptr<TileMap> TileMap::getTileMap(const SceneManager* scene)
{
    return registry().find(scene);
}

void TileMap::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                             const std::shared_ptr<SceneManager>& oldManager)
{
    SceneRegistry<TileMap>& maps = registry();
    if (oldManager)
    {
        oldManager->removeEventListener(this);
        maps.leave(oldManager.get(), *this);
    }
    if (!newManager)
        return;
    if (!maps.claim(*newManager, *this))
    {
        // The scene's first tile map stays; a second goes with its entity.
        if (maps.find(newManager.get()))
        {
            if (const std::shared_ptr<Entity> entity = getEntity())
                entity->kill();
            return;
        }
        const std::shared_ptr<TileMap> self = getFor(getOwnerPointer());
        if (self.get() != this)
            return;
        maps.file(*newManager, self);
    }
    // The tiles' contacts reach the map as the scene's copies of collision events.
    newManager->addEventListener(this);
}

void TileMap::loadFromFile(const std::string& path)
{
    if (isInitialized())
        throw std::runtime_error(BUILT_ALREADY);
    TerrainReader reader(path);
    readTileMapArchive(path, reader);
    setTerrain(reader.finish());
}

void TileMap::setTerrain(TileMapArchive&& archive)
{
    if (isInitialized())
        throw std::runtime_error(BUILT_ALREADY);
    if (archive.terrain.empty())
        return;
    std::shared_ptr<Texture> named;
    if (!archive.textureName.empty())
    {
        named = TextureManager::getSingleton().createTyped(archive.textureName);
        named->load();
    }
    texture = std::move(named);
    columns = archive.columns;
    rows = archive.rows;
    batchSize = archive.batchSize;
    terrain = std::move(archive.terrain);
}

void TileMap::setTerrainData(const std::shared_ptr<EntityTemplate>& entityTemplate, const AxisAlignedBox& texBox,
                             std::uint32_t x, std::uint32_t y)
{
    if (texBox.getExtent() == AxisAlignedBox::EX_FINITE)
    {
        requireFinite(texBox.getMin(), "texBox");
        requireFinite(texBox.getMax(), "texBox");
    }
    if (terrain.empty())
    {
        logTileMapMessage("Attempted to modify terrain of a locked tile map", LogFile::ML_CRITICAL);
        return;
    }
    if (x >= columns || y >= rows || texBox.getExtent() == AxisAlignedBox::EX_INFINITE)
        return;
    terrain[std::size_t(x) * rows + y] = {entityTemplate, texBox};
}

void TileMap::initialize()
{
    SceneManager* scene = getSceneManagerPointer();
    const std::shared_ptr<GamePlayerManager> playerManager = GamePlayerManager::getGamePlayerManager(scene);
    const std::shared_ptr<SceneNode> mapNode = getSceneNode();
    if (!playerManager || !mapNode || isInitialized())
        return;
    // A second map of the scene, its entity killed but not yet gone, builds nothing.
    if (getTileMap(scene).get() != this)
        return;
    if (terrain.empty())
    {
        logTileMapMessage("Attempted to initialize terrainless tile map", LogFile::ML_CRITICAL);
        return;
    }
    const Vector2 extent(columns * tileSize.x, rows * tileSize.y);
    const Vector2 corner = mapNode->getWorldPosition() - extent * 0.5;
    if (!isFinite(extent) || !isFinite(corner + extent))
    {
        logTileMapMessage("Attempted to initialize a tile map larger than the range of numbers", LogFile::ML_CRITICAL);
        return;
    }
    localPlayer = playerManager->getActivePlayer();
    origin = corner;
    buildFog(playerManager->getPlayerNumbers());
    // A batch larger than the map holds all of it: nothing is sized or counted by a larger number.
    builtBatchSize = static_cast<std::uint32_t>(
        std::min<std::size_t>(batchSize != 0 ? batchSize : DEFAULT_BATCH_SIZE, terrain.size()));
    // What calls no script comes first; placing batches and entities may call scripts
    // (the scene's listeners, the templates' components), which find the map built.
    if (const std::shared_ptr<PhysicsManager>& physics = scene->getPhysicsManager())
        buildCollidables(*physics);
    const std::shared_ptr<TileMap> keep = getFor(getOwnerPointer());
    buildBatches(mapNode);
    placeTerrainEntities(mapNode);
}

void TileMap::buildFog(const std::vector<std::uint32_t>& playerNumbers)
{
    const std::size_t count = terrain.size();
    fog.assign(count * playerNumbers.size(), PlayerVisibility());
    players = playerNumbers;
    drawnOrder.resize(count);
    std::uint32_t drawn = 0;
    for (std::size_t tile = 0; tile < count; ++tile)
        drawnOrder[tile] = terrain[tile].texBox.getExtent() == AxisAlignedBox::EX_FINITE ? drawn++ : NONE;
}

void TileMap::buildCollidables(PhysicsManager& physics)
{
    tilePhysics = physics.weak_from_this();
    const std::uint32_t count = static_cast<std::uint32_t>(terrain.size());
    tileIds.reserve(count);
    for (std::uint32_t tile = 0; tile < count; ++tile)
    {
        const Vector2 low = origin + Vector2(tile / rows * tileSize.x, tile % rows * tileSize.y);
        tileIds.emplace_back(physics.createStaticCollidable(AxisAlignedBox(low, low + tileSize)), tile);
    }
    // Given out one after the other, the ids are in order already.
    if (!std::is_sorted(tileIds.begin(), tileIds.end()))
        std::sort(tileIds.begin(), tileIds.end());
}

void TileMap::buildBatches(const std::shared_ptr<SceneNode>& mapNode)
{
    // Made before any is placed: placing one may call a script, which may recolour tiles.
    std::vector<std::shared_ptr<BatchedRenderable>> made;
    std::vector<std::uint32_t> pending;
    pending.reserve(builtBatchSize);
    for (std::uint32_t tile = 0; tile < drawnOrder.size(); ++tile)
    {
        if (drawnOrder[tile] == NONE)
            continue;
        pending.push_back(tile);
        if (pending.size() == builtBatchSize)
        {
            made.push_back(std::make_shared<BatchedRenderable>(*this, pending));
            pending.clear();
        }
    }
    if (!pending.empty())
        made.push_back(std::make_shared<BatchedRenderable>(*this, pending));
    batches.assign(made.begin(), made.end());
    for (const std::shared_ptr<BatchedRenderable>& batch : made)
        mapNode->addChild(createEntity(batch));
}

void TileMap::placeTerrainEntities(const std::shared_ptr<SceneNode>& mapNode)
{
    for (std::size_t tile = 0; tile < terrain.size(); ++tile)
    {
        const std::shared_ptr<EntityTemplate> made = terrain[tile].entityTemplate;
        if (!made)
            continue;
        made->load();
        const std::shared_ptr<Entity> entity = made->createEntity(ParameterList(), "");
        if (!entity)
            continue;
        const std::shared_ptr<SceneNode> node = SceneNode::createNew(
            origin + Vector2((tile / rows + 0.5) * tileSize.x, (tile % rows + 0.5) * tileSize.y));
        node->attach(entity);
        mapNode->addChild(node, true);
    }
}

bool TileMap::tileAt(const Vector2& position, std::uint32_t& x, std::uint32_t& y) const
{
    if (!isInitialized())
        return false;
    // Compared as numbers before they become tile numbers: NaN fails every comparison.
    const double fx = (position.x - origin.x) / tileSize.x, fy = (position.y - origin.y) / tileSize.y;
    if (!(fx >= 0.0 && fx < columns && fy >= 0.0 && fy < rows))
        return false;
    x = static_cast<std::uint32_t>(fx);
    y = static_cast<std::uint32_t>(fy);
    return true;
}

std::uint32_t TileMap::playerIndex(std::uint32_t player) const
{
    const auto found = std::lower_bound(players.begin(), players.end(), player);
    return found != players.end() && *found == player ? static_cast<std::uint32_t>(found - players.begin()) : NONE;
}

const TileMap::PlayerVisibility& TileMap::record(std::uint32_t tile, std::uint32_t index) const
{
    return index == NONE ? NO_RECORD : fog[std::size_t(tile) * players.size() + index];
}

TileMap::Visibility TileMap::getVisibility(const Vector2& position, std::uint32_t player) const
{
    std::uint32_t x, y;
    if (!tileAt(position, x, y))
        return INVISIBLE;
    const PlayerVisibility& seen = getPlayerVisibility(x, y, player);
    return seen.count > 0 ? VISIBLE : seen.explored ? FOGGED : INVISIBLE;
}

AxisAlignedBox TileMap::getBoundingBox() const
{
    if (!isInitialized())
        return AxisAlignedBox();
    return AxisAlignedBox(origin, origin + Vector2(columns * tileSize.x, rows * tileSize.y));
}

bool TileMap::getInvisibleTile(const Vector2& position, int radius, std::uint32_t player, bool borderOnly,
                               Vector2& out) const
{
    std::uint32_t centreX, centreY;
    if (radius < 0 || !tileAt(position, centreX, centreY))
        return false;
    const std::uint32_t index = playerIndex(player);
    // In 64 bits: the radius may be anything up to the largest int.
    const std::int64_t r = radius, cx = centreX, cy = centreY, width = columns, height = rows;
    const auto unexplored = [&](std::int64_t x, std::int64_t y) {
        if (record(static_cast<std::uint32_t>(x * height + y), index).explored)
            return false;
        out = origin + Vector2((x + 0.5) * tileSize.x, (y + 0.5) * tileSize.y);
        return true;
    };
    const std::int64_t firstX = std::max<std::int64_t>(cx - r, 0), firstY = std::max<std::int64_t>(cy - r, 0);
    if (!borderOnly)
    {
        for (std::int64_t x = firstX; x < cx + r && x < width; ++x)
            for (std::int64_t y = firstY; y < cy + r && y < height; ++y)
                if (unexplored(x, y))
                    return true;
        return false;
    }
    for (std::int64_t x = firstX; x < cx + r && x < width; ++x)
        if ((cy - r >= 0 && unexplored(x, cy - r)) || (cy + r < height && unexplored(x, cy + r)))
            return true;
    for (std::int64_t y = firstY; y < cy + r && y < height; ++y)
        if ((cx - r >= 0 && unexplored(cx - r, y)) || (cx + r < width && unexplored(cx + r, y)))
            return true;
    return false;
}

const TileMap::PlayerVisibility& TileMap::getPlayerVisibility(std::uint32_t x, std::uint32_t y,
                                                              std::uint32_t player) const
{
    if (!isInitialized() || x >= columns || y >= rows)
        return NO_RECORD;
    return record(x * rows + y, playerIndex(player));
}

void TileMap::setTileVisibility(std::uint32_t x, std::uint32_t y, Visibility visibility)
{
    if (isInitialized() && x < columns && y < rows)
        recolour(x * rows + y, visibility);
}

void TileMap::recolour(std::uint32_t tile, Visibility visibility)
{
    const std::uint32_t drawn = drawnOrder[tile];
    if (drawn == NONE || drawn / builtBatchSize >= batches.size())
        return;
    if (const std::shared_ptr<BatchedRenderable> batch = batches[drawn / builtBatchSize].lock())
        batch->setTileColor(4 * (drawn % builtBatchSize), visibility);
}

std::vector<std::shared_ptr<PlayerUnit>> TileMap::getUnits(std::uint32_t x, std::uint32_t y) const
{
    std::vector<std::shared_ptr<PlayerUnit>> units;
    if (!isInitialized() || x >= columns || y >= rows)
        return units;
    const std::uint32_t tile = x * rows + y;
    for (const auto& [key, unit] : unitContacts)
        if (static_cast<std::uint32_t>(key) == tile)
            if (std::shared_ptr<PlayerUnit> standing = unit.lock();
                standing && std::find(units.begin(), units.end(), standing) == units.end())
                units.push_back(std::move(standing));
    return units;
}

std::uint32_t TileMap::tileOf(std::uint32_t collidableId) const
{
    const auto found = std::lower_bound(tileIds.begin(), tileIds.end(), std::make_pair(collidableId, 0u));
    return found != tileIds.end() && found->first == collidableId ? found->second : NONE;
}

bool TileMap::readContact(const CollidableEvent& event, std::uint32_t& tile, std::shared_ptr<Entity>& other,
                          std::uint32_t& otherId) const
{
    if (tileIds.empty())
        return false;
    // Only the manager that made the tiles numbers them: the map may have moved to another scene,
    // and a manager connected again has dropped them.
    const SceneManager* scene = getSceneManagerPointer();
    const std::shared_ptr<PhysicsManager> physics = tilePhysics.lock();
    if (!scene || !physics || scene->getPhysicsManager() != physics)
        return false;
    if ((tile = tileOf(event.getId1())) != NONE)
    {
        other = event.getEntity2();
        otherId = event.getId2();
    }
    else if ((tile = tileOf(event.getId2())) != NONE)
    {
        other = event.getEntity1();
        otherId = event.getId1();
    }
    return tile != NONE;
}

void TileMap::countSight(std::uint32_t tile, std::uint32_t player, int change)
{
    const std::uint32_t index = playerIndex(player);
    if (index == NONE)
    {
        logTileMapMessage("unit without valid player found!", LogFile::ML_NORMAL);
        return;
    }
    PlayerVisibility& seen = fog[std::size_t(tile) * players.size() + index];
    if (change > 0)
    {
        if (seen.count++ == 0 && player == localPlayer)
            recolour(tile, VISIBLE);
        seen.explored = true;
    }
    else if (seen.count > 0 && --seen.count == 0 && player == localPlayer)
        recolour(tile, FOGGED);
}

void TileMap::entitiesCollided(const std::shared_ptr<CollidableEvent>& event)
{
    std::uint32_t tile, otherId;
    std::shared_ptr<Entity> other;
    if (!readContact(*event, tile, other, otherId) || !other)
        return;
    const ContactKey key = contactKey(otherId, tile);
    if (const std::shared_ptr<PlayerUnit> unit = PlayerUnit::getFor(other.get()))
        unitContacts.try_emplace(key, unit);
    if (VisualReactor::getFor(other.get()))
        if (const std::shared_ptr<Entity> parent = other->getParentEntity())
            if (const std::shared_ptr<PlayerUnit> viewer = PlayerUnit::getFor(parent.get()))
                if (sightContacts.try_emplace(key, viewer->getPlayer()).second)
                    countSight(tile, viewer->getPlayer(), +1);
    // Last: the listeners may let the map go.
    if (other->hasListeners(TileCollisionEvent::TYPE))
        other->postEvent(std::make_shared<TileCollisionEvent>(event->getEventTime(), tile / rows, tile % rows));
}

void TileMap::entitiesSeparated(const std::shared_ptr<CollidableEvent>& event)
{
    std::uint32_t tile, otherId;
    std::shared_ptr<Entity> other;
    if (!readContact(*event, tile, other, otherId))
        return;
    const ContactKey key = contactKey(otherId, tile);
    // Each tile a unit touched lets it go as their own contact ends.
    unitContacts.erase(key);
    const auto sight = sightContacts.find(key);
    if (sight == sightContacts.end())
        return;
    const std::uint32_t player = sight->second;
    sightContacts.erase(sight);
    countSight(tile, player, -1);
}

}
