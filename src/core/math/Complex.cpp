#include "core/math/Complex.h"

#include <istream>
#include <ostream>
#include <sstream>

namespace Tarnu
{

const Complex Complex::IDENTITY(1.0, 0.0);
const Complex Complex::ROT_45(1.0 / std::sqrt(2.0), 1.0 / std::sqrt(2.0));
const Complex Complex::ROT_90(0.0, 1.0);
const Complex Complex::ROT_180(-1.0, 0.0);
const Complex Complex::ROT_270(0.0, -1.0);

std::string Complex::toString() const
{
    std::ostringstream out;
    out << *this;
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const Complex& value)
{
    return out << '(' << value.r << ',' << value.i << ')';
}

std::istream& operator>>(std::istream& in, Complex& value)
{
    double angle = 0.0;
    if (in >> angle)
    {
        value.setAngle(angle);
        return in;
    }
    in.clear();
    Vector2 parts;
    if (in >> parts)
        value = Complex(parts.x, parts.y);
    return in;
}

}
