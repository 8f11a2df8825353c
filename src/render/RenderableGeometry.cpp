#include "render/RenderableGeometry.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"

#include <cmath>
#include <numbers>

namespace Tarnu
{

namespace
{

const ParameterDoc Z_ORDER{"zOrder", ParameterFormat::NUMBER, ParameterTable::REQUIRED,
                           "The drawing order: higher z-orders are drawn on top."};
const ParameterTable BOX_PARAMETERS(ParameterTable::COMPONENT, "RenderableBox", {Z_ORDER},
                                    {{ParameterTable::BOUND, "OrientedBox"}});
const ParameterTable CIRCLE_PARAMETERS(ParameterTable::COMPONENT, "RenderableCircle", {Z_ORDER},
                                       {{ParameterTable::BOUND, "Circle"}});

// The closing index brings each strip back to its first point.
constexpr std::uint8_t BOX_INDICES[] = {0, 1, 2, 3, 0};
constexpr std::uint8_t CIRCLE_INDICES[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0};
static_assert(std::size(CIRCLE_INDICES) == std::size_t{RenderableCircle::POINTS} + 1);

}

std::shared_ptr<RenderableGeometry> RenderableGeometry::createFromBound(const Bound& bound, double zOrder)
{
    switch (requireFinite(bound, "bound").getBoundType())
    {
    case BK_AXIS_ALIGNED_BOX:
    case BK_ORIENTED_BOX:
        return std::make_shared<RenderableBox>(bound, zOrder);
    case BK_CIRCLE:
        return std::make_shared<RenderableCircle>(bound, zOrder);
    default:
        return nullptr;
    }
}

template <class Outline, class Shape>
std::shared_ptr<Component> RenderableGeometry::createOutline(const ParameterList& params)
{
    double zOrder = 0.0;
    params.getThrowOnFail("zOrder", zOrder, "");
    Shape shape;
    shape.setFrom(params);
    return std::make_shared<Outline>(shape, zOrder);
}

void RenderableGeometry::outline(const std::uint8_t* indices, std::size_t count, const Vector2* vertices)
{
    operation.primitive = RenderOperation::LINE_STRIP;
    operation.indexType = RenderOperation::UNSIGNED_BYTE;
    operation.count = static_cast<std::int32_t>(count);
    operation.indices = indices;
    operation.vertices = coordinates(vertices);
    operation.texCoords = coordinates(vertices);
    operation.untransformed = RenderOperation::TRANSFORMED;
}

RenderableBox::RenderableBox(const Bound& bound, double zOrder) : ComponentClass(zOrder)
{
    outline(BOX_INDICES, std::size(BOX_INDICES), corners.data());
    update(bound);
}

RenderableBox::RenderableBox(const RenderableBox& other)
    : ComponentClass(other), shape(other.shape), corners(other.corners)
{
    outline(BOX_INDICES, std::size(BOX_INDICES), corners.data());
}

std::shared_ptr<Component> RenderableBox::createNew(const ParameterList& params) const
{
    return createOutline<RenderableBox, OrientedBox>(params);
}

std::shared_ptr<Component> RenderableBox::createCopy() const
{
    return std::make_shared<RenderableBox>(*this);
}

void RenderableBox::update(const Bound& bound)
{
    if (requireFinite(bound, "bound").getBoundType() == BK_ORIENTED_BOX)
        shape = static_cast<const OrientedBox&>(bound);
    else if (bound.getBoundType() == BK_AXIS_ALIGNED_BOX)
        shape = OrientedBox(static_cast<const AxisAlignedBox&>(bound));
    else
        return;
    localBox = shape.getAxisAlignedBox();
    corners = shape.getCorners();
    localBoxChanged();
}

RenderableCircle::RenderableCircle(const Bound& bound, double zOrder) : ComponentClass(zOrder)
{
    outline(CIRCLE_INDICES, std::size(CIRCLE_INDICES), points.data());
    if (bound.getBoundType() == BK_CIRCLE)
        setShape(static_cast<const Circle&>(bound));
}

RenderableCircle::RenderableCircle(const RenderableCircle& other)
    : ComponentClass(other), shape(other.shape), points(other.points)
{
    outline(CIRCLE_INDICES, std::size(CIRCLE_INDICES), points.data());
}

std::shared_ptr<Component> RenderableCircle::createNew(const ParameterList& params) const
{
    return createOutline<RenderableCircle, Circle>(params);
}

std::shared_ptr<Component> RenderableCircle::createCopy() const
{
    return std::make_shared<RenderableCircle>(*this);
}

void RenderableCircle::update(const Bound& bound)
{
    if (requireFinite(bound, "bound").getBoundType() != BK_CIRCLE || static_cast<const Circle&>(bound) == shape)
        return;
    setShape(static_cast<const Circle&>(bound));
    localBoxChanged();
}

void RenderableCircle::setShape(const Circle& circle)
{
    shape = circle;
    for (int i = 0; i < POINTS; ++i)
    {
        const double angle = i * 0.1 * std::numbers::pi;
        points[i] = circle.getCenter() + circle.getRadius() * Vector2(std::cos(angle), std::sin(angle));
    }
    localBox = circle.getAxisAlignedBox();
}

}
