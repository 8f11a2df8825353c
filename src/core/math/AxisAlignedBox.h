#pragma once
// The box whose sides run along the world axes: the broad-phase shape of the
// physics and render managers and the world box of every boundable. The extent
// is independent of the corners: a null box meets only infinite boxes and an
// infinite one meets every box whatever its corners say, and corner setters
// never change it. Scaling keeps the size positive, so a mirroring factor does
// not turn the box inside out.

#include "core/math/Bound.h"
#include "core/math/Vector2.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace Tarnu
{

class Matrix3;

class AxisAlignedBox : public Bound
{
public:
    enum Extent : std::uint32_t
    {
        EX_NULL = 0,
        EX_FINITE = 1,
        EX_INFINITE = 2
    };

    static const std::string TYPE_NAME;

    /// The null box at the origin, what a box made by type name starts as.
    AxisAlignedBox() = default;
    AxisAlignedBox(const Vector2& min, const Vector2& max) : min(min), max(max), extent(EX_FINITE) {}
    /// The finite box around four points.
    AxisAlignedBox(const Vector2& a, const Vector2& b, const Vector2& c, const Vector2& d);

    /// Corners and extent, exactly.
    bool operator==(const AxisAlignedBox& other) const
    {
        return min == other.min && max == other.max && extent == other.extent;
    }

    const std::string& getType() const override { return TYPE_NAME; }
    std::unique_ptr<Bound> createNew(const ParameterList& params) const override;
    std::unique_ptr<Bound> createCopy() const override;
    std::uint8_t getBoundType() const override { return BK_AXIS_ALIGNED_BOX; }

    void translate(const Vector2& offset) override;
    /// An axis-aligned box does not turn.
    void rotate(const Complex& rotation) override {}
    void scale(const Scale& factor) override;
    /// Centres the box on the node's image of its centre and scales its size by
    /// the size of the node's world scale; the node's rotation does not turn it.
    void transform(SceneNode& node) override;
    /// Replaces the box by the one that holds its image under the matrix.
    void transformByMatrix(const Matrix3& matrix);

    bool isAxisAligned() const override { return true; }
    AxisAlignedBox getAxisAlignedBox() const override { return *this; }
    bool isFinite() const override;

    void setEqual(const Bound& other) override;
    void setFrom(const ParameterList& params) override;

    const Vector2& getMin() const { return min; }
    const Vector2& getMax() const { return max; }
    /// The corners themselves, for callers that edit them in place.
    Vector2& getMin() { return min; }
    Vector2& getMax() { return max; }
    void setMin(const Vector2& corner);
    void setMax(const Vector2& corner);
    void setCorners(const Vector2& newMin, const Vector2& newMax);

    Extent getExtent() const { return extent; }
    void setExtent(Extent value) { extent = value; }

    Vector2 getCenter() const { return min.midpoint(max); }
    Vector2 getDimensions() const { return max - min; }
    double getWidth() const { return max.x - min.x; }
    double getHeight() const { return max.y - min.y; }
    /// (min.x, min.y), (min.x, max.y), (max.x, max.y), (max.x, min.y).
    std::array<Vector2, 4> getCorners() const;

    /// A null box takes the other whole; an infinite one stays as it is.
    void merge(const AxisAlignedBox& other);
    /// Grows the corners to hold the point, whatever the extent.
    void merge(const Vector2& point);
    /// Puts the smaller coordinate of each axis into min.
    void validate();

    /// Strict on every side, so boxes that only touch do not meet.
    static bool intersects(const AxisAlignedBox& a, const AxisAlignedBox& b);

    /// The text form "<minx,miny>,<maxx,maxy>".
    std::string toString() const;

private:
    Vector2 min;
    Vector2 max;
    Extent extent = EX_NULL;
};

std::ostream& operator<<(std::ostream& out, const AxisAlignedBox& box);

/// Reads the two corners of the text form; the extent is neither read nor
/// changed, and a failed read leaves the box as it was.
std::istream& operator>>(std::istream& in, AxisAlignedBox& box);

}
