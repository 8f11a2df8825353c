#pragma once
// A point carried through a scene node's world matrix, the one computation that
// bounds, boxes and renderables share so that they agree with the node's matrix layout.

#include "core/math/Matrix3.h"
#include "core/math/Vector2.h"

namespace Tarnu
{

constexpr Vector2 transformPoint(const Matrix3& matrix, const Vector2& point)
{
    const auto& m = matrix.m;
    return Vector2(m[0][0] * point.x + m[1][0] * point.y + m[2][0],
                   m[0][1] * point.x + m[1][1] * point.y + m[2][1]);
}

}
