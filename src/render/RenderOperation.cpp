#include "render/RenderOperation.h"

#include <cmath>
#include <stdexcept>

namespace Tarnu
{

namespace
{

bool opaqueWhite(const Colour& c) { return c.r == 1.0f && c.g == 1.0f && c.b == 1.0f && c.a == 1.0f; }

}

void RenderOperation::setAlpha(float alpha)
{
    if (std::isnan(alpha))
        throw std::runtime_error("alpha must be a number between 0 and 1, not NaN.");
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
