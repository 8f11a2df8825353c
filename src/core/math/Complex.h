#pragma once
// A complex number used as a 2D rotation: (cos a, sin a) turns by a radians.
// Nothing renormalises automatically; the constructors from an angle or a
// direction give unit values, but sums and products drift and callers that
// keep orientations call normalize(). Comparisons are exact.

#include "core/math/Vector2.h"

#include <cmath>
#include <iosfwd>
#include <string>

namespace Tarnu
{

class Complex
{
public:
    double r;
    double i;

    static const Complex IDENTITY;
    static const Complex ROT_45;
    static const Complex ROT_90;
    static const Complex ROT_180;
    static const Complex ROT_270;

    constexpr Complex() : r(1.0), i(0.0) {}
    constexpr Complex(double r, double i) : r(r), i(i) {}
    explicit Complex(double angle) : r(std::cos(angle)), i(std::sin(angle)) {}

    /// The direction as a unit complex; a zero vector gives NaN parts.
    explicit Complex(const Vector2& direction) : Complex(direction.x, direction.y) { normalize(); }

    constexpr bool operator==(const Complex& other) const = default;

    constexpr Complex& operator+=(const Complex& other)
    {
        r += other.r;
        i += other.i;
        return *this;
    }

    constexpr Complex& operator-=(const Complex& other)
    {
        r -= other.r;
        i -= other.i;
        return *this;
    }

    // Three multiplications instead of four. The last bit can differ from the
    // textbook form, so orientations accumulated over many frames depend on
    // keeping exactly this formula.
    constexpr Complex& operator*=(const Complex& other)
    {
        const double real = r * other.r - i * other.i;
        i = (r + i) * (other.r + other.i) - r * other.r - i * other.i;
        r = real;
        return *this;
    }

    constexpr Complex operator-() const { return Complex(-r, -i); }

    constexpr double norm() const { return r * r + i * i; }
    double modulus() const { return std::sqrt(norm()); }

    Complex unit() const
    {
        const double length = modulus();
        return Complex(r / length, i / length);
    }

    Complex& normalize()
    {
        const double length = modulus();
        r /= length;
        i /= length;
        return *this;
    }

    double getAngle() const { return std::atan2(i, r); }

    void setAngle(double angle)
    {
        r = std::cos(angle);
        i = std::sin(angle);
    }

    constexpr Complex conjugate() const { return Complex(r, -i); }

    /// The text form "(r,i)".
    std::string toString() const;
};

constexpr Complex operator+(Complex a, const Complex& b) { return a += b; }
constexpr Complex operator-(Complex a, const Complex& b) { return a -= b; }
constexpr Complex operator*(Complex a, const Complex& b) { return a *= b; }

constexpr Vector2& operator*=(Vector2& v, const Complex& rotation)
{
    const double x = v.x * rotation.r - v.y * rotation.i;
    v.y = v.x * rotation.i + v.y * rotation.r;
    v.x = x;
    return v;
}

constexpr Vector2 operator*(Vector2 v, const Complex& rotation) { return v *= rotation; }
constexpr Vector2 operator*(const Complex& rotation, Vector2 v) { return v *= rotation; }

std::ostream& operator<<(std::ostream& out, const Complex& value);

/// A single number reads as an angle in radians; otherwise the Vector2 form is
/// read as (r,i) and kept as written, so a written complex reads back exactly.
std::istream& operator>>(std::istream& in, Complex& value);

}
