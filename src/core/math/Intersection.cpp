#include "core/math/Intersection.h"

#include "core/math/AxisAlignedBox.h"
#include "core/math/Circle.h"
#include "core/math/OrientedBox.h"

#include <stdexcept>

namespace Tarnu
{

namespace
{

bool circlesMeet(const Circle& a, const Circle& b)
{
    const double reach = a.getRadius() + b.getRadius();
    return reach * reach > a.getCenter().squaredDistance(b.getCenter());
}

// The box's extent plays no part: a circle is tested against its corners.
bool circleMeetsBox(const Vector2& center, double radius, const AxisAlignedBox& box)
{
    const Vector2& min = box.getMin();
    const Vector2& max = box.getMax();
    double squaredDistance = 0.0;
    if (min.x > center.x)
        squaredDistance += (center.x - min.x) * (center.x - min.x);
    else if (max.x < center.x)
        squaredDistance += (center.x - max.x) * (center.x - max.x);
    if (min.y > center.y)
        squaredDistance += (center.y - min.y) * (center.y - min.y);
    else if (max.y < center.y)
        squaredDistance += (center.y - max.y) * (center.y - max.y);
    return radius * radius > squaredDistance;
}

// In the oriented box's own frame it is an axis-aligned box.
bool circleMeetsOriented(const Circle& circle, const OrientedBox& oriented)
{
    const Complex back = oriented.getOrientation().conjugate().unit();
    const Vector2 pivot = oriented.getCenter();
    const Vector2 center = (circle.getCenter() - pivot) * back + pivot;
    return circleMeetsBox(center, circle.getRadius(), oriented.getDimensions());
}

// Separating axes: the world axes through the oriented box's world box, then
// the oriented box's axes by turning the plain box into its frame.
bool boxMeetsOriented(const AxisAlignedBox& box, const OrientedBox& oriented)
{
    if (!AxisAlignedBox::intersects(box, oriented.getAxisAlignedBox()))
        return false;
    const Complex back = oriented.getOrientation().conjugate();
    const Vector2 pivot = oriented.getCenter();
    const Vector2 center = box.getCenter();
    OrientedBox turned(box);
    turned.rotate(back);
    turned.translate(pivot + (center - pivot) * back - center);
    return AxisAlignedBox::intersects(turned.getAxisAlignedBox(), oriented.getDimensions());
}

// In b's frame b is a plain box, and a is an oriented box.
bool orientedBoxesMeet(const OrientedBox& a, const OrientedBox& b)
{
    const Complex back = b.getOrientation().conjugate();
    const Vector2 pivot = b.getCenter();
    const Vector2 center = a.getCenter();
    OrientedBox turned(a);
    turned.rotate(back);
    turned.translate(pivot + (center - pivot) * back - center);
    return boxMeetsOriented(b.getDimensions(), turned);
}

// The kind number stands for the class, so the casts below follow from it.
template <class T>
const T& as(const Bound& bound)
{
    return static_cast<const T&>(bound);
}

[[noreturn]] void unknownKind()
{
    throw std::runtime_error("Unknown Bound Type in collision intersect test.");
}

}

bool intersects(const Bound& a, const Bound& b)
{
    const std::uint8_t kindOfA = a.getBoundType();
    const std::uint8_t kindOfB = b.getBoundType();
    // Every test is symmetric: each pair of kinds is written once, the lower kind first.
    if (kindOfB < kindOfA)
        return intersects(b, a);
    switch (kindOfA)
    {
    case BK_AXIS_ALIGNED_BOX:
        switch (kindOfB)
        {
        case BK_AXIS_ALIGNED_BOX:
            return AxisAlignedBox::intersects(as<AxisAlignedBox>(a), as<AxisAlignedBox>(b));
        case BK_CIRCLE:
            return circleMeetsBox(as<Circle>(b).getCenter(), as<Circle>(b).getRadius(), as<AxisAlignedBox>(a));
        case BK_ORIENTED_BOX:
            return boxMeetsOriented(as<AxisAlignedBox>(a), as<OrientedBox>(b));
        }
        break;
    case BK_CIRCLE:
        switch (kindOfB)
        {
        case BK_CIRCLE:
            return circlesMeet(as<Circle>(a), as<Circle>(b));
        case BK_ORIENTED_BOX:
            return circleMeetsOriented(as<Circle>(a), as<OrientedBox>(b));
        }
        break;
    case BK_ORIENTED_BOX:
        if (kindOfB == BK_ORIENTED_BOX)
            return orientedBoxesMeet(as<OrientedBox>(a), as<OrientedBox>(b));
        break;
    }
    unknownKind();
}

std::unique_ptr<Bound> createBoundByName(const std::string& name)
{
    if (name == "AxisAlignedBox" || name == "AABB")
        return std::make_unique<AxisAlignedBox>();
    if (name == "OrientedBox" || name == "OBB")
        return std::make_unique<OrientedBox>();
    if (name == "Circle")
        return std::make_unique<Circle>();
    return nullptr;
}

}
