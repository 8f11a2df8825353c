#pragma once
// A gathering point of one player for units of one type. Units join through
// addUnit while unit and beacon are in the same scene, and leave through
// removeUnit, removeAllUnits, or when either changes scene or leaves its entity;
// unitAdded and unitRemoved hear each join and each departure once.
// evaluateUnit and selectUnitToRemove are advice for the game, which the
// engine never asks for itself.
//
// The beacon holds its units; a unit observes its beacon. A unit whose link
// names this beacon is always in the set; removeAllUnits keeps the units it
// has let go in the set, still counted, until it has told them all. The hooks
// may call back into the beacon: walks go over a snapshot and ask each unit's
// link before they act on it.

#include "game/units/PlayerObject.h"
#include "scene/InsertionOrderedSet.h"
#include "scene/Visitor.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class PlayerUnit;
class UnitFSMController;

class PlayerBeacon : public ComponentClass<PlayerBeacon, PlayerObject>,
                     public Visitable<const std::shared_ptr<PlayerUnit>>,
                     public Visitable<const std::shared_ptr<UnitFSMController>>
{
public:
    static inline const std::string FACTORY_TYPE = "PlayerBeacon";

    explicit PlayerBeacon(std::uint32_t unitType = 0, std::uint32_t player = 0)
        : unitType(unitType), player(player)
    {
    }
    /// The numbers; no units.
    PlayerBeacon(const PlayerBeacon& other) : ComponentClass(other), unitType(other.unitType), player(other.player) {}

    /// "type" and "player" (0 to 4294967295), both required.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;

    /// The unit that joined first of those here, or empty.
    virtual std::shared_ptr<PlayerUnit> selectUnitToRemove();
    /// 1 over the squared distance between beacon and unit; 0 when either is in no scene.
    virtual double evaluateUnit(const std::shared_ptr<PlayerUnit>& unit);
    virtual void unitAdded(const std::shared_ptr<PlayerUnit>& unit) {}
    virtual void unitRemoved(const std::shared_ptr<PlayerUnit>& unit) {}

    std::uint32_t getUnitType() const { return unitType; }
    std::uint32_t getPlayer() const { return player; }
    /// Nothing in the engine sets it: 0.
    double getPriority() const { return priority; }
    std::uint32_t getNumUnits() const { return static_cast<std::uint32_t>(units.size()); }

    /// Ignored unless the unit is in no beacon and in this beacon's scene; type and player are not compared.
    void addUnit(const std::shared_ptr<PlayerUnit>& unit);
    /// Ignored unless the unit is in this beacon.
    void removeUnit(const std::shared_ptr<PlayerUnit>& unit);
    /// Every unit leaves, in the order they joined; unitRemoved still counts those yet to leave.
    void removeAllUnits();

    /// The units in the order they joined.
    void accept(Visitor<const std::shared_ptr<PlayerUnit>>& visitor) override;
    /// The units, which the beacon holds while they are its members.
    void forEachOwned(ReferenceVisitor& visitor) const override;
    /// The units' controllers (empty for a unit without one), in the order the units joined.
    void accept(Visitor<const std::shared_ptr<UnitFSMController>>& visitor) override;

private:
    friend class PlayerUnit;

    bool holds(const PlayerUnit& unit) const;

    InsertionOrderedSet<PlayerUnit> units;
    const std::uint32_t unitType;
    const std::uint32_t player;
    const double priority = 0.0;
};

}
