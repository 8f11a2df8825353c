#include "core/math/OrientedBox.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/FiniteCheck.h"
#include "core/math/Scale.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

namespace
{

// What setFrom reads: the box's keys and its turn.
const ParameterTable
    PARAMETERS(ParameterTable::BOUND, "OrientedBox",
               {{"ori", ParameterFormat::ANGLE, "0 (not turned)", "The turn of the box about its centre."}},
               {{ParameterTable::BOUND, "AxisAlignedBox"}});

// Orientations stay unit length; a zero one has no direction and means none.
Complex unitOrientation(const Complex& value)
{
    return value.norm() == 0.0 ? Complex::IDENTITY : value.unit();
}

}

const std::string OrientedBox::TYPE_NAME = "OrientedBox";

OrientedBox::OrientedBox(const Vector2& min, const Vector2& max, const Complex& orientation)
    : dimensions(min, max), orientation(unitOrientation(orientation))
{
}

OrientedBox::OrientedBox(const AxisAlignedBox& dimensions, const Complex& orientation)
    : dimensions(dimensions), orientation(unitOrientation(orientation))
{
}

std::unique_ptr<Bound> OrientedBox::createNew(const ParameterList& params) const
{
    Complex newOrientation;
    params.get("ori", newOrientation);
    AxisAlignedBox newDimensions;
    if (params.contains("box"))
    {
        // The text form carries no extent; corners read from it make a finite box.
        if (params.get("box", newDimensions) == ParameterList::SUCCESS)
            newDimensions.setExtent(AxisAlignedBox::EX_FINITE);
    }
    else
        newDimensions.setFrom(params);
    return std::make_unique<OrientedBox>(newDimensions, newOrientation);
}

std::unique_ptr<Bound> OrientedBox::createCopy() const
{
    return std::make_unique<OrientedBox>(*this);
}

void OrientedBox::translate(const Vector2& offset)
{
    if (offset == Vector2::ZERO)
        return;
    dimensions.translate(offset);
    if (cornersValid)
    {
        for (Vector2& corner : corners)
            corner += offset;
    }
    boxValid = false;
}

void OrientedBox::rotate(const Complex& rotation)
{
    if (rotation == Complex::IDENTITY)
        return;
    orientation *= unitOrientation(rotation);
    cornersValid = false;
}

void OrientedBox::scale(const Scale& factor)
{
    if (factor == Scale::IDENTITY)
        return;
    dimensions.scale(factor);
    mirrorBy(factor);
    cornersValid = false;
}

void OrientedBox::transform(SceneNode& node)
{
    const Vector2 position = node.getWorldPosition();
    const Complex rotation = node.getWorldOrientation();
    const Scale factor = node.getWorldScale();
    if (position == Vector2::ZERO && rotation == Complex::IDENTITY && factor == Scale::IDENTITY)
        return;
    const Vector2 center = getCenter();
    Vector2 target = center;
    if (factor != Scale::IDENTITY)
    {
        target *= factor;
        dimensions.scale(factor);
        mirrorBy(factor);
    }
    if (rotation != Complex::IDENTITY)
    {
        target *= rotation;
        orientation = rotation * orientation;
    }
    dimensions.translate(target + position - center);
    cornersValid = false;
}

AxisAlignedBox OrientedBox::getAxisAlignedBox() const
{
    if (!cornersValid || !boxValid)
    {
        const std::array<Vector2, 4>& turned = getCorners();
        box = AxisAlignedBox(turned[0], turned[1], turned[2], turned[3]);
        boxValid = true;
    }
    return box;
}

void OrientedBox::setEqual(const Bound& other)
{
    if (other.getBoundType() == BK_ORIENTED_BOX)
        *this = static_cast<const OrientedBox&>(other);
}

void OrientedBox::setFrom(const ParameterList& params)
{
    dimensions.setFrom(params);
    Complex read;
    params.get("ori", read);
    orientation = unitOrientation(read);
    cornersValid = false;
}

bool OrientedBox::isFinite() const
{
    return dimensions.isFinite() && Tarnu::isFinite(orientation);
}

void OrientedBox::setDimensions(const AxisAlignedBox& value)
{
    dimensions = static_cast<const AxisAlignedBox&>(requireFinite(value, "dimensions"));
    cornersValid = false;
}

void OrientedBox::setOrientation(const Complex& value)
{
    if (requireFinite(value, "orientation") == orientation)
        return;
    orientation = unitOrientation(value);
    cornersValid = false;
}

const std::array<Vector2, 4>& OrientedBox::getCorners() const
{
    if (!cornersValid)
        refreshCorners();
    return corners;
}

void OrientedBox::mirrorBy(const Scale& factor)
{
    if (factor.x * factor.y < 0.0)
        orientation = orientation.conjugate();
}

void OrientedBox::refreshCorners() const
{
    const Vector2 center = getCenter();
    const std::array<Vector2, 4> unturned = dimensions.getCorners();
    for (std::size_t k = 0; k < corners.size(); ++k)
        corners[k] = (unturned[k] - center) * orientation + center;
    cornersValid = true;
    boxValid = false;
}

}
