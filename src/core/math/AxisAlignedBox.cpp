#include "core/math/AxisAlignedBox.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/FiniteCheck.h"
#include "core/math/PointTransform.h"
#include "core/math/Scale.h"
#include "scene/SceneNode.h"

#include <cmath>
#include <istream>
#include <ostream>
#include <sstream>

namespace Tarnu
{

namespace
{

using namespace ParameterFormat;

// What setFrom reads; the tables of the components made with a box include it.
const ParameterTable PARAMETERS(ParameterTable::BOUND, "AxisAlignedBox",
                                {{"center", VECTOR2, "<0,0>",
                                  "With dim, the centre of the box: given both, they make the box and min and max "
                                  "are not read."},
                                 {"dim", VECTOR2, "<0,0>", "With center, the width and height of the box."},
                                 {"min", VECTOR2, "<0,0>", "The lower left corner."},
                                 {"max", VECTOR2, "<0,0>", "The upper right corner."},
                                 {"extent",
                                  oneOf({"null", "finite", "infinite", "EX_NULL", "EX_FINITE", "EX_INFINITE"}),
                                  "finite when a corner or center and dim are given, else null",
                                  "A null box is empty (nothing shows or collides); an infinite one is everywhere."}});

// The "center" and "dim" form wins over "min" and "max" when both of its keys
// are present; unreadable values then count as zero.
bool readCentredForm(const ParameterList& params, Vector2& min, Vector2& max)
{
    if (!params.contains("center") || !params.contains("dim"))
        return false;
    Vector2 center;
    Vector2 dimensions;
    params.get("center", center);
    params.get("dim", dimensions);
    min = center - dimensions * 0.5;
    max = center + dimensions * 0.5;
    return true;
}

}

const std::string AxisAlignedBox::TYPE_NAME = "AxisAlignedBox";

AxisAlignedBox::AxisAlignedBox(const Vector2& a, const Vector2& b, const Vector2& c, const Vector2& d)
    : min(a.minimum(b).minimum(c).minimum(d)), max(a.maximum(b).maximum(c).maximum(d)), extent(EX_FINITE)
{
}

std::unique_ptr<Bound> AxisAlignedBox::createNew(const ParameterList& params) const
{
    Vector2 newMin;
    Vector2 newMax;
    if (!readCentredForm(params, newMin, newMax))
    {
        params.get("min", newMin);
        params.get("max", newMax);
    }
    return std::make_unique<AxisAlignedBox>(newMin, newMax);
}

std::unique_ptr<Bound> AxisAlignedBox::createCopy() const
{
    return std::make_unique<AxisAlignedBox>(*this);
}

void AxisAlignedBox::translate(const Vector2& offset)
{
    min += offset;
    max += offset;
}

void AxisAlignedBox::scale(const Scale& factor)
{
    if (extent != EX_FINITE || factor == Scale::IDENTITY)
        return;
    const Vector2 center = getCenter();
    const Scale size(std::abs(factor.x), std::abs(factor.y));
    min = (min - center) * size + center;
    max = (max - center) * size + center;
}

void AxisAlignedBox::transform(SceneNode& node)
{
    if (extent != EX_FINITE)
        return;
    const Vector2 center = getCenter();
    scale(node.getWorldScale());
    translate(transformPoint(node.getTransformMatrix(), center) - center);
}

void AxisAlignedBox::transformByMatrix(const Matrix3& matrix)
{
    if (extent != EX_FINITE)
        return;
    const auto& m = matrix.m;
    const Vector2 center = transformPoint(matrix, getCenter());
    const Vector2 half = (max - min) * 0.5;
    const Vector2 reach(std::abs(m[0][0]) * half.x + std::abs(m[1][0]) * half.y,
                        std::abs(m[0][1]) * half.x + std::abs(m[1][1]) * half.y);
    min = center - reach;
    max = center + reach;
}

void AxisAlignedBox::setEqual(const Bound& other)
{
    if (other.getBoundType() == BK_AXIS_ALIGNED_BOX)
        *this = static_cast<const AxisAlignedBox&>(other);
}

void AxisAlignedBox::setFrom(const ParameterList& params)
{
    if (readCentredForm(params, min, max))
        extent = EX_FINITE;
    else
    {
        const bool minRead = params.get("min", min) == ParameterList::SUCCESS;
        const bool maxRead = params.get("max", max) == ParameterList::SUCCESS;
        if (minRead || maxRead)
            extent = EX_FINITE;
    }
    const std::string& word = params.get("extent");
    if (word == "EX_NULL" || word == "null")
        extent = EX_NULL;
    else if (word == "EX_FINITE" || word == "finite")
        extent = EX_FINITE;
    else if (word == "EX_INFINITE" || word == "infinite")
        extent = EX_INFINITE;
}

bool AxisAlignedBox::isFinite() const
{
    return Tarnu::isFinite(min) && Tarnu::isFinite(max);
}

void AxisAlignedBox::setMin(const Vector2& corner)
{
    min = requireFinite(corner, "min");
}

void AxisAlignedBox::setMax(const Vector2& corner)
{
    max = requireFinite(corner, "max");
}

void AxisAlignedBox::setCorners(const Vector2& newMin, const Vector2& newMax)
{
    requireFinite(newMin, "min");
    min = newMin;
    max = requireFinite(newMax, "max");
}

std::array<Vector2, 4> AxisAlignedBox::getCorners() const
{
    return {min, Vector2(min.x, max.y), max, Vector2(max.x, min.y)};
}

void AxisAlignedBox::merge(const AxisAlignedBox& other)
{
    if (extent == EX_NULL)
        *this = other;
    else if (extent == EX_FINITE)
    {
        min = min.minimum(other.min);
        max = max.maximum(other.max);
    }
}

void AxisAlignedBox::merge(const Vector2& point)
{
    min = min.minimum(point);
    max = max.maximum(point);
}

void AxisAlignedBox::validate()
{
    const Vector2 low = min.minimum(max);
    max = min.maximum(max);
    min = low;
}

bool AxisAlignedBox::intersects(const AxisAlignedBox& a, const AxisAlignedBox& b)
{
    if (a.extent == EX_INFINITE || b.extent == EX_INFINITE)
        return true;
    if (a.extent == EX_NULL || b.extent == EX_NULL)
        return false;
    return b.max.x > a.min.x && a.max.x > b.min.x && b.max.y > a.min.y && a.max.y > b.min.y;
}

std::string AxisAlignedBox::toString() const
{
    std::ostringstream out;
    out << *this;
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const AxisAlignedBox& box)
{
    return out << box.getMin() << ',' << box.getMax();
}

std::istream& operator>>(std::istream& in, AxisAlignedBox& box)
{
    Vector2 min;
    Vector2 max;
    char separator = 0;
    in >> min >> separator >> max;
    if (in.good())
        box.setCorners(min, max);
    return in;
}

}
