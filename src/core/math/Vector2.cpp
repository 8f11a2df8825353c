#include "core/math/Vector2.h"

#include <istream>
#include <ostream>
#include <sstream>

namespace Tarnu
{

const Vector2 Vector2::ZERO(0.0, 0.0);
const Vector2 Vector2::UNIT_X(1.0, 0.0);
const Vector2 Vector2::UNIT_Y(0.0, 1.0);
const Vector2 Vector2::NEGATIVE_UNIT_X(-1.0, 0.0);
const Vector2 Vector2::NEGATIVE_UNIT_Y(0.0, -1.0);

std::string Vector2::toString() const
{
    std::ostringstream out;
    out << *this;
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const Vector2& value)
{
    return out << '<' << value.x << ',' << value.y << '>';
}

std::istream& operator>>(std::istream& in, Vector2& value)
{
    // The punctuation is deliberately not checked: hand-written data files use
    // whatever brackets their authors liked.
    char open = 0, separator = 0, close = 0;
    double x = 0.0, y = 0.0;
    in >> open >> x >> separator >> y >> close;
    if (!in.fail())
        value = Vector2(x, y);
    return in;
}

}
