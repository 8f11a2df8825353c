#include "game/units/VisualReactor.h"

#include "core/ParameterTable.h"
#include "game/units/PlayerUnit.h"
#include "game/units/SightContact.h"
#include "game/units/SightEvents.h"
#include "scene/Entity.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::COMPONENT, "VisualReactor", {});

}

std::shared_ptr<Component> VisualReactor::createNew(const ParameterList&) const
{
    return std::make_shared<VisualReactor>();
}

std::shared_ptr<Component> VisualReactor::createCopy() const
{
    return std::make_shared<VisualReactor>();
}

void VisualReactor::entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity)
{
    if (oldEntity)
        oldEntity->removeEventListener(this);
    if (newEntity)
        newEntity->addEventListener(this);
}

void VisualReactor::entitiesCollided(const std::shared_ptr<CollidableEvent>& event)
{
    const SightContact contact = readSightContact(*this, *event);
    if (!contact.sighted)
        return;
    const std::shared_ptr<PlayerUnit> seen = PlayerUnit::getFor(contact.seen.get());
    if (!seen)
        return;
    contact.viewer->queueEvent(std::make_shared<UnitSightedEvent>(contact.time, seen));
    const std::shared_ptr<PlayerUnit> own = PlayerUnit::getFor(contact.viewer.get());
    if (own && own->getPlayer() != seen->getPlayer())
        contact.viewer->queueEvent(std::make_shared<EnemySightedEvent>(contact.time, seen));
}

}
