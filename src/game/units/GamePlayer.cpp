#include "game/units/GamePlayer.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "game/units/GamePlayerManager.h"
#include "game/units/UnsignedParameter.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(
    ParameterTable::COMPONENT, "GamePlayer",
    {{"id", ParameterFormat::COUNT, ParameterTable::REQUIRED, "The player's number."},
     {"active", ParameterFormat::FLAG, "false",
      "Whether it asks to be the scene's active player, whose sight the fog of war shows; a scene keeps the active "
      "player it has."}});

}

std::shared_ptr<Component> GamePlayer::createNew(const ParameterList& params) const
{
    const std::uint32_t number = readUnsigned(params, "id");
    bool wantsActive = false;
    params.get("active", wantsActive);
    return std::make_shared<GamePlayer>(number, wantsActive);
}

std::shared_ptr<Component> GamePlayer::createCopy() const
{
    return std::make_shared<GamePlayer>(id);
}

void GamePlayer::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                const std::shared_ptr<SceneManager>& oldManager)
{
    // An empty scene pointer finds no manager.
    if (const auto manager = GamePlayerManager::getGamePlayerManager(oldManager.get()))
        manager->playerLeft(*this);
    if (const auto manager = GamePlayerManager::getGamePlayerManager(newManager.get()))
        if (const std::shared_ptr<GamePlayer> self = getFor(getOwnerPointer()); self.get() == this)
            manager->playerEntered(self);
}

}
