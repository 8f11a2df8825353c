#include "game/units/GamePlayerManager.h"

#include "core/OwnedReferences.h"
#include "game/units/GamePlayer.h"
#include "scene/Entity.h"

#include <vector>

namespace Tarnu
{

namespace
{

using SceneRegistry = std::unordered_map<const SceneManager*, std::shared_ptr<GamePlayerManager>>;

SceneRegistry& sceneRegistry()
{
    static SceneRegistry registry;
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

std::shared_ptr<Component> GamePlayerManager::createCopy() const
{
    return std::make_shared<GamePlayerManager>();
}

std::shared_ptr<GamePlayerManager> GamePlayerManager::getGamePlayerManager(const SceneManager* scene)
{
    SceneRegistry& registry = sceneRegistry();
    auto found = scene ? registry.find(scene) : registry.end();
    if (found == registry.end())
        return nullptr;
    if (found->second->getSceneManagerPointer() == scene)
        return found->second;
    // Dropped after the entry is gone: the manager may be its last owner's.
    const std::shared_ptr<GamePlayerManager> stale = std::move(found->second);
    registry.erase(found);
    return nullptr;
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
    SceneRegistry& registry = sceneRegistry();
    if (oldManager)
    {
        emptyTable();
        auto found = registry.find(oldManager.get());
        if (found != registry.end() && found->second.get() == this)
        {
            const std::shared_ptr<GamePlayerManager> leaving = std::move(found->second);
            registry.erase(found);
        }
    }
    if (!newManager || takeScene(*newManager))
        return;
    if (getGamePlayerManager(newManager.get()))
        killEntityOf(*this);
    else if (const std::shared_ptr<GamePlayerManager> self = getFor(getOwnerPointer()); self.get() == this)
        registry[newManager.get()] = self;
}

bool GamePlayerManager::takeScene(const SceneManager& scene)
{
    // An entry for another scene is one this manager never heard it leave; its table is that scene's.
    SceneRegistry& registry = sceneRegistry();
    bool filedHere = false;
    std::vector<std::shared_ptr<GamePlayerManager>> released;
    for (auto entry = registry.begin(); entry != registry.end();)
    {
        if (entry->second.get() != this || entry->first == &scene)
        {
            filedHere = filedHere || entry->second.get() == this;
            ++entry;
        }
        else
        {
            released.push_back(std::move(entry->second));
            entry = registry.erase(entry);
        }
    }
    if (!filedHere)
        emptyTable();
    return filedHere;
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
