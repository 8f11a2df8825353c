#pragma once
// Numbers that enter the engine from scripts and must be finite (times,
// positions, rotations, scales, velocities, masses, rates): a NaN or an
// infinity is refused at the door with an error naming the parameter, instead
// of spreading through clocks, event queues, transforms and boxes (a NaN time
// sorts nowhere in a queue; an infinite position turns into NaN at the first
// rotation).

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

/// A value of two components, such as a Vector2, a Complex or a Scale.
template <class T>
const T& requireFiniteComponents(const T& value, double first, double second, const char* parameter)
{
    if (!std::isfinite(first) || !std::isfinite(second))
        throw std::invalid_argument(std::string(parameter) + " must have finite components, not " +
                                    value.toString());
    return value;
}

inline const Vector2& requireFinite(const Vector2& value, const char* parameter)
{
    return requireFiniteComponents(value, value.x, value.y, parameter);
}

inline const Complex& requireFinite(const Complex& value, const char* parameter)
{
    return requireFiniteComponents(value, value.r, value.i, parameter);
}

inline const Scale& requireFinite(const Scale& value, const char* parameter)
{
    return requireFiniteComponents(value, value.x, value.y, parameter);
}

}
