#pragma once
// Sight of one entity, watched for by name: on a unit's sight sensor, it
// reports to the unit (the sensor entity's parent) a VisualTargetFound when an
// entity of that name comes into view, and a VisualTargetLost once when a
// contact with an entity of that name ends, however it ends (walking out,
// dying, leaving the scene), whatever name was watched when it began. So it
// holds every entity in view until its contact ends, known by the collidable
// number the contact began with: the end of a contact with an entity that died
// names no entity. SetVisualTargetActionEvents on its entity change the name
// watched; moving to another entity forgets what was in view.

#include "core/EventListener.h"
#include "game/physics/CollidableEvent.h"
#include "scene/ComponentClass.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tarnu
{

class SetVisualTargetActionEvent;

class VisualTargetSeeker : public ComponentClass<VisualTargetSeeker>, public CollidableListener
{
public:
    static inline const std::string FACTORY_TYPE = "VisualTargetSeeker";

    explicit VisualTargetSeeker(const std::string& targetName = "");

    /// "target", plain text, empty when missing.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    /// Both listeners follow the seeker from entity to entity; what it saw from the old one is forgotten.
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    /// The entities in view.
    void forEachOwned(ReferenceVisitor& visitor) const override;

    void entitiesCollided(const std::shared_ptr<CollidableEvent>& event) override;
    void entitiesSeparated(const std::shared_ptr<CollidableEvent>& event) override;

    const std::string& getTargetName() const { return targetName; }
    void setTarget(const std::string& name);
    /// Watches the entity's name as it is now; refuses an empty entity.
    void setTarget(const std::shared_ptr<Entity>& entity);
    /// Watches what the event names; an event whose entity is gone changes nothing.
    void apply(const SetVisualTargetActionEvent& event);

private:
    /// Hears the action events; a member, so that it lives and dies with the seeker.
    class ActionListener : public EventListener
    {
    public:
        explicit ActionListener(VisualTargetSeeker& seeker);
        void handleEvent(const std::shared_ptr<Event>& event) override;

    private:
        VisualTargetSeeker& seeker;
    };

    /// An entity in view, until its contact ends: held, so that a loss names it
    /// though nothing else holds it any more.
    struct Contact
    {
        std::uint32_t collidableId;
        std::shared_ptr<Entity> seen;
    };

    /// Lets go of every contact; what that destroys may call back into the seeker.
    void forget();

    std::string targetName;
    std::vector<Contact> inView;
    ActionListener actions;
};

}
