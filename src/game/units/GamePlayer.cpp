#include "game/units/GamePlayer.h"

#include "core/ParameterList.h"
#include "game/units/GamePlayerManager.h"
#include "game/units/UnsignedParameter.h"

namespace Tarnu
{

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
