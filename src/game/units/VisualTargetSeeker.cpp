#include "game/units/VisualTargetSeeker.h"

#include "core/OwnedReferences.h"
#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "game/units/SetVisualTargetActionEvent.h"
#include "game/units/SightContact.h"
#include "game/units/SightEvents.h"
#include "scene/Entity.h"

#include <algorithm>
#include <stdexcept>

namespace Tarnu
{

namespace
{

const ParameterTable
    PARAMETERS(ParameterTable::COMPONENT, "VisualTargetSeeker",
               {{"target", ParameterFormat::TEXT, "empty",
                 "The name of the entity it watches for: found as it comes into view, lost as it leaves."}});

}

VisualTargetSeeker::ActionListener::ActionListener(VisualTargetSeeker& seeker)
    : EventListener(SetVisualTargetActionEvent::TYPE), seeker(seeker)
{
}

void VisualTargetSeeker::ActionListener::handleEvent(const std::shared_ptr<Event>& event)
{
    // A script may post a bare Event under this type number.
    if (const auto action = std::dynamic_pointer_cast<SetVisualTargetActionEvent>(event))
        seeker.apply(*action);
}

VisualTargetSeeker::VisualTargetSeeker(const std::string& targetName) : targetName(targetName), actions(*this)
{
}

std::shared_ptr<Component> VisualTargetSeeker::createNew(const ParameterList& params) const
{
    return std::make_shared<VisualTargetSeeker>(params.get("target"));
}

std::shared_ptr<Component> VisualTargetSeeker::createCopy() const
{
    return std::make_shared<VisualTargetSeeker>(targetName);
}

void VisualTargetSeeker::entityChanged(const std::shared_ptr<Entity>& newEntity,
                                       const std::shared_ptr<Entity>& oldEntity)
{
    CollidableListener* contacts = this;
    forget();
    if (oldEntity)
    {
        oldEntity->removeEventListener(contacts);
        oldEntity->removeEventListener(&actions);
    }
    if (newEntity)
    {
        newEntity->addEventListener(contacts);
        newEntity->addEventListener(&actions);
    }
}

void VisualTargetSeeker::forEachOwned(ReferenceVisitor& visitor) const
{
    for (const Sighting& sighting : sightings)
        visitor(sighting.target);
}

void VisualTargetSeeker::setTarget(const std::string& name)
{
    watch(name);
}

void VisualTargetSeeker::setTarget(const std::shared_ptr<Entity>& entity)
{
    if (!entity)
        throw std::runtime_error("VisualTargetSeeker.setTarget: no entity to watch");
    watch(entity->getName());
}

void VisualTargetSeeker::apply(const SetVisualTargetActionEvent& event)
{
    if (std::optional<std::string> name = event.getTargetName())
        watch(std::move(*name));
}

void VisualTargetSeeker::watch(std::string name)
{
    if (name != targetName)
        forget();
    targetName = std::move(name);
}

void VisualTargetSeeker::forget()
{
    std::vector<Sighting> forgotten;
    forgotten.swap(sightings);
}

void VisualTargetSeeker::entitiesCollided(const std::shared_ptr<CollidableEvent>& event)
{
    const SightContact contact = readSightContact(*this, *event);
    if (!contact.sighted || contact.seen->getName() != targetName)
        return;
    // Seen anew without the end of the former contact (the sensor's collidable changed, say): that one is over.
    auto same = std::find_if(sightings.begin(), sightings.end(),
                             [&contact](const Sighting& sighting) { return sighting.target == contact.seen; });
    if (same == sightings.end())
        sightings.push_back({contact.seenId, contact.seen});
    else
        same->collidableId = contact.seenId;
    contact.viewer->queueEvent(std::make_shared<VisualTargetFound>(contact.time, contact.seen));
}

void VisualTargetSeeker::entitiesSeparated(const std::shared_ptr<CollidableEvent>& event)
{
    const SightContact contact = readSightContact(*this, *event);
    // The seen side is empty when its collidable has left the entity; the number still tells the contact.
    auto found = std::find_if(sightings.begin(), sightings.end(), [&contact](const Sighting& sighting) {
        return sighting.collidableId == contact.seenId && (!contact.seen || sighting.target == contact.seen);
    });
    if (found == sightings.end())
        return;
    const std::shared_ptr<Entity> lost = std::move(found->target);
    sightings.erase(found);
    // A unit that left the scene with its sensor hears nothing more of what it saw there.
    if (contact.viewer && contact.viewer != lost)
        contact.viewer->queueEvent(std::make_shared<VisualTargetLost>(contact.time, lost));
}

}
