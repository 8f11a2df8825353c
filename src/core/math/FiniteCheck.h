#pragma once
// Numbers that enter the engine from scripts and must be finite (times,
// positions, rotations, scales, velocities, masses, rates): a NaN or an
// infinity is refused at the door with an error naming the parameter, instead
// of spreading through clocks, event queues, transforms and boxes (a NaN time
// sorts nowhere in a queue; an infinite position turns into NaN at the first
// rotation). A finite argument can still carry a result past the largest
// double; where the result is known at the door it is refused there too, by
// the argument's name. The engine's own steps test results without raising
// (isFinite) and stop what would run away.

#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace Tarnu
{

inline double requireFinite(double value, const char* parameter)
{
    if (!std::isfinite(value))
        throw std::invalid_argument(std::string(parameter) + " must be a finite number, not " +
                                    std::to_string(value));
    return value;
}

/// Both components in one test, for the hot paths: 0 × inf and 0 × NaN are NaN, 0 × a finite number is 0.
inline bool finiteComponents(double first, double second)
{
    return first * 0.0 + second * 0.0 == 0.0;
}

inline bool isFinite(const Vector2& value)
{
    return finiteComponents(value.x, value.y);
}

inline bool isFinite(const Complex& value)
{
    return finiteComponents(value.r, value.i);
}

inline bool isFinite(const Scale& value)
{
    return finiteComponents(value.x, value.y);
}

/// A value of two components, such as a Vector2, a Complex or a Scale.
template <class T>
const T& requireFiniteComponents(const T& value, const char* parameter)
{
    if (!isFinite(value))
        throw std::invalid_argument(std::string(parameter) + " must have finite components, not " +
                                    value.toString());
    return value;
}

inline const Vector2& requireFinite(const Vector2& value, const char* parameter)
{
    return requireFiniteComponents(value, parameter);
}

inline const Complex& requireFinite(const Complex& value, const char* parameter)
{
    return requireFiniteComponents(value, parameter);
}

inline const Scale& requireFinite(const Scale& value, const char* parameter)
{
    return requireFiniteComponents(value, parameter);
}

/// What a finite argument would make of a value; refused, by the argument's name, when it overflowed.
template <class T>
const T& requireFiniteResult(const T& result, const char* parameter, const char* resultName)
{
    if (!isFinite(result))
        throw std::invalid_argument(std::string(parameter) + " is out of range: " + resultName + " would be " +
                                    result.toString());
    return result;
}

/// A vector whose length is a number too: velocities and forces are measured and divided by it.
inline const Vector2& requireFiniteLength(const Vector2& value, const char* parameter)
{
    requireFinite(value, parameter);
    if (!std::isfinite(value.squaredMagnitude()))
        throw std::invalid_argument(std::string(parameter) + " is out of range: its length overflows, " +
                                    value.toString());
    return value;
}

}
