#include "core/math/Vector3.h"

#include <istream>
#include <ostream>
#include <sstream>

namespace Tarnu
{

const Vector3 Vector3::ZERO(0.0, 0.0, 0.0);
const Vector3 Vector3::UNIT_X(1.0, 0.0, 0.0);
const Vector3 Vector3::UNIT_Y(0.0, 1.0, 0.0);
const Vector3 Vector3::UNIT_Z(0.0, 0.0, 1.0);
const Vector3 Vector3::NEGATIVE_UNIT_X(-1.0, 0.0, 0.0);
const Vector3 Vector3::NEGATIVE_UNIT_Y(0.0, -1.0, 0.0);
const Vector3 Vector3::NEGATIVE_UNIT_Z(0.0, 0.0, -1.0);

std::string Vector3::toString() const
{
    std::ostringstream out;
    out << *this;
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const Vector3& value)
{
    return out << '(' << value.x << ',' << value.y << ',' << value.z << ')';
}

std::istream& operator>>(std::istream& in, Vector3& value)
{
    char open = 0, firstSeparator = 0, secondSeparator = 0, close = 0;
    double x = 0.0, y = 0.0, z = 0.0;
    in >> open >> x >> firstSeparator >> y >> secondSeparator >> z >> close;
    if (!in.fail())
        value = Vector3(x, y, z);
    return in;
}

}
