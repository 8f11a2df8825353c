#pragma once
// The action event that tells a VisualTargetSeeker which entity to watch:
// posted, or queued for its time, on the seeker's entity. Made with a name it
// names that name; made with an entity it names the entity's name as it is
// when the seeker hears the event, and only observes the entity meanwhile, so
// that an event waiting in a queue keeps nobody alive. Event scripts make it
// by the name "SetVisualTarget" with the parameters "target" and "time".

#include "scene/templates/ActionEvents.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Tarnu
{

class Entity;

struct SetVisualTarget
{
    std::weak_ptr<Entity> entity;  // taken from the entity's own self pointer
    std::string name;
    bool byEntity = false;
};

class SetVisualTargetActionEvent : public ActionEvent<SetVisualTargetActionEvent, SetVisualTarget>
{
public:
    static inline std::uint32_t TYPE = 0;
    static inline const std::string FACTORY_TYPE = "SetVisualTarget";

    using ActionEvent::ActionEvent;
    SetVisualTargetActionEvent(const std::string& name, double time) : ActionEvent(time, {{}, name, false}) {}
    /// Refuses an empty entity: such an event would name nobody.
    SetVisualTargetActionEvent(const std::shared_ptr<Entity>& entity, double time);

    /// From "target" (empty when missing) and "time" (0 when missing or not a number).
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;

    std::shared_ptr<Entity> getEntity() const { return fields.entity.lock(); }
    const std::string& getName() const { return fields.name; }
    /// The name to watch: the event's own, or its entity's now; none when its entity is gone.
    std::optional<std::string> getTargetName() const;
};

}
