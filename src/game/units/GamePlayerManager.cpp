#include "game/units/GamePlayerManager.h"

#include "core/OwnedReferences.h"
#include "core/ParameterTable.h"
#include "game/units/GamePlayer.h"
#include "scene/Entity.h"
#include "scene/SceneRegistry.h"

#include <algorithm>

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::COMPONENT, "GamePlayerManager", {});

SceneRegistry<GamePlayerManager>& sceneRegistry()
{
    static SceneRegistry<GamePlayerManager> registry;
    return registry;
}

void killEntityOf(const Component& component)
{
    if (const std::shared_ptr<Entity> entity = component.getEntity())
        entity->kill();
}

}

std::shared_ptr<Component> GamePlayerManager::createNew(const ParameterList&) const
{
    return std::make_shared<GamePlayerManager>();
}

void GamePlayerManager::forEachOwned(ReferenceVisitor& visitor) const
{
    for (const auto& [id, player] : players)
        visitor(player);
}

void GamePlayerManager::forEachRegistryEntry(const Entity& entity, ReferenceVisitor& visitor) const
{
    ComponentClass<GamePlayerManager>::forEachRegistryEntry(entity, visitor);
    sceneRegistry().visitEntry(entity, *this, visitor);
}

std::shared_ptr<Component> GamePlayerManager::createCopy() const
{
    return std::make_shared<GamePlayerManager>();
}

std::shared_ptr<GamePlayerManager> GamePlayerManager::getGamePlayerManager(const SceneManager* scene)
{
    return sceneRegistry().find(scene);
}

std::shared_ptr<Entity> GamePlayerManager::getGamePlayerEntity(const SceneManager* scene, std::uint32_t id)
{
    const std::shared_ptr<GamePlayerManager> manager = getGamePlayerManager(scene);
    const std::shared_ptr<GamePlayer> player = manager ? manager->getGamePlayer(id) : nullptr;
    return player ? player->getEntity() : nullptr;
}

std::shared_ptr<GamePlayer> GamePlayerManager::getGamePlayer(std::uint32_t id)
{
    auto found = players.find(id);
    if (found == players.end())
        return nullptr;
    const SceneManager* scene = getSceneManagerPointer();
    if (scene && found->second->getSceneManagerPointer() == scene)
        return found->second;
    forget(found);
    return nullptr;
}

void GamePlayerManager::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                       const std::shared_ptr<SceneManager>& oldManager)
{
    SceneRegistry<GamePlayerManager>& registry = sceneRegistry();
    if (oldManager)
    {
        emptyTable();
        registry.leave(oldManager.get(), *this);
    }
    if (!newManager || registry.claim(*newManager, *this))
        return;
    // Filed for another scene, it never heard that one go: its table is that scene's.
    emptyTable();
    if (registry.find(newManager.get()))
        killEntityOf(*this);
    else if (const std::shared_ptr<GamePlayerManager> self = getFor(getOwnerPointer()); self.get() == this)
        registry.file(*newManager, self);
}

std::vector<std::uint32_t> GamePlayerManager::getPlayerNumbers()
{
    std::vector<std::uint32_t> numbers;
    for (const auto& [id, player] : players)
        numbers.push_back(id);
    // Only those still filed: a look-up drops a player that left unheard.
    std::erase_if(numbers, [this](std::uint32_t id) { return !getGamePlayer(id); });
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void GamePlayerManager::playerEntered(const std::shared_ptr<GamePlayer>& player)
{
    const std::uint32_t id = player->getID();
    const auto [entry, filed] = players.try_emplace(id, player);
    if (!filed)
    {
        if (entry->second == player)
            return;
        if (getGamePlayer(id))
        {
            killEntityOf(*player);
            return;
        }
        // The player filed there had left unheard, and getGamePlayer dropped it.
        players.emplace(id, player);
    }
    if (player->active)
    {
        if (activePlayer == 0)
            activePlayer = id;
        else
            player->active = false;
    }
}

void GamePlayerManager::playerLeft(const GamePlayer& player)
{
    auto found = players.find(player.getID());
    if (found != players.end() && found->second.get() == &player)
        forget(found);
}

void GamePlayerManager::forget(PlayerTable::iterator entry)
{
    if (activePlayer == entry->first)
        activePlayer = 0;
    // Dropped after the entry is gone, as above.
    const std::shared_ptr<GamePlayer> leaving = std::move(entry->second);
    players.erase(entry);
}

void GamePlayerManager::emptyTable()
{
    const PlayerTable leaving = std::move(players);
    players.clear();
}

}
