#include "game/units/VisualTargetSeeker.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "game/units/SetVisualTargetActionEvent.h"
#include "game/units/SightContact.h"
#include "game/units/SightEvents.h"
#include "scene/Entity.h"

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

void VisualTargetSeeker::setTarget(const std::shared_ptr<Entity>& entity)
{
    if (!entity)
        throw std::runtime_error("VisualTargetSeeker.setTarget: no entity to watch");
    targetName = entity->getName();
}

void VisualTargetSeeker::apply(const SetVisualTargetActionEvent& event)
{
    if (std::optional<std::string> name = event.getTargetName())
        targetName = std::move(*name);
}

template <class Report>
void VisualTargetSeeker::report(const CollidableEvent& event)
{
    SightContact contact;
    if (readSightContact(*this, event, contact) && contact.seen->getName() == targetName)
        contact.viewer->queueEvent(std::make_shared<Report>(contact.time, contact.seen));
}

void VisualTargetSeeker::entitiesCollided(const std::shared_ptr<CollidableEvent>& event)
{
    report<VisualTargetFound>(*event);
}

void VisualTargetSeeker::entitiesSeparated(const std::shared_ptr<CollidableEvent>& event)
{
    report<VisualTargetLost>(*event);
}

}
