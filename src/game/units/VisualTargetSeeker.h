#pragma once
// Sight of one entity, watched for by name: on a unit's sight sensor, it
// reports to the unit (the sensor entity's parent) a VisualTargetFound when
// an entity of that exact name comes into view and a VisualTargetLost when it
// goes out of view. It hears two kinds of event on its entity: the sensor's
// contacts, and SetVisualTargetActionEvents, which change the name watched.

#include "core/EventListener.h"
#include "game/physics/CollidableEvent.h"
#include "scene/ComponentClass.h"

#include <memory>
#include <string>

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
    /// Both listeners follow the seeker from entity to entity.
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;

    void entitiesCollided(const std::shared_ptr<CollidableEvent>& event) override;
    void entitiesSeparated(const std::shared_ptr<CollidableEvent>& event) override;

    const std::string& getTargetName() const { return targetName; }
    void setTarget(const std::string& name) { targetName = name; }
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

    template <class Report>
    void report(const CollidableEvent& event);

    std::string targetName;
    ActionListener actions;
};

}
