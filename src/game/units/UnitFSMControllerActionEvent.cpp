#include "game/units/UnitFSMControllerActionEvent.h"

#include "core/ParameterList.h"

namespace Tarnu
{

std::shared_ptr<FactoryEvent> UnitFSMControllerActionEvent::createNew(const ParameterList& params) const
{
    double time = 0.0;
    params.get("time", time);
    return std::make_shared<UnitFSMControllerActionEvent>(params.get("fsm"), time);
}

}
