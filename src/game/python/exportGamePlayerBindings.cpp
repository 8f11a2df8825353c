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
        "GamePlayer", py::init<std::uint32_t, bool>(py::args("id", "active")))
        .def("getID", &GamePlayer::getID)
        .def("isActive", &GamePlayer::isActive);

    py::class_<GamePlayerManager, py::bases<Component>, std::shared_ptr<GamePlayerManager>, boost::noncopyable>(
        "GamePlayerManager", py::init<>())
        .def("getGamePlayerManager", &GamePlayerManager::getGamePlayerManager)
        .staticmethod("getGamePlayerManager")
        .def("getGamePlayerEntity", &GamePlayerManager::getGamePlayerEntity)
        .staticmethod("getGamePlayerEntity")
        .def("getActivePlayer", &GamePlayerManager::getActivePlayer)
        .def("getGamePlayer", &GamePlayerManager::getGamePlayer);
}

}
