#pragma once
// The action event that switches a unit's running state machine: posted, or
// queued for its time, on the unit's entity, it makes the entity's
// UnitFSMController run the machine of the named definition, or stop the
// running one when the name is empty. Event scripts make it by the factory name
// "UnitFSMControllerAction" with the parameters "fsm" and "time".

#include "scene/templates/ActionEvents.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

struct UnitFSMControllerAction
{
    std::string fsm;
};

class UnitFSMControllerActionEvent : public ActionEvent<UnitFSMControllerActionEvent, UnitFSMControllerAction>
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "UnitFSMControllerAction";

    using ActionEvent::ActionEvent;
    UnitFSMControllerActionEvent(const std::string& fsm, double time) : ActionEvent(time, {fsm}) {}

    /// From "fsm" (empty when missing) and "time" (0 when missing or not a number).
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;
};

}
