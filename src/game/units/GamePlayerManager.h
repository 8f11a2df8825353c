#pragma once
// The players of one scene by number, and which of them is the active one
// (0: none). The first manager whose entity enters a scene is that scene's
// manager, held in a class-wide SceneRegistry; a later one has its entity
// killed. Leaving the scene empties the table.
//
// A player's entry is only good while the player is still in its manager's
// scene: callbacks can move an entity on before every component has heard it
// leave, so every look-up checks, and an entry that fails the check is
// dropped, never answered.

#include "scene/ComponentClass.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Tarnu
{

class GamePlayer;

class GamePlayerManager : public ComponentClass<GamePlayerManager>
{
public:
    static inline const std::string FACTORY_TYPE = "GamePlayerManager";

    /// An empty manager; no keys.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;

    /// The players filed, which the manager holds while they are in its scene.
    void forEachOwned(ReferenceVisitor& visitor) const override;
    /// With the class's entries, the scene's entry for the manager.
    void forEachRegistryEntry(const Entity& entity, ReferenceVisitor& visitor) const override;

    /// The player filed under the number, or empty.
    std::shared_ptr<GamePlayer> getGamePlayer(std::uint32_t id);
    /// The numbers of the players filed, in increasing order.
    std::vector<std::uint32_t> getPlayerNumbers();
    /// Kept after the manager leaves its scene, though its table is emptied.
    std::uint32_t getActivePlayer() const { return activePlayer; }

    /// The manager of the scene, or empty (also for no scene).
    static std::shared_ptr<GamePlayerManager> getGamePlayerManager(const SceneManager* scene);
    /// The entity of the scene's player of that number, or empty.
    static std::shared_ptr<Entity> getGamePlayerEntity(const SceneManager* scene, std::uint32_t id);

private:
    friend class GamePlayer;

    using PlayerTable = std::unordered_map<std::uint32_t, std::shared_ptr<GamePlayer>>;

    /// Files the player that entered this manager's scene, or kills its entity when its number is taken.
    void playerEntered(const std::shared_ptr<GamePlayer>& player);
    /// Unfiles the player when it is the one filed under its number.
    void playerLeft(const GamePlayer& player);
    void forget(PlayerTable::iterator entry);
    void emptyTable();

    PlayerTable players;
    std::uint32_t activePlayer = 0;
};

}
