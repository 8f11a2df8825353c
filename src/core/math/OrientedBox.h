#pragma once
// A rectangle turned about its centre: an unrotated dimension box in world
// coordinates and a unit orientation. The physics and render managers ask for
// its axis-aligned box every step, so the rotated corners and the box around
// them are cached; every change of the dimensions or the orientation must go
// through the setters below, which mark the caches stale. That is why the
// fields are only ever handed out read-only.

#include "core/math/AxisAlignedBox.h"
#include "core/math/Complex.h"

#include <array>
#include <string>

namespace Tarnu
{

class OrientedBox : public Bound
{
public:
    static const std::string TYPE_NAME;

    /// A null dimension box at the origin, what a box made by type name starts as.
    OrientedBox() = default;
    OrientedBox(const Vector2& min, const Vector2& max, const Complex& orientation = Complex::IDENTITY);
    explicit OrientedBox(const AxisAlignedBox& dimensions, const Complex& orientation = Complex::IDENTITY);

    /// Dimension box and orientation, exactly; the caches play no part.
    bool operator==(const OrientedBox& other) const
    {
        return dimensions == other.dimensions && orientation == other.orientation;
    }

    const std::string& getType() const override { return TYPE_NAME; }
    std::unique_ptr<Bound> createNew(const ParameterList& params) const override;
    std::unique_ptr<Bound> createCopy() const override;
    std::uint8_t getBoundType() const override { return BK_ORIENTED_BOX; }

    void translate(const Vector2& offset) override;
    void rotate(const Complex& rotation) override;
    /// Scales the dimension box about its centre; a mirroring factor mirrors the orientation.
    void scale(const Scale& factor) override;
    /// Scales, then rotates, then moves the box by the node's world transform.
    void transform(SceneNode& node) override;

    bool isAxisAligned() const override { return false; }
    AxisAlignedBox getAxisAlignedBox() const override;
    bool isFinite() const override;

    void setEqual(const Bound& other) override;
    /// The orientation comes from "ori" alone and falls back to the identity.
    void setFrom(const ParameterList& params) override;

    Vector2 getCenter() const { return dimensions.getCenter(); }
    const AxisAlignedBox& getDimensions() const { return dimensions; }
    const Complex& getOrientation() const { return orientation; }
    void setDimensions(const AxisAlignedBox& value);
    /// Setting the orientation it already has keeps the caches.
    void setOrientation(const Complex& value);
    void realign() { setOrientation(Complex::IDENTITY); }

    /// The dimension box's corners, in its order, turned about its centre.
    const std::array<Vector2, 4>& getCorners() const;

private:
    /// Mirrors the orientation when the factor mirrors one axis: the image of a
    /// turned rectangle under a reflection is the rectangle turned the other way.
    void mirrorBy(const Scale& factor);
    void refreshCorners() const;

    AxisAlignedBox dimensions;
    Complex orientation;
    mutable std::array<Vector2, 4> corners;
    mutable AxisAlignedBox box;
    mutable bool cornersValid = false;
    mutable bool boxValid = false;
};

}
