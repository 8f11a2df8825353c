#pragma once
// A per-axis scale factor. One number scales both axes alike. Scales multiply
// and divide but never add: a sum of scale factors has no meaning here.
// Comparisons are exact.

#include "core/math/Vector2.h"

#include <iosfwd>
#include <string>

namespace Tarnu
{

class Scale
{
public:
    double x;
    double y;

    static const Scale IDENTITY;
    static const Scale ZERO;

    constexpr Scale() : x(1.0), y(1.0) {}
    constexpr Scale(double x, double y) : x(x), y(y) {}
    constexpr explicit Scale(double factor) : x(factor), y(factor) {}
    constexpr explicit Scale(const Vector2& factors) : x(factors.x), y(factors.y) {}

    constexpr bool operator==(const Scale& other) const = default;

    constexpr Scale& operator*=(const Scale& other)
    {
        x *= other.x;
        y *= other.y;
        return *this;
    }

    constexpr Scale& operator/=(const Scale& other)
    {
        x /= other.x;
        y /= other.y;
        return *this;
    }

    constexpr Scale& operator*=(double factor)
    {
        x *= factor;
        y *= factor;
        return *this;
    }

    constexpr Scale& operator/=(double divisor)
    {
        x /= divisor;
        y /= divisor;
        return *this;
    }

    constexpr Scale operator-() const { return Scale(-x, -y); }

    /// The text form "(x,y)".
    std::string toString() const;
};

constexpr Scale operator*(Scale a, const Scale& b) { return a *= b; }
constexpr Scale operator/(Scale a, const Scale& b) { return a /= b; }
constexpr Scale operator*(Scale a, double factor) { return a *= factor; }
constexpr Scale operator*(double factor, Scale a) { return a *= factor; }
constexpr Scale operator/(Scale a, double divisor) { return a /= divisor; }

constexpr Vector2& operator*=(Vector2& v, const Scale& scale)
{
    v.x *= scale.x;
    v.y *= scale.y;
    return v;
}

constexpr Vector2 operator*(Vector2 v, const Scale& scale) { return v *= scale; }
constexpr Vector2 operator*(const Scale& scale, Vector2 v) { return v *= scale; }

std::ostream& operator<<(std::ostream& out, const Scale& value);

/// A single number reads as a uniform scale; otherwise the Vector2 form is read.
std::istream& operator>>(std::istream& in, Scale& value);

}
