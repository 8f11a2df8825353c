// Game players, the manager of a scene's players and the tile map, with the look-ups by scene.

#include "core/python/CycleCollection.h"
#include "core/python/Documentation.h"
#include "game/python/Bindings.h"
#include "game/units/GamePlayer.h"
#include "game/units/GamePlayerManager.h"
#include "game/world/TileMap.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/templates/EntityTemplate.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

// A file's name as the file system has it. Python hands scripts a name that is not UTF-8 as a str
// with surrogate escapes, which the std::string converter refuses; this one takes a str as
// os.fsencode makes it, and bytes as they are, the two kinds of name Python's own open() takes.
struct FileSystemName
{
    std::string bytes;
};

void* isFileSystemName(PyObject* object)
{
    return PyUnicode_Check(object) || PyBytes_Check(object) ? object : nullptr;
}

void makeFileSystemName(PyObject* object, py::converter::rvalue_from_python_stage1_data* data)
{
    PyObject* encoded = nullptr;
    if (!PyUnicode_FSConverter(object, &encoded))
        py::throw_error_already_set();
    const py::handle<> bytes(encoded);
    void* storage = reinterpret_cast<py::converter::rvalue_from_python_storage<FileSystemName>*>(data)->storage.bytes;
    new (storage) FileSystemName{
        std::string(PyBytes_AS_STRING(encoded), static_cast<std::size_t>(PyBytes_GET_SIZE(encoded)))};
    data->convertible = storage;
}

void loadFromFile(TileMap& map, const FileSystemName& path)
{
    map.loadFromFile(path.bytes);
}

}

void exportGamePlayerBindings()
{
    py::converter::registry::push_back(&isFileSystemName, &makeFileSystemName, py::type_id<FileSystemName>());

    py::class_<GamePlayer, py::bases<Component>, std::shared_ptr<GamePlayer>, boost::noncopyable>(
        "GamePlayer", "One side of the game, by number, filed by the scene's GamePlayerManager.",
        py::init<std::uint32_t, bool>(py::args("id", "active"),
                                      "GamePlayer(id, active): Player number id; active asks to be the player at the "
                                      "keyboard."))
        .def(parametersOf(ParameterTable::COMPONENT, "GamePlayer"))
        .def("getID", &GamePlayer::getID, "getID(): The player's number.")
        .def("isActive", &GamePlayer::isActive, "isActive(): Whether it asks to be the active player.");
    collectCyclesThroughHeld<GamePlayer>();

    py::class_<GamePlayerManager, py::bases<Component>, std::shared_ptr<GamePlayerManager>, boost::noncopyable>(
        "GamePlayerManager", "Files the GamePlayers that enter its scene by number.",
        py::init<>("GamePlayerManager(): A manager with no players yet."))
        .def(parametersOf(ParameterTable::COMPONENT, "GamePlayerManager"))
        .def("getGamePlayerManager", &GamePlayerManager::getGamePlayerManager,
             "getGamePlayerManager(scene): The scene's player manager, or None.")
        .staticmethod("getGamePlayerManager")
        .def("getGamePlayerEntity", &GamePlayerManager::getGamePlayerEntity,
             "getGamePlayerEntity(scene, id): The entity of the scene's player of that number, or None.")
        .staticmethod("getGamePlayerEntity")
        .def("getActivePlayer", &GamePlayerManager::getActivePlayer,
             "getActivePlayer(): The number of the active player, 0 when none.")
        .def("getGamePlayer", &GamePlayerManager::getGamePlayer,
             "getGamePlayer(id): The player of that number, or None.");
    collectCyclesThroughHeld<GamePlayerManager>();

    py::class_<TileMap, py::bases<Component>, std::shared_ptr<TileMap>, boost::noncopyable> tileMap(
        "TileMap", "A grid of tiles over a scene, with each player's fog of war over it.",
        py::init<const Vector2&, std::uint32_t, std::uint32_t, std::uint32_t>(
            "TileMap(tileSize, columns, rows, batchSize): A map of tiles of that size; an archive's header replaces "
            "the grid and the batch size."));
    {
        const py::scope inside(tileMap);
        py::enum_<TileMap::Visibility>("Visibility", "What a player knows of a tile.")
            .value("VISIBLE", TileMap::VISIBLE)
            .value("FOGGED", TileMap::FOGGED)
            .value("INVISIBLE", TileMap::INVISIBLE)
            .export_values();
    }
    tileMap.def("getTileMap", &TileMap::getTileMap, "getTileMap(scene): The scene's tile map, or None.")
        .staticmethod("getTileMap")
        .def("loadFromFile", &loadFromFile,
             "loadFromFile(path): Reads the grid, texture and terrain from a tile-map archive, replacing the whole "
             "terrain. The path is a str or bytes, as for open().")
        .def("initialize", &TileMap::initialize,
             "initialize(): Builds the tiles' collidables, batches and entities, once.")
        .def("setTerrainData", &TileMap::setTerrainData,
             "setTerrainData(entityTemplate, texBox, x, y): Sets one tile's entity template (or None) and texture box.")
        .def("getVisibility", &TileMap::getVisibility,
             "getVisibility(position, player): VISIBLE, FOGGED or INVISIBLE: what the player knows of the tile at the "
             "position.")
        .def("getBoundingBox", &TileMap::getBoundingBox,
             "getBoundingBox(): The map's world rectangle; a null box before initialize.")
        .def("getInvisibleTile", &TileMap::getInvisibleTile,
             "getInvisibleTile(position, radius, player, borderOnly, out): Writes into out the centre of the first "
             "tile the player has not explored around the position's tile (cx, cy), column by column; False when "
             "none. The square is lopsided: from radius tiles before the centre to radius - 1 after it, both ways "
             "(radius 0 finds nothing). With borderOnly, the rows cy - radius and cy + radius, then the columns "
             "cx - radius and cx + radius, each over that span: the corner (cx + radius, cy + radius) is never "
             "tested.");
    collectCyclesThroughHeld<TileMap>();
}

}
