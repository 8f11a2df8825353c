#pragma once
// The draw record a renderable hands to the render manager: which primitive to
// draw from which client arrays, with which texture and colour. The record
// points into arrays its renderable owns (or into static tables); the render
// manager only reads it, and it must stay valid until the end of the pass. A
// renderable that copies its record must point the copy at its own arrays.

#include "core/math/Vector2.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class Texture;

struct Colour
{
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
    float a = 1.0f;
};

struct RenderOperation
{
    enum Primitive : std::uint32_t
    {
        QUADS = 0,
        LINE_STRIP = 1
    };
    enum IndexType : std::uint32_t
    {
        UNSIGNED_BYTE = 0,
        UNSIGNED_SHORT = 1
    };
    // The values of untransformed: drawn under the owner node's world transform, or as they stand.
    static constexpr std::uint32_t TRANSFORMED = 0;
    static constexpr std::uint32_t UNTRANSFORMED = 2;

    std::uint32_t primitive = QUADS;
    std::uint32_t indexType = UNSIGNED_BYTE;
    /// Indices (with indices) or vertices (without) to draw; 0 draws nothing.
    std::int32_t count = 0;
    std::int32_t first = 0;
    const void* indices = nullptr;
    /// Two doubles per vertex, tightly packed; texture coordinates likewise.
    const double* vertices = nullptr;
    const double* texCoords = nullptr;
    const float* colours = nullptr;
    std::uint32_t colourComponents = 4;
    std::shared_ptr<Texture> texture;
    Colour colour;
    const Vector2* translation = nullptr;
    std::uint32_t untransformed = UNTRANSFORMED;
    bool isOpaqueWhite = true;

    /// Clamps to [0, 1]; NaN is refused with a runtime error naming the alpha.
    void setAlpha(float alpha);
    /// Red, green and blue as given, unclamped.
    void setColour(float red, float green, float blue);
};

/// Points a record at an array of vertices.
inline const double* coordinates(const Vector2* points)
{
    static_assert(sizeof(Vector2) == 2 * sizeof(double), "vertex arrays are read as packed pairs of doubles");
    return &points->x;
}

}
