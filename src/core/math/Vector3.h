#pragma once
// The three-component companion of Vector2, used from Python. It mirrors
// Vector2's arithmetic over x, y and z but has no rotation or scale products;
// comparisons are exact like every other math value.

#include "core/math/Vector2.h"

#include <cmath>
#include <iosfwd>
#include <string>

namespace Tarnu
{

class Vector3
{
public:
    double x;
    double y;
    double z;

    static const Vector3 ZERO;
    static const Vector3 UNIT_X;
    static const Vector3 UNIT_Y;
    static const Vector3 UNIT_Z;
    static const Vector3 NEGATIVE_UNIT_X;
    static const Vector3 NEGATIVE_UNIT_Y;
    static const Vector3 NEGATIVE_UNIT_Z;

    constexpr Vector3() : x(0.0), y(0.0), z(0.0) {}
    constexpr Vector3(double x, double y, double z) : x(x), y(y), z(z) {}
    constexpr Vector3(const Vector2& xy, double z) : x(xy.x), y(xy.y), z(z) {}

    constexpr bool operator==(const Vector3& other) const = default;

    constexpr Vector3& operator+=(const Vector3& other)
    {
        x += other.x;
        y += other.y;
        z += other.z;
        return *this;
    }

    constexpr Vector3& operator-=(const Vector3& other)
    {
        x -= other.x;
        y -= other.y;
        z -= other.z;
        return *this;
    }

    constexpr Vector3& operator*=(double factor)
    {
        x *= factor;
        y *= factor;
        z *= factor;
        return *this;
    }

    constexpr Vector3& operator/=(double divisor)
    {
        x /= divisor;
        y /= divisor;
        z /= divisor;
        return *this;
    }

    constexpr Vector3 operator-() const { return Vector3(-x, -y, -z); }

    constexpr double dot(const Vector3& other) const
    {
        return x * other.x + y * other.y + z * other.z;
    }

    constexpr double squaredMagnitude() const { return x * x + y * y + z * z; }
    double magnitude() const { return std::sqrt(squaredMagnitude()); }

    constexpr double squaredDistance(const Vector3& other) const
    {
        const double dx = x - other.x;
        const double dy = y - other.y;
        const double dz = z - other.z;
        return dx * dx + dy * dy + dz * dz;
    }

    double distance(const Vector3& other) const { return std::sqrt(squaredDistance(other)); }

    Vector3 unit() const
    {
        const double length = magnitude();
        return Vector3(x / length, y / length, z / length);
    }

    Vector3& normalize()
    {
        const double length = magnitude();
        x /= length;
        y /= length;
        z /= length;
        return *this;
    }

    constexpr Vector3 midpoint(const Vector3& other) const
    {
        return Vector3((x + other.x) * 0.5, (y + other.y) * 0.5, (z + other.z) * 0.5);
    }

    // Ties and NaNs take the other vector's component, as in Vector2.
    constexpr Vector3 minimum(const Vector3& other) const
    {
        return Vector3(other.x > x ? x : other.x, other.y > y ? y : other.y,
                       other.z > z ? z : other.z);
    }

    constexpr Vector3 maximum(const Vector3& other) const
    {
        return Vector3(other.x < x ? x : other.x, other.y < y ? y : other.y,
                       other.z < z ? z : other.z);
    }

    constexpr Vector3& clampMin(const Vector3& bound)
    {
        if (x < bound.x)
            x = bound.x;
        if (y < bound.y)
            y = bound.y;
        if (z < bound.z)
            z = bound.z;
        return *this;
    }

    constexpr Vector3& clampMax(const Vector3& bound)
    {
        if (x > bound.x)
            x = bound.x;
        if (y > bound.y)
            y = bound.y;
        if (z > bound.z)
            z = bound.z;
        return *this;
    }

    /// The text form "(x,y,z)".
    std::string toString() const;
};

constexpr Vector3 operator+(Vector3 a, const Vector3& b) { return a += b; }
constexpr Vector3 operator-(Vector3 a, const Vector3& b) { return a -= b; }
constexpr Vector3 operator*(Vector3 a, double factor) { return a *= factor; }
constexpr Vector3 operator*(double factor, Vector3 a) { return a *= factor; }
constexpr Vector3 operator/(Vector3 a, double divisor) { return a /= divisor; }

std::ostream& operator<<(std::ostream& out, const Vector3& value);

/// Reads "(x,y,z)" with any single characters as punctuation; stores only on
/// success, like the Vector2 reader.
std::istream& operator>>(std::istream& in, Vector3& value);

}
