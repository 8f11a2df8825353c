#include "game/units/UnitFSMController.h"

#include "core/OwnedReferences.h"
#include "core/ParameterTable.h"
#include "game/units/FSMResource.h"
#include "game/units/UnitFSM.h"
#include "game/units/UnitFSMControllerActionEvent.h"
#include "scene/Entity.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::COMPONENT, "UnitFSMController", {});

}

UnitFSMController::UnitFSMController() : EventListener(UnitFSMControllerActionEvent::TYPE)
{
}

std::shared_ptr<Component> UnitFSMController::createNew(const ParameterList&) const
{
    return std::make_shared<UnitFSMController>();
}

std::shared_ptr<Component> UnitFSMController::createCopy() const
{
    return std::make_shared<UnitFSMController>();
}

void UnitFSMController::entityChanged(const std::shared_ptr<Entity>& newEntity,
                                      const std::shared_ptr<Entity>& oldEntity)
{
    if (oldEntity)
    {
        unregisterAll();
        oldEntity->removeEventListener(this);
    }
    if (newEntity)
        newEntity->addEventListener(this);
}

void UnitFSMController::managerChanged(const std::shared_ptr<SceneManager>&,
                                       const std::shared_ptr<SceneManager>& oldManager)
{
    if (oldManager)
        setFSM("");
}

void UnitFSMController::forEachOwned(ReferenceVisitor& visitor) const
{
    for (const auto& [name, registration] : machines)
        visitor(registration.kept);
}

void UnitFSMController::handleEvent(const std::shared_ptr<Event>& event)
{
    if (const auto action = std::dynamic_pointer_cast<UnitFSMControllerActionEvent>(event))
        setFSM(action->fields.fsm);
}

void UnitFSMController::registerFSM(const std::shared_ptr<UnitFSM>& machine)
{
    if (!machine || !machine->getStateMachine())
        return;
    // Observed through the entity's own reference: the one handed in may be a
    // script's temporary, gone when the call returns.
    const auto* component = dynamic_cast<const Component*>(machine.get());
    if (component && getOwnerPointer() && component->getOwnerPointer() == getOwnerPointer())
        for (const std::shared_ptr<Component>& held : getOwnerPointer()->getComponents())
            if (held.get() == component)
            {
                machines.emplace(machine->getStateMachine()->getName(),
                                 Registration{std::shared_ptr<UnitFSM>(held, machine.get()), nullptr});
                return;
            }
    machines.emplace(machine->getStateMachine()->getName(), Registration{machine, machine});
}

void UnitFSMController::unregisterFSM(UnitFSM* machine)
{
    if (!machine || !machine->getStateMachine())
        return;
    const std::string name = machine->getStateMachine()->getName();
    // Only its own entry: a twin of the same definition that was left out must not remove the one registered.
    const auto registered = [this, &name, machine] {
        const auto found = machines.find(name);
        return found != machines.end() && found->second.machine.lock().get() == machine ? found : machines.end();
    };
    if (registered() == machines.end())
        return;
    if (active.lock().get() == machine)
    {
        setFSM("");
        if (registered() == machines.end())
            return;
    }
    const auto found = registered();
    const Registration leaving = std::move(found->second);
    machines.erase(found);
}

bool UnitFSMController::unregisterAll()
{
    stopActive();
    // Let go of after the table is empty: a script's machine may run script code as it dies.
    const auto forgotten = std::move(machines);
    machines.clear();
    return !forgotten.empty();
}

std::shared_ptr<UnitFSM> UnitFSMController::getRegistered(const std::string& name) const
{
    const auto found = machines.find(name);
    return found == machines.end() ? nullptr : found->second.machine.lock();
}

std::shared_ptr<UnitFSM> UnitFSMController::switchTarget(const std::string& name) const
{
    if (!getSceneManagerPointer())
        return nullptr;
    const std::shared_ptr<UnitFSM> found = getRegistered(name);
    return found == active.lock() ? nullptr : found;
}

void UnitFSMController::stopActive()
{
    // Out of the slot before it hears of it: its stateChanged may start another machine.
    const std::shared_ptr<UnitFSM> leaving = active.lock();
    active.reset();
    if (leaving)
        leaving->disconnect();
}

void UnitFSMController::setFSM(const std::string& name)
{
    const std::uint64_t request = ++requests;
    if (name.empty())
    {
        stopActive();
        return;
    }
    std::shared_ptr<UnitFSM> target = switchTarget(name);
    if (!target)
        return;
    // The entity's reference to this controller may go inside the machines' stateChanged.
    const std::shared_ptr<UnitFSMController> keep = getFor(getOwnerPointer());
    if (!active.expired())
    {
        stopActive();
        if (request != requests || !(target = switchTarget(name)))
            return;
    }
    active = target;
    target->connect(getEntity(), 0);
}

}
