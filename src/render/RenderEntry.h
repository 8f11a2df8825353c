#pragma once
// What a render manager keeps of each renderable, embedded in the renderable so
// that filing allocates nothing. The render manager writes it; the scene node
// that carries the renderable sets the two flags when it moves.

#include "core/math/AxisAlignedBox.h"

#include <cstdint>

namespace Tarnu
{

class QuadtreeNode;
class Renderable;
class SceneNode;
struct RenderOperation;

struct RenderEntry
{
    explicit RenderEntry(Renderable* owner) : owner(owner) {}

    /// The world box, cached by Renderable::getWorldBox.
    AxisAlignedBox worldBox;
    Renderable* owner;
    /// The record of the current pass; null outside a pass and while unfiled.
    RenderOperation* operation = nullptr;
    /// The node whose world matrix places the drawing; set and cleared with the filing,
    /// while the renderable's entity hangs on it.
    SceneNode* sceneNode = nullptr;
    /// The quadtree node holding the entry, or null.
    QuadtreeNode* node = nullptr;
    /// The order of filing in the render manager: equal z-orders draw in this order.
    std::uint64_t serial = 0;
    /// The world box must be computed and the entry re-filed before the next query.
    bool boxDirty = true;
    /// Handed to the next getRenderOperation call, then cleared.
    bool operationChanged = true;
};

}
