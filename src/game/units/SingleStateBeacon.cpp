#include "game/units/SingleStateBeacon.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "game/units/PlayerUnit.h"
#include "game/units/UnitFSMControllerActionEvent.h"
#include "game/units/UnsignedParameter.h"
#include "scene/Entity.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::COMPONENT, "SingleStateBeacon",
                                {{"fsm", ParameterFormat::TEXT, ParameterTable::REQUIRED,
                                  "The state machine every unit that joins runs."}},
                                {{ParameterTable::COMPONENT, "PlayerBeacon"}});

void sendMachine(const std::shared_ptr<PlayerUnit>& unit, const std::string& fsm)
{
    if (const std::shared_ptr<Entity> entity = unit ? unit->getEntity() : nullptr)
        entity->postEvent(std::make_shared<UnitFSMControllerActionEvent>(fsm, 0.0));
}

}

std::shared_ptr<Component> SingleStateBeacon::createNew(const ParameterList& params) const
{
    const std::string& machine = params.getThrowOnFail("fsm");
    const std::uint32_t type = readUnsigned(params, "type");
    return std::make_shared<SingleStateBeacon>(type, readUnsigned(params, "player"), machine);
}

std::shared_ptr<Component> SingleStateBeacon::createCopy() const
{
    return std::make_shared<SingleStateBeacon>(getUnitType(), getPlayer(), fsm);
}

void SingleStateBeacon::unitAdded(const std::shared_ptr<PlayerUnit>& unit)
{
    sendMachine(unit, fsm);
}

void SingleStateBeacon::unitRemoved(const std::shared_ptr<PlayerUnit>& unit)
{
    sendMachine(unit, "");
}

}
