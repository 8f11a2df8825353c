#pragma once
// A circle bound. It has no orientation, so rotation leaves it alone, and a
// non-uniform scale takes the mean of the two factors' sizes: the result is a
// circle again, and a mirroring factor leaves the radius positive.

#include "core/math/Bound.h"
#include "core/math/Vector2.h"

#include <string>

namespace Tarnu
{

class Circle : public Bound
{
public:
    static const std::string TYPE_NAME;

    Circle() = default;
    Circle(const Vector2& center, double radius) : center(center), radius(radius) {}

    bool operator==(const Circle& other) const { return center == other.center && radius == other.radius; }

    const std::string& getType() const override { return TYPE_NAME; }
    std::unique_ptr<Bound> createNew(const ParameterList& params) const override;
    std::unique_ptr<Bound> createCopy() const override;
    std::uint8_t getBoundType() const override { return BK_CIRCLE; }

    void translate(const Vector2& offset) override { center += offset; }
    void rotate(const Complex& rotation) override {}
    void scale(const Scale& factor) override;
    void transform(SceneNode& node) override;

    bool isAxisAligned() const override { return false; }
    AxisAlignedBox getAxisAlignedBox() const override;
    bool isFinite() const override;

    void setEqual(const Bound& other) override;
    void setFrom(const ParameterList& params) override;

    const Vector2& getCenter() const { return center; }
    /// The centre itself, for callers that edit it in place.
    Vector2& getCenter() { return center; }
    void setCenter(const Vector2& value);
    double getRadius() const { return radius; }
    void setRadius(double value);

private:
    Vector2 center;
    double radius = 0.0;
};

}
