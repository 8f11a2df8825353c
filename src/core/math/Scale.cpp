#include "core/math/Scale.h"

#include <istream>
#include <ostream>
#include <sstream>

namespace Tarnu
{

const Scale Scale::IDENTITY(1.0, 1.0);
const Scale Scale::ZERO(0.0, 0.0);

std::string Scale::toString() const
{
    std::ostringstream out;
    out << *this;
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const Scale& value)
{
    return out << '(' << value.x << ',' << value.y << ')';
}

std::istream& operator>>(std::istream& in, Scale& value)
{
    double factor = 0.0;
    if (in >> factor)
    {
        value = Scale(factor);
        return in;
    }
    in.clear();
    Vector2 factors;
    if (in >> factors)
        value = Scale(factors);
    return in;
}

}
