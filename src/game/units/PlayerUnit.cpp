#include "game/units/PlayerUnit.h"

#include "core/ParameterTable.h"
#include "game/units/PlayerBeacon.h"
#include "game/units/UnitFSMController.h"
#include "game/units/UnsignedParameter.h"
#include "scene/templates/SceneTemplateManager.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(
    ParameterTable::COMPONENT, "PlayerUnit",
    {{"type", ParameterFormat::COUNT, ParameterTable::REQUIRED, "The unit's type: beacons gather units by type."},
     {"player", ParameterFormat::COUNT, ParameterTable::REQUIRED, "The number of the player it belongs to."},
     {"template", ParameterFormat::TEXT, ParameterTable::REQUIRED,
      "The scene template the unit is made from; empty names none."}});

std::shared_ptr<SceneTemplate> findTemplate(const std::string& name)
{
    return name.empty() ? nullptr : SceneTemplateManager::getSingleton().loadTemplate(name);
}

}

PlayerUnit::PlayerUnit(std::uint32_t unitType, std::uint32_t player, const std::string& templateName)
    : unitType(unitType), player(player), sceneTemplate(findTemplate(templateName))
{
    parameters.add("player", std::to_string(player));
}

PlayerUnit::PlayerUnit(const PlayerUnit& other)
    : ComponentClass(other), unitType(other.unitType), player(other.player), sceneTemplate(other.sceneTemplate),
      parameters(other.parameters)
{
}

std::shared_ptr<Component> PlayerUnit::createNew(const ParameterList& params) const
{
    const std::uint32_t type = readUnsigned(params, "type");
    const std::uint32_t owner = readUnsigned(params, "player");
    return std::make_shared<PlayerUnit>(type, owner, params.getThrowOnFail("template"));
}

std::shared_ptr<Component> PlayerUnit::createCopy() const
{
    return std::make_shared<PlayerUnit>(*this);
}

void PlayerUnit::entityChanged(const std::shared_ptr<Entity>&, const std::shared_ptr<Entity>& oldEntity)
{
    // A unit let go of outside a scene would otherwise stay in its beacon, held there for good.
    if (oldEntity)
        leaveBeacon();
}

void PlayerUnit::managerChanged(const std::shared_ptr<SceneManager>&, const std::shared_ptr<SceneManager>&)
{
    // Also on entering: a unit still in a beacon then left its last scene unheard (a callback moved it on
    // before this component was told), and membership ends with the scene.
    leaveBeacon();
}

std::shared_ptr<UnitFSMController> PlayerUnit::getController() const
{
    return UnitFSMController::getFor(getOwnerPointer());
}

void PlayerUnit::leaveBeacon()
{
    if (const std::shared_ptr<PlayerBeacon> held = beacon.lock())
        held->removeUnit(held->units.get(this));
}

}
