#pragma once
// Sight of every unit: on a unit's sight sensor, it reports each unit that
// comes into view to the unit it belongs to (the sensor entity's parent) as a
// UnitSightedEvent, followed by an EnemySightedEvent when the two units'
// players differ. Going out of view is not reported. It works only when a
// contact begins: a sensor with nothing coming into view costs nothing more
// than its collidable.

#include "game/physics/CollidableEvent.h"
#include "scene/ComponentClass.h"

#include <memory>
#include <string>

namespace Tarnu
{

class VisualReactor : public ComponentClass<VisualReactor>, public CollidableListener
{
public:
    static inline const std::string FACTORY_TYPE = "VisualReactor";

    /// No keys.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    /// The contact listener follows the reactor from entity to entity.
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;

    void entitiesCollided(const std::shared_ptr<CollidableEvent>& event) override;
};

}
