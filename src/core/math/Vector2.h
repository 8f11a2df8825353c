#pragma once
// A point, offset, size or velocity in the engine's double-precision plane.
// A plain value: copied freely, compared exactly (no tolerance, so a NaN
// component makes a vector unequal to itself). Rotation and scale products live
// with Complex and Scale so that this header needs neither.

#include <cmath>
#include <iosfwd>
#include <string>

namespace Tarnu
{

class Vector2
{
public:
    double x;
    double y;

    static const Vector2 ZERO;
    static const Vector2 UNIT_X;
    static const Vector2 UNIT_Y;
    static const Vector2 NEGATIVE_UNIT_X;
    static const Vector2 NEGATIVE_UNIT_Y;

    constexpr Vector2() : x(0.0), y(0.0) {}
    constexpr Vector2(double x, double y) : x(x), y(y) {}

    constexpr bool operator==(const Vector2& other) const = default;

    constexpr Vector2& operator+=(const Vector2& other)
    {
        x += other.x;
        y += other.y;
        return *this;
    }

    constexpr Vector2& operator-=(const Vector2& other)
    {
        x -= other.x;
        y -= other.y;
        return *this;
    }

    constexpr Vector2& operator*=(double factor)
    {
        x *= factor;
        y *= factor;
        return *this;
    }

    constexpr Vector2& operator/=(double divisor)
    {
        x /= divisor;
        y /= divisor;
        return *this;
    }

    constexpr Vector2 operator-() const { return Vector2(-x, -y); }

    constexpr double dot(const Vector2& other) const { return x * other.x + y * other.y; }
    constexpr double squaredMagnitude() const { return x * x + y * y; }
    double magnitude() const { return std::sqrt(squaredMagnitude()); }

    constexpr double squaredDistance(const Vector2& other) const
    {
        const double dx = x - other.x;
        const double dy = y - other.y;
        return dx * dx + dy * dy;
    }

    double distance(const Vector2& other) const { return std::sqrt(squaredDistance(other)); }

    /// A zero vector yields NaN components; callers that may hold one check first.
    Vector2 unit() const
    {
        const double length = magnitude();
        return Vector2(x / length, y / length);
    }

    Vector2& normalize()
    {
        const double length = magnitude();
        x /= length;
        y /= length;
        return *this;
    }

    constexpr Vector2 midpoint(const Vector2& other) const
    {
        return Vector2((x + other.x) * 0.5, (y + other.y) * 0.5);
    }

    // Ties and NaNs take the other vector's component.
    constexpr Vector2 minimum(const Vector2& other) const
    {
        return Vector2(other.x > x ? x : other.x, other.y > y ? y : other.y);
    }

    constexpr Vector2 maximum(const Vector2& other) const
    {
        return Vector2(other.x < x ? x : other.x, other.y < y ? y : other.y);
    }

    constexpr Vector2& clampMin(const Vector2& bound)
    {
        if (x < bound.x)
            x = bound.x;
        if (y < bound.y)
            y = bound.y;
        return *this;
    }

    constexpr Vector2& clampMax(const Vector2& bound)
    {
        if (x > bound.x)
            x = bound.x;
        if (y > bound.y)
            y = bound.y;
        return *this;
    }

    /// The text form "<x,y>", as parameter lists and templates store it.
    std::string toString() const;
};

constexpr Vector2 operator+(Vector2 a, const Vector2& b) { return a += b; }
constexpr Vector2 operator-(Vector2 a, const Vector2& b) { return a -= b; }
constexpr Vector2 operator*(Vector2 a, double factor) { return a *= factor; }
constexpr Vector2 operator*(double factor, Vector2 a) { return a *= factor; }
constexpr Vector2 operator/(Vector2 a, double divisor) { return a /= divisor; }

std::ostream& operator<<(std::ostream& out, const Vector2& value);

/// Reads "<x,y>" with any single characters as brackets and separator; on a
/// failed read the target keeps its value and the stream stays failed.
std::istream& operator>>(std::istream& in, Vector2& value);

}
