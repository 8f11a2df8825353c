#pragma once
// Numbers that enter the engine from scripts and must be finite (velocities,
// masses, rates): a NaN or an infinity is refused at the door with an error
// naming the parameter, instead of spreading through positions and boxes.

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

inline const Vector2& requireFinite(const Vector2& value, const char* parameter)
{
    if (!std::isfinite(value.x) || !std::isfinite(value.y))
        throw std::invalid_argument(std::string(parameter) + " must have finite components, not " +
                                    value.toString());
    return value;
}

}
