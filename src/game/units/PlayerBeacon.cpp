#include "game/units/PlayerBeacon.h"

#include "core/OwnedReferences.h"
#include "core/ParameterTable.h"
#include "core/SnapshotWalk.h"
#include "game/units/PlayerUnit.h"
#include "game/units/UnitFSMController.h"
#include "game/units/UnsignedParameter.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(
    ParameterTable::COMPONENT, "PlayerBeacon",
    {{"type", ParameterFormat::COUNT, ParameterTable::REQUIRED, "The unit type it gathers."},
     {"player", ParameterFormat::COUNT, ParameterTable::REQUIRED, "The number of the player it belongs to."}});

/// The component's node when it is in a scene, else null.
SceneNode* placedNode(const Component& component)
{
    SceneNode* node = component.getSceneNodePointer();
    return node && node->getManagerPointer() ? node : nullptr;
}

}

std::shared_ptr<Component> PlayerBeacon::createNew(const ParameterList& params) const
{
    const std::uint32_t type = readUnsigned(params, "type");
    return std::make_shared<PlayerBeacon>(type, readUnsigned(params, "player"));
}

std::shared_ptr<Component> PlayerBeacon::createCopy() const
{
    return std::make_shared<PlayerBeacon>(*this);
}

void PlayerBeacon::entityChanged(const std::shared_ptr<Entity>&, const std::shared_ptr<Entity>& oldEntity)
{
    if (oldEntity)
        removeAllUnits();
}

void PlayerBeacon::managerChanged(const std::shared_ptr<SceneManager>&, const std::shared_ptr<SceneManager>&)
{
    // Also on entering, as for a unit: units still here were taken in a scene the beacon left unheard.
    removeAllUnits();
}

std::shared_ptr<PlayerUnit> PlayerBeacon::selectUnitToRemove()
{
    return units.first();
}

double PlayerBeacon::evaluateUnit(const std::shared_ptr<PlayerUnit>& unit)
{
    SceneNode* unitNode = unit ? placedNode(*unit) : nullptr;
    SceneNode* ownNode = placedNode(*this);
    if (!unitNode || !ownNode)
        return 0.0;
    // A unit standing on the beacon scores infinity.
    return 1.0 / ownNode->getWorldPosition().squaredDistance(unitNode->getWorldPosition());
}

bool PlayerBeacon::holds(const PlayerUnit& unit) const
{
    return unit.beacon.lock().get() == this;
}

void PlayerBeacon::addUnit(const std::shared_ptr<PlayerUnit>& unit)
{
    // Held for the call: the caller's pointer may be one that unitAdded resets.
    const std::shared_ptr<PlayerUnit> joining = unit;
    const SceneManager* scene = getSceneManagerPointer();
    if (!joining || joining->getBeacon() || !scene || joining->getSceneManagerPointer() != scene)
        return;
    const std::shared_ptr<PlayerBeacon> self = getFor(getOwnerPointer());
    if (self.get() != this)
        return;
    units.insert(joining);
    joining->beacon = self;
    unitAdded(joining);
}

void PlayerBeacon::removeUnit(const std::shared_ptr<PlayerUnit>& unit)
{
    // Held for the call: the pointer may be the set's own, which erasing destroys.
    const std::shared_ptr<PlayerUnit> leaving = unit;
    if (!leaving || !holds(*leaving))
        return;
    units.erase(leaving.get());
    leaving->beacon.reset();
    unitRemoved(leaving);
}

void PlayerBeacon::removeAllUnits()
{
    // A unit that left or came back while an earlier one was told is skipped, or stays.
    const std::vector<std::shared_ptr<PlayerUnit>> leaving = units.snapshot();
    walkSnapshot(
        leaving, [this](const PlayerUnit& unit) { return holds(unit); },
        [this](const std::shared_ptr<PlayerUnit>& unit) {
            unit->beacon.reset();
            unitRemoved(unit);
        });
    for (const std::shared_ptr<PlayerUnit>& unit : leaving)
        if (!holds(*unit))
            units.erase(unit.get());
}

void PlayerBeacon::forEachOwned(ReferenceVisitor& visitor) const
{
    units.forEach([&visitor](const std::shared_ptr<PlayerUnit>& unit) { visitor(unit); });
}

void PlayerBeacon::accept(Visitor<const std::shared_ptr<PlayerUnit>>& visitor)
{
    walkSnapshot(
        units.snapshot(), [this](const PlayerUnit& unit) { return holds(unit); },
        [&visitor](const std::shared_ptr<PlayerUnit>& unit) { visitor.visit(unit); });
}

void PlayerBeacon::accept(Visitor<const std::shared_ptr<UnitFSMController>>& visitor)
{
    walkSnapshot(
        units.snapshot(), [this](const PlayerUnit& unit) { return holds(unit); },
        [&visitor](const std::shared_ptr<PlayerUnit>& unit) { visitor.visit(unit->getController()); });
}

}
