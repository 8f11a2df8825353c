#include "render/QuadtreeNode.h"

#include <algorithm>

namespace Tarnu
{

QuadtreeNode::QuadtreeNode(const AxisAlignedBox& box)
{
    setBox(box);
}

QuadtreeNode::QuadtreeNode(QuadtreeNode& parent, int xSide, int ySide) : parent(&parent)
{
    const Vector2& c = parent.centre;
    const double w = parent.size.x, h = parent.size.y;
    const double minX = xSide ? c.x - 0.125 * w : c.x - 0.375 * w;
    const double minY = ySide ? c.y - 0.125 * h : c.y - 0.375 * h;
    setBox(AxisAlignedBox(Vector2(minX, minY), Vector2(minX + 0.5 * w, minY + 0.5 * h)));
}

void QuadtreeNode::setBox(const AxisAlignedBox& box)
{
    looseBox = box;
    size = box.getDimensions();
    quarterSize = size * 0.25;
    centre = box.getCenter();
    cellBox = AxisAlignedBox(centre - size * 0.25, centre + size * 0.25);
}

QuadtreeNode& QuadtreeNode::child(int xSide, int ySide)
{
    std::unique_ptr<QuadtreeNode>& slot = children[2 * xSide + ySide];
    if (!slot)
    {
        slot = std::make_unique<QuadtreeNode>(*this, xSide, ySide);
        hasChildren = true;
    }
    return *slot;
}

QuadtreeNode* QuadtreeNode::placeItem(const RenderEntry& entry, QuadtreeNode& root, unsigned maxDepth)
{
    const AxisAlignedBox& box = entry.worldBox;
    if (box.getExtent() == AxisAlignedBox::EX_NULL)
        return nullptr;
    if (box.getExtent() == AxisAlignedBox::EX_INFINITE || !within(box, root.cellBox))
        return &root;
    const Vector2 boxCentre = box.getCenter();
    const double width = box.getWidth(), height = box.getHeight();
    QuadtreeNode* node = &root;
    for (unsigned level = 1; level <= maxDepth; ++level)
    {
        // Strict on x and not on y: an entry as high as a child's cell stays here.
        if (node->quarterSize.x < width || node->quarterSize.y <= height)
            break;
        node = &node->child(node->centre.x < boxCentre.x ? 1 : 0, node->centre.y < boxCentre.y ? 1 : 0);
    }
    return node;
}

void QuadtreeNode::add(RenderEntry& entry)
{
    items.push_back(&entry);
    entry.node = this;
    countItems(true);
}

void QuadtreeNode::remove(RenderEntry& entry)
{
    auto found = std::find(items.begin(), items.end(), &entry);
    if (found == items.end())
        return;
    items.erase(found);
    entry.node = nullptr;
    countItems(false);
}

void QuadtreeNode::countItems(bool added)
{
    for (QuadtreeNode* node = this; node; node = node->parent)
        added ? ++node->itemCount : --node->itemCount;
}

void QuadtreeNode::pruneChildren()
{
    if (itemCount != 0)
        return;
    for (std::unique_ptr<QuadtreeNode>& node : children)
        node.reset();
    hasChildren = false;
}

bool QuadtreeNode::meets(const AxisAlignedBox& a, const AxisAlignedBox& b)
{
    if (a.getExtent() == AxisAlignedBox::EX_INFINITE || b.getExtent() == AxisAlignedBox::EX_INFINITE)
        return true;
    if (a.getExtent() == AxisAlignedBox::EX_NULL || b.getExtent() == AxisAlignedBox::EX_NULL)
        return false;
    return a.getMin().x <= b.getMax().x && b.getMin().x <= a.getMax().x && a.getMin().y <= b.getMax().y &&
           b.getMin().y <= a.getMax().y;
}

bool QuadtreeNode::within(const AxisAlignedBox& inner, const AxisAlignedBox& outer)
{
    if (inner.getExtent() == AxisAlignedBox::EX_NULL || outer.getExtent() == AxisAlignedBox::EX_INFINITE)
        return true;
    if (outer.getExtent() != AxisAlignedBox::EX_FINITE || inner.getExtent() == AxisAlignedBox::EX_INFINITE)
        return false;
    return outer.getMin().x <= inner.getMin().x && outer.getMin().y <= inner.getMin().y &&
           inner.getMax().x <= outer.getMax().x && inner.getMax().y <= outer.getMax().y;
}

}
