#pragma once
// What a unit's sight reports, queued on the unit's entity for the scene's
// current time: a unit came into view (UnitSightedEvent), and it belongs to
// another player (EnemySightedEvent); the watched entity came into view or
// went out of it (VisualTargetFound, VisualTargetLost). A report holds what it
// names for as long as the report lives, and no longer.

#include "core/Event.h"
#include "core/OwnedReferences.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Entity;
class PlayerUnit;

template <class Derived, class Subject>
class SightEvent : public Event
{
public:
    SightEvent(double time, const std::shared_ptr<Subject>& subject) : Event(Derived::TYPE, time), subject(subject) {}

    /// The unit or entity seen, held for the event's life.
    void forEachOwned(ReferenceVisitor& visitor) const override { visitor(subject); }

protected:
    const std::shared_ptr<Subject> subject;
};

class UnitSightedEvent : public SightEvent<UnitSightedEvent, PlayerUnit>
{
public:
    static inline std::uint32_t TYPE = 0;

    using SightEvent::SightEvent;
    const std::shared_ptr<PlayerUnit>& getUnit() const { return subject; }
};

class EnemySightedEvent : public SightEvent<EnemySightedEvent, PlayerUnit>
{
public:
    static inline std::uint32_t TYPE = 0;

    using SightEvent::SightEvent;
    const std::shared_ptr<PlayerUnit>& getUnit() const { return subject; }
};

class VisualTargetLost : public SightEvent<VisualTargetLost, Entity>
{
public:
    static inline std::uint32_t TYPE = 0;

    using SightEvent::SightEvent;
    const std::shared_ptr<Entity>& getTarget() const { return subject; }
};

class VisualTargetFound : public SightEvent<VisualTargetFound, Entity>
{
public:
    static inline std::uint32_t TYPE = 0;

    using SightEvent::SightEvent;
    const std::shared_ptr<Entity>& getTarget() const { return subject; }
};

}
