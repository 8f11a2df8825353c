#include "core/math/Circle.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/AxisAlignedBox.h"
#include "core/math/FiniteCheck.h"
#include "core/math/PointTransform.h"
#include "core/math/Scale.h"
#include "scene/SceneNode.h"

#include <cmath>

namespace Tarnu
{

namespace
{

// What setFrom reads.
const ParameterTable PARAMETERS(ParameterTable::BOUND, "Circle",
                                {{"center", ParameterFormat::VECTOR2, "<0,0>", "The centre of the circle."},
                                 {"radius", ParameterFormat::NUMBER, "0", "Its radius."}});

}

const std::string Circle::TYPE_NAME = "Circle";

std::unique_ptr<Bound> Circle::createNew(const ParameterList& params) const
{
    auto circle = std::make_unique<Circle>();
    circle->setFrom(params);
    return circle;
}

std::unique_ptr<Bound> Circle::createCopy() const
{
    return std::make_unique<Circle>(*this);
}

void Circle::scale(const Scale& factor)
{
    radius *= (std::abs(factor.x) + std::abs(factor.y)) * 0.5;
}

void Circle::transform(SceneNode& node)
{
    scale(node.getWorldScale());
    center = transformPoint(node.getTransformMatrix(), center);
}

AxisAlignedBox Circle::getAxisAlignedBox() const
{
    const Vector2 reach(radius, radius);
    return AxisAlignedBox(center - reach, center + reach);
}

bool Circle::isFinite() const
{
    return Tarnu::isFinite(center) && std::isfinite(radius);
}

void Circle::setCenter(const Vector2& value)
{
    center = requireFinite(value, "center");
}

void Circle::setRadius(double value)
{
    radius = requireFinite(value, "radius");
}

void Circle::setEqual(const Bound& other)
{
    if (other.getBoundType() == BK_CIRCLE)
        *this = static_cast<const Circle&>(other);
}

void Circle::setFrom(const ParameterList& params)
{
    params.get("center", center);
    params.get("radius", radius);
}

}
