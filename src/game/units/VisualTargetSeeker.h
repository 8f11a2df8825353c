#pragma once
// Sight of one entity, watched for by name: on a unit's sight sensor, it
// reports to the unit (the sensor entity's parent) a VisualTargetFound when an
// entity of that name comes into view, and a VisualTargetLost once when a
// contact with an entity of that name ends, however it ends (walking out,
// dying, leaving the scene), whatever name was watched when it began. So it
// remembers every entity in view until its contact ends, known by the
// collidable number the contact began with: the end of a contact with an entity
// that died names no entity. It holds those of the watched name, so that their
// loss names them though nothing else holds them any more, and remembers the
// others weakly (holding everything in view would keep a crowd alive, and its
// cycles out of the collector's sight); a new name is looked for among them.
// SetVisualTargetActionEvents on its entity change the name watched; moving to
// another entity forgets what was in view.

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
    /// The entities in view that bear the watched name.
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

    /// An entity in view, until its contact ends.
    struct Contact
    {
        std::uint32_t collidableId;
        std::weak_ptr<Entity> seen;
        std::shared_ptr<Entity> held;  // while it bears the watched name

        /// Whether the entity is the one seen, even once that one has died and another took its place in memory.
        bool sees(const std::shared_ptr<Entity>& entity) const
        {
            return !seen.owner_before(entity) && !entity.owner_before(seen);
        }
    };

    void watch(std::string name);
    /// Lets go of every contact; what that destroys may call back into the seeker.
    void forget();

    std::string targetName;
    std::vector<Contact> inView;
    ActionListener actions;
};

}
