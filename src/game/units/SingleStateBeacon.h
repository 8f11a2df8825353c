#pragma once
// A beacon whose units all run one state machine: a joining unit's entity is
// sent a UnitFSMControllerActionEvent naming it, a leaving unit's entity one
// naming none, each posted at once so the unit's controller switches within
// the call.

#include "game/units/PlayerBeacon.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class SingleStateBeacon : public ComponentClass<SingleStateBeacon, PlayerBeacon>
{
public:
    static inline const std::string FACTORY_TYPE = "SingleStateBeacon";

    explicit SingleStateBeacon(std::uint32_t unitType = 0, std::uint32_t player = 0, const std::string& fsm = "")
        : ComponentClass(unitType, player), fsm(fsm)
    {
    }

    /// "fsm" (text), "type" and "player", all required, read in that order.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    /// The numbers and the machine's name; no units.
    std::shared_ptr<Component> createCopy() const override;
    void unitAdded(const std::shared_ptr<PlayerUnit>& unit) override;
    void unitRemoved(const std::shared_ptr<PlayerUnit>& unit) override;

private:
    const std::string fsm;
};

}
