#include "game/units/UnitFSMComponent.h"

#include "game/units/UnitFSMController.h"
#include "scene/Entity.h"

namespace Tarnu
{

namespace
{

/// The entity's own reference to the machine, which keeps a script's machine alive with its script object.
std::shared_ptr<UnitFSM> referenceIn(const Entity& entity, UnitFSMComponent& machine)
{
    for (const std::shared_ptr<Component>& component : entity.getComponents())
        if (component.get() == &machine)
            return std::shared_ptr<UnitFSM>(component, &machine);
    return nullptr;
}

}

void UnitFSMComponent::entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity)
{
    if (newEntity)
        if (const std::shared_ptr<UnitFSMController> controller = UnitFSMController::getFor(newEntity.get()))
            controller->registerFSM(referenceIn(*newEntity, *this));
    if (oldEntity)
    {
        if (const std::shared_ptr<UnitFSMController> controller = UnitFSMController::getFor(oldEntity.get()))
            controller->unregisterFSM(this);
        if (isConnectedTo(*oldEntity))
            disconnect();
    }
}

}
