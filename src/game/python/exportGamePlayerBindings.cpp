// Game players and the manager of a scene's players, with the look-ups by scene.

#include "core/python/Bindings.h"
#include "game/units/GamePlayer.h"
#include "game/units/GamePlayerManager.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

void exportGamePlayerBindings()
{
    py::class_<GamePlayer, py::bases<Component>, std::shared_ptr<GamePlayer>, boost::noncopyable>(
        "GamePlayer", "One side of the game, by number, filed by the scene's GamePlayerManager.",
        py::init<std::uint32_t, bool>(py::args("id", "active"),
                                      "GamePlayer(id, active): Player number id; active asks to be the player at the "
                                      "keyboard."))
        .def("getID", &GamePlayer::getID, "getID(): The player's number.")
        .def("isActive", &GamePlayer::isActive, "isActive(): Whether it asks to be the active player.");

    py::class_<GamePlayerManager, py::bases<Component>, std::shared_ptr<GamePlayerManager>, boost::noncopyable>(
        "GamePlayerManager", "Files the GamePlayers that enter its scene by number.",
        py::init<>("GamePlayerManager(): A manager with no players yet."))
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
}

}
