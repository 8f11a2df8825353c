#include "core/math/Bound.h"

#include "core/math/AxisAlignedBox.h"
#include "scene/SceneNode.h"

#include <stdexcept>

namespace Tarnu
{

AxisAlignedBox Bound::getSweep(const Vector2& offset) const
{
    const AxisAlignedBox here = getAxisAlignedBox();
    AxisAlignedBox swept = here;
    swept.translate(offset);
    swept.merge(here);
    return swept;
}

const Bound& requireFinite(const Bound& bound, const char* parameter)
{
    if (!bound.isFinite())
        throw std::invalid_argument(std::string(parameter) + " must be made of finite numbers");
    return bound;
}

void transform(Bound* bound, const std::shared_ptr<SceneNode>& node)
{
    if (!bound || !node)
        throw std::runtime_error("bound or node was null when trying to transform,");
    bound->transform(*node);
}

}
