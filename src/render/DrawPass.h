#pragma once
// Draws sorted renderables from their draw records with OpenGL client arrays.
// The pass tracks what it has set, so consecutive records with the same
// texture bind it once and opaque white records set no colour.
//
// Consecutive quads of the same texture and colour, or of the same texture
// with colours per vertex, are drawn as one batch: their vertices are carried
// into world space here and drawn with one call, which the software rasterizer
// needs to fill at its full rate (one call per sprite costs about a microsecond
// to submit and slows its tiling). A quad that lies wholly off the view on one
// side is left out: a long record (a strip of tiles) is mostly off screen. The
// batch arrays are kept from frame to frame, so a pass allocates nothing once
// warm. Batching changes no order: the records are drawn in the order given.

#include "core/math/AxisAlignedBox.h"

#include <cstdint>
#include <vector>

namespace Tarnu
{

class Renderable;
struct RenderEntry;
struct RenderOperation;

/// A renderable of a pass beside the keys it is drawn in order of, so that sorting reads no renderable:
/// lower z-orders first, equal ones in the order they were filed.
struct DrawItem
{
    double zOrder;
    std::uint64_t serial;
    Renderable* renderable;

    bool operator<(const DrawItem& other) const
    {
        return zOrder != other.zOrder ? zOrder < other.zOrder : serial < other.serial;
    }
};

class DrawPass
{
public:
    /// Each renderable's entry holds the record of this pass; the view is the world box on screen.
    void draw(const std::vector<DrawItem>& items, const AxisAlignedBox& view);

private:
    struct State;

    static bool isBatchable(const RenderOperation& op);
    /// Whether the record joins the batch begun by the other: same texture, and the same
    /// colour or colours per vertex in both.
    static bool joins(const RenderOperation& op, const RenderOperation& batched);
    void add(const RenderEntry& entry, const RenderOperation& op, const AxisAlignedBox& view);
    void flush(State& state);

    std::vector<float> vertices;
    std::vector<float> texCoords;
    std::vector<float> colours;  // four a vertex, while the batch has colours per vertex
    bool batchCovers = true;     // every record of the batch covers what is under it wholly
};

}
