#pragma once
// A rectangular grid of equal tiles laid over a scene, and each player's fog of
// war over it. The terrain (a texture rectangle and an optional entity template
// per tile) comes from an archive or from setTerrainData; initialize then makes
// every tile a static collidable of the scene's physics manager, draws the
// textured tiles through a few batched renderables and places the templates'
// entities, all of which the scene owns from then on. The map counts, per tile
// and player, the sight sensors touching the tile, from the contacts the
// physics manager reports on the scene, and recolours the local player's tiles.
//
// The grid is fixed once initialized: the tables of the built map are flat and
// indexed by tile (x × rows + y), the fog count per player an array per tile.
// The map holds nothing it built: batches and units are observed weakly, so a
// script may kill any of them at any time. A scene has at most one tile map,
// filed in a SceneRegistry; a later one has its entity killed.

#include "core/Event.h"
#include "core/EventListener.h"
#include "core/math/AxisAlignedBox.h"
#include "core/math/Vector2.h"
#include "game/physics/CollidableEvent.h"
#include "scene/ComponentClass.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Tarnu
{

class EntityTemplate;
class PhysicsManager;
class PlayerUnit;
class Texture;
struct TileMapArchive;

class TileMap : public ComponentClass<TileMap>, public CollidableListener
{
public:
    static inline const std::string FACTORY_TYPE = "TileMap";
    /// The most tiles a map may have (1024 × 1024, say): more is refused before anything is allocated.
    static constexpr std::uint64_t MAX_TILES = 1u << 20;
    /// The tiles of a batch when the batch size is 0; a batch size past the map's tiles makes one batch.
    static constexpr std::uint32_t DEFAULT_BATCH_SIZE = 64;

    enum Visibility
    {
        VISIBLE = 0,
        FOGGED = 1,
        INVISIBLE = 2
    };

    /// One player's fog on one tile.
    struct PlayerVisibility
    {
        /// Sight sensors of the player's units touching the tile now.
        std::uint32_t count = 0;
        /// Set at the first touch, never cleared.
        bool explored = false;
    };

    struct TerrainCell
    {
        std::shared_ptr<EntityTemplate> entityTemplate;
        /// Texture coordinates; a tile is drawn only when the box is finite.
        AxisAlignedBox texBox{Vector2(0, 0), Vector2(1, 1)};
    };

    /// One of an entity's collidables touched a tile; posted on that entity.
    class TileCollisionEvent : public Event
    {
    public:
        static inline std::uint32_t TYPE = 0;

        TileCollisionEvent(double time, std::uint32_t x, std::uint32_t y) : Event(TYPE, time), x(x), y(y) {}

        const std::uint32_t x;
        const std::uint32_t y;
    };

    class TileCollisionListener : public EventListener
    {
    public:
        TileCollisionListener() : EventListener(TileCollisionEvent::TYPE) {}

        /// Events of other classes posted under the type number are ignored.
        void handleEvent(const std::shared_ptr<Event>& event) override;
        virtual void tileCollision(const std::shared_ptr<TileCollisionEvent>& event) = 0;
    };

    class BatchedRenderable;

    /// The tile size must be finite and positive; the grid and the batch size are
    /// replaced by an archive's header.
    TileMap(const Vector2& tileSize = Vector2(1, 1), std::uint32_t columns = 0, std::uint32_t rows = 0,
            std::uint32_t batchSize = 0);
    ~TileMap() override;

    /// A tile map is made by scripts only: both answer empty.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;
    /// The texture and the terrain's templates.
    void forEachOwned(ReferenceVisitor& visitor) const override;
    /// With the class's entries, the scene's entry for the map.
    void forEachRegistryEntry(const Entity& entity, ReferenceVisitor& visitor) const override;

    /// Reads the grid, the texture and the terrain from a tile-map archive, replacing the
    /// whole terrain; an archive that cannot be read raises and changes nothing. Refused
    /// (raises) once the map is initialized. The path is the file's name as the file system
    /// has it, bytes that need not be UTF-8 (a script's str arrives as os.fsencode makes it).
    void loadFromFile(const std::string& path);
    /// The terrain, grid and texture an archive held, replacing the map's whole; nothing
    /// for an archive without a header. Refused (raises) once the map is initialized.
    void setTerrain(TileMapArchive&& archive);
    /// Sets one tile's terrain; logged and ignored while the map holds no terrain.
    void setTerrainData(const std::shared_ptr<EntityTemplate>& entityTemplate, const AxisAlignedBox& texBox,
                        std::uint32_t x, std::uint32_t y);
    /// Builds the tiles from the terrain, once, while the map is its scene's and the scene has
    /// a GamePlayerManager; the players known then are the players the fog is kept for.
    void initialize();

    /// For a position in world space; INVISIBLE off the map and before initialize.
    Visibility getVisibility(const Vector2& position, std::uint32_t player) const;
    /// The map's world rectangle; a null box before initialize.
    AxisAlignedBox getBoundingBox() const;
    /// The centre of the first tile the player has not explored around the position's tile
    /// (cx, cy), tested column by column; false when there is none. The square is lopsided: x
    /// from cx - radius to cx + radius - 1, and y likewise, so radius tiles before the centre and
    /// radius - 1 after it (radius 0 finds nothing). With borderOnly, the rows cy - radius and
    /// cy + radius over those x, then the columns cx - radius and cx + radius over those y: the
    /// far corner (cx + radius, cy + radius) is never tested. Clipped at the map's edges.
    bool getInvisibleTile(const Vector2& position, int radius, std::uint32_t player, bool borderOnly,
                          Vector2& out) const;
    /// The player's record of the tile; a shared record (count 0, not explored) off the
    /// map, before initialize and for a player the map does not know.
    const PlayerVisibility& getPlayerVisibility(std::uint32_t x, std::uint32_t y, std::uint32_t player) const;
    /// Recolours the tile in its batch; nothing for an undrawn tile or a batch that is gone.
    void setTileVisibility(std::uint32_t x, std::uint32_t y, Visibility visibility);
    /// The units whose collidables touch the tile now.
    std::vector<std::shared_ptr<PlayerUnit>> getUnits(std::uint32_t x, std::uint32_t y) const;

    void entitiesCollided(const std::shared_ptr<CollidableEvent>& event) override;
    void entitiesSeparated(const std::shared_ptr<CollidableEvent>& event) override;

    /// The tile map of the scene, or empty (also for no scene).
    static std::shared_ptr<TileMap> getTileMap(const SceneManager* scene);

    /// The active player of the scene when the map was built, whose fog is drawn.
    std::uint32_t getLocalPlayer() const { return localPlayer; }
    bool isInitialized() const { return !drawnOrder.empty(); }

private:
    friend class BatchedRenderable;

    /// No such player, tile or place among the drawn tiles.
    static constexpr std::uint32_t NONE = 0xFFFFFFFF;

    /// The tile at a position, or false off the map (NaN and infinities included).
    bool tileAt(const Vector2& position, std::uint32_t& x, std::uint32_t& y) const;
    /// The index of a player the fog is kept for, or NONE.
    std::uint32_t playerIndex(std::uint32_t player) const;
    /// The record of the player of that index on the tile, or the shared default record.
    const PlayerVisibility& record(std::uint32_t tile, std::uint32_t index) const;
    void recolour(std::uint32_t tile, Visibility visibility);
    /// The tile a collidable of the map's physics manager stands for, or NONE.
    std::uint32_t tileOf(std::uint32_t collidableId) const;
    /// The tile and the other side of a contact the scene heard; false when it is not about a tile of this map.
    bool readContact(const CollidableEvent& event, std::uint32_t& tile, std::shared_ptr<Entity>& other,
                     std::uint32_t& otherId) const;
    /// Adds (+1) or takes (-1) one sight of the player from the tile.
    void countSight(std::uint32_t tile, std::uint32_t player, int change);

    void buildFog(const std::vector<std::uint32_t>& playerNumbers);
    void buildCollidables(PhysicsManager& physics);
    void buildBatches(const std::shared_ptr<SceneNode>& mapNode);
    void placeTerrainEntities(const std::shared_ptr<SceneNode>& mapNode);

    using ContactKey = std::uint64_t;
    static ContactKey contactKey(std::uint32_t collidableId, std::uint32_t tile)
    {
        return std::uint64_t(collidableId) << 32 | tile;
    }

    // The built map, all per tile but the players and the batches.
    std::vector<std::uint32_t> players;                        // numbers, increasing
    std::vector<PlayerVisibility> fog;                         // tile × players.size() + player index
    std::vector<std::uint32_t> drawnOrder;                     // place among the drawn tiles, or NONE
    std::uint32_t builtBatchSize = 0;
    std::vector<std::weak_ptr<BatchedRenderable>> batches;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tileIds;  // (collidable id, tile), by id
    std::weak_ptr<PhysicsManager> tilePhysics;                 // the manager that made the tiles' collidables
    std::unordered_map<ContactKey, std::uint32_t> sightContacts;   // (sensor, tile) → the sensor's player
    std::unordered_map<ContactKey, std::weak_ptr<PlayerUnit>> unitContacts;  // (unit's collidable, tile)

    std::vector<TerrainCell> terrain;
    std::shared_ptr<Texture> texture;
    Vector2 tileSize;
    Vector2 origin;
    std::uint32_t columns;
    std::uint32_t rows;
    std::uint32_t batchSize;
    std::uint32_t localPlayer = 0;
};

}
