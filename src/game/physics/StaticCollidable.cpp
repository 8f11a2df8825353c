#include "game/physics/StaticCollidable.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/Intersection.h"
#include "scene/SceneNode.h"

#include <stdexcept>

namespace Tarnu
{

namespace
{

const ParameterTable
    PARAMETERS(ParameterTable::COMPONENT, "StaticCollidable",
               {{"type", ParameterFormat::oneOf({"AxisAlignedBox", "AABB", "OrientedBox", "OBB", "Circle"}),
                 ParameterTable::REQUIRED,
                 "The shape: a box reads center and dim, or min and max, then extent (and ori, for an OrientedBox); a "
                 "Circle reads center and radius."}},
               {{ParameterTable::BOUND, "OrientedBox"}, {ParameterTable::BOUND, "Circle"}});

std::unique_ptr<Bound> copyOf(const Bound& bound)
{
    std::unique_ptr<Bound> copy = bound.createCopy();
    if (!copy)
        throw std::runtime_error("Bound's copy constructor returns null.");
    return copy;
}

}

StaticCollidable::StaticCollidable() : StaticCollidable(AxisAlignedBox(Vector2(-0.5, -0.5), Vector2(0.5, 0.5)))
{
}

StaticCollidable::StaticCollidable(const Bound& bound)
    : localBound(copyOf(requireFinite(bound, "bound"))),
      worldBound(copyOf(bound)),
      localBox(localBound->getAxisAlignedBox())
{
    markMoved();
}

StaticCollidable::StaticCollidable(const StaticCollidable& other)
    : ComponentClass<StaticCollidable, Collidable>(other),
      localBound(copyOf(*other.localBound)),
      worldBound(copyOf(*other.localBound)),
      localBox(localBound->getAxisAlignedBox())
{
    markMoved();
}

std::shared_ptr<Component> StaticCollidable::createNew(const ParameterList& params) const
{
    std::string type;
    params.getThrowOnFail("type", type, "");
    std::unique_ptr<Bound> bound = createBoundByName(type);
    if (!bound)
        throw std::runtime_error("Invalid type parameter for StaticCollidable.");
    bound->setFrom(params);
    return std::make_shared<StaticCollidable>(*bound);
}

std::shared_ptr<Component> StaticCollidable::createCopy() const
{
    return std::make_shared<StaticCollidable>(*this);
}

const AxisAlignedBox& StaticCollidable::getWorldBox()
{
    worldBox = getWorldBound(true)->getAxisAlignedBox();
    // The world shape was just brought up to date: the next exact test need not redo it.
    getRecord().boundStale = false;
    return worldBox;
}

Bound* StaticCollidable::getWorldBound(bool stale)
{
    if (stale)
        if (SceneNode* node = getSceneNodeLink() ? getSceneNodeLink() : getSceneNodePointer())
        {
            worldBound->setEqual(*localBound);
            worldBound->transform(*node);
        }
    return worldBound.get();
}

}
