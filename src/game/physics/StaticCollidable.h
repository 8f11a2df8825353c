#pragma once
// A collidable of one fixed shape in its entity's local space, carried into
// world space by the entity's scene node on demand. The physics manager also
// makes them for shapes without an entity (map tiles), whose world shape is
// their local one.

#include "core/math/AxisAlignedBox.h"
#include "game/physics/Collidable.h"

#include <memory>

namespace Tarnu
{

class StaticCollidable : public ComponentClass<StaticCollidable, Collidable>
{
public:
    static inline const std::string FACTORY_TYPE = "StaticCollidable";

    /// The prototype the component factory makes others from: a unit box.
    StaticCollidable();
    /// Holds two copies of the bound, local and world; raises when it cannot be copied.
    explicit StaticCollidable(const Bound& bound);
    StaticCollidable(const StaticCollidable& other);

    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;

    Bound* getBound() override { return localBound.get(); }
    Bound* getWorldBound(bool stale) override;
    const AxisAlignedBox& getLocalBox() const override { return localBox; }
    /// The box of the world shape itself. The local box carried by the node's
    /// matrix would be turned with the node, while an axis-aligned shape does
    /// not turn: on a turned node it could leave the shape's corners outside.
    const AxisAlignedBox& getWorldBox() override;

private:
    std::unique_ptr<Bound> localBound;
    std::unique_ptr<Bound> worldBound;
    AxisAlignedBox localBox;
};

}
