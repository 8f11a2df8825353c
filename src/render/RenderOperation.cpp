#include "render/RenderOperation.h"

#include "core/math/FiniteCheck.h"

namespace Tarnu
{

namespace
{

bool opaqueWhite(const Colour& c) { return c.r == 1.0f && c.g == 1.0f && c.b == 1.0f && c.a == 1.0f; }

}

void RenderOperation::setAlpha(float alpha)
{
    requireFinite(alpha, "alpha");
    colour.a = alpha < 0.0f ? 0.0f : alpha > 1.0f ? 1.0f : alpha;
    isOpaqueWhite = opaqueWhite(colour);
}

void RenderOperation::setColour(float red, float green, float blue)
{
    colour.r = red;
    colour.g = green;
    colour.b = blue;
    isOpaqueWhite = opaqueWhite(colour);
}

}
