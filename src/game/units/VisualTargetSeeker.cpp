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
    for (const Contact& contact : inView)
        visitor(contact.held);
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
    targetName = std::move(name);
    // What is let go of is released once the contacts are consistent: its destruction may call back.
    std::vector<std::shared_ptr<Entity>> released;
    for (Contact& contact : inView)
    {
        std::shared_ptr<Entity> entity = contact.seen.lock();
        released.push_back(std::move(contact.held));
        if (entity && entity->getName() == targetName)
            contact.held = std::move(entity);
    }
}

void VisualTargetSeeker::forget()
{
    std::vector<Contact> forgotten;
    forgotten.swap(inView);
}

void VisualTargetSeeker::entitiesCollided(const std::shared_ptr<CollidableEvent>& event)
{
    const SightContact contact = readSightContact(*this, *event);
    if (!contact.sighted)
        return;
    // Seen anew without the end of the former contact (the sensor's collidable changed, say): that one is over.
    auto same = std::find_if(inView.begin(), inView.end(),
                             [&contact](const Contact& known) { return known.sees(contact.seen); });
    const bool target = contact.seen->getName() == targetName;
    if (same == inView.end())
        inView.push_back({contact.seenId, contact.seen, target ? contact.seen : nullptr});
    else
        same->collidableId = contact.seenId;
    if (target)
        contact.viewer->queueEvent(std::make_shared<VisualTargetFound>(contact.time, contact.seen));
}

void VisualTargetSeeker::entitiesSeparated(const std::shared_ptr<CollidableEvent>& event)
{
    const SightContact contact = readSightContact(*this, *event);
    // The seen side is empty when its collidable has left the entity; the number still tells the contact.
    auto ended = std::find_if(inView.begin(), inView.end(), [&contact](const Contact& known) {
        return known.collidableId == contact.seenId && (!contact.seen || known.sees(contact.seen));
    });
    if (ended == inView.end())
        return;
    // One that was not held and has died bore another name.
    const std::shared_ptr<Entity> gone = ended->held ? std::move(ended->held) : ended->seen.lock();
    std::swap(*ended, inView.back());
    inView.pop_back();
    if (!gone)
        return;
    // A unit that left the scene with its sensor hears nothing more of what it saw there.
    if (contact.viewer && contact.viewer != gone && gone->getName() == targetName)
        contact.viewer->queueEvent(std::make_shared<VisualTargetLost>(contact.time, gone));
}

}
