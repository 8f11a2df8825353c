#pragma once
// An entity that a game treats as a unit of one player: its unit type, its
// player's number, the scene template it was made from and a few parameters.
// A unit is in at most one beacon, which holds it strongly while it is there;
// the unit only observes its beacon, so a beacon that dies leaves it in none.
// Any change of scene, and leaving its entity, takes the unit out of its beacon.

#include "core/ParameterList.h"
#include "game/units/PlayerObject.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class PlayerBeacon;
class SceneTemplate;
class UnitFSMController;

class PlayerUnit : public ComponentClass<PlayerUnit, PlayerObject>
{
public:
    static inline const std::string FACTORY_TYPE = "PlayerUnit";

    /// A template name is looked up with the scene-template manager, which must exist; "" names none.
    explicit PlayerUnit(std::uint32_t unitType = 0, std::uint32_t player = 0, const std::string& templateName = "");
    /// The numbers, the template and the parameters; no beacon.
    PlayerUnit(const PlayerUnit& other);

    /// "type", "player" (both 0 to 4294967295) and "template", all required.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;

    std::uint32_t getUnitType() const { return unitType; }
    std::uint32_t getPlayer() const { return player; }
    /// The state-machine controller of the unit's entity, or empty.
    std::shared_ptr<UnitFSMController> getController() const;
    std::shared_ptr<PlayerBeacon> getBeacon() const { return beacon.lock(); }
    const std::shared_ptr<SceneTemplate>& getSceneTemplate() const { return sceneTemplate; }
    ParameterList getParameters() const { return parameters; }

private:
    friend class PlayerBeacon;

    void leaveBeacon();

    std::weak_ptr<PlayerBeacon> beacon;  // written by the beacon only
    const std::uint32_t unitType;
    const std::uint32_t player;
    const std::shared_ptr<SceneTemplate> sceneTemplate;
    ParameterList parameters;
};

}
