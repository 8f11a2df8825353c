#pragma once
// One numbered side of a game, carried by an entity. While the entity is in a
// scene whose GamePlayerManager entered before it, the manager files the player
// by number; a second player of a number already filed there has its entity
// killed. The active flag is the player's wish to be the scene's active
// player: the manager clears it when the scene has an active player already.

#include "scene/ComponentClass.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class GamePlayer : public ComponentClass<GamePlayer>
{
public:
    static inline const std::string FACTORY_TYPE = "GamePlayer";

    explicit GamePlayer(std::uint32_t id = 0, bool active = false) : id(id), active(active) {}

    /// "id" (required, 0 to 4294967295), then "active" ("true" or "1"; false otherwise or when missing).
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    /// The same number; a copy does not ask to be active: the original holds or held that place.
    std::shared_ptr<Component> createCopy() const override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;

    std::uint32_t getID() const { return id; }
    bool isActive() const { return active; }

private:
    friend class GamePlayerManager;

    const std::uint32_t id;
    bool active;
};

}
