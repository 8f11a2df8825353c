#include "game/units/UnitFSMControllerActionEvent.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"

namespace Tarnu
{

namespace
{

const ParameterTable
    PARAMETERS(ParameterTable::EVENT, "UnitFSMControllerAction",
               {eventTimeParameter(),
                {"fsm", ParameterFormat::TEXT, "empty",
                 "The state machine the controller on the entity runs from then on; empty stops the one running."}});

}

std::shared_ptr<FactoryEvent> UnitFSMControllerActionEvent::createNew(const ParameterList& params) const
{
    double time = 0.0;
    params.get("time", time);
    return std::make_shared<UnitFSMControllerActionEvent>(params.get("fsm"), time);
}

}
