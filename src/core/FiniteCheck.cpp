#include "core/FiniteCheck.h"

#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

namespace Tarnu
{

namespace
{

template <class T>
const T& check(const T& value, bool finite, const char* operation, const char* parameter)
{
    if (finite)
        return value;
    std::ostringstream message;
    message << operation << ": " << parameter << " must be finite, not " << value << ".";
    throw std::runtime_error(message.str());
}

}

double requireFinite(double value, const char* operation, const char* parameter)
{
    return check(value, std::isfinite(value), operation, parameter);
}

const Vector2& requireFinite(const Vector2& value, const char* operation, const char* parameter)
{
    return check(value, std::isfinite(value.x) && std::isfinite(value.y), operation, parameter);
}

const Complex& requireFinite(const Complex& value, const char* operation, const char* parameter)
{
    return check(value, std::isfinite(value.r) && std::isfinite(value.i), operation, parameter);
}

const Scale& requireFinite(const Scale& value, const char* operation, const char* parameter)
{
    return check(value, std::isfinite(value.x) && std::isfinite(value.y), operation, parameter);
}

}
