#pragma once
// A scene node's world transform as a 3x3 matrix, stored row by row in m[row][column].
// A point (px, py) maps to (m00*px + m10*py + m20, m01*px + m11*py + m21); the
// third column stays (0, 0, 1). The scene node fills it; here it is only a value.

namespace Tarnu
{

class Matrix3
{
public:
    double m[3][3];

    constexpr Matrix3() : m{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}} {}

    // Element by element and exact: a NaN anywhere makes the matrix unequal to itself.
    constexpr bool operator==(const Matrix3& other) const = default;
};

}
