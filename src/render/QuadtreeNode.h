#pragma once
// A node of the loose quadtree in which the render manager files renderables.
// Each node's loose box is twice the cell it stands for, so an entry is filed
// whole in the deepest node whose cell holds its centre and whose children
// would still be wide enough for it, and never straddles nodes. Nodes are made
// by placement and freed lazily: a query that meets an empty subtree prunes it.
// The root also keeps what lies outside its range, and a query always tests
// the root's own entries, so entries beyond the tree, or infinite, are found.

#include "core/math/AxisAlignedBox.h"
#include "render/RenderEntry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Tarnu
{

class QuadtreeNode
{
public:
    /// A root with the given loose box.
    explicit QuadtreeNode(const AxisAlignedBox& looseBox);
    QuadtreeNode(QuadtreeNode& parent, int xSide, int ySide);
    QuadtreeNode(const QuadtreeNode&) = delete;
    QuadtreeNode& operator=(const QuadtreeNode&) = delete;

    /// The node to file the entry in, making nodes on the way; null for a null box.
    static QuadtreeNode* placeItem(const RenderEntry& entry, QuadtreeNode& root, unsigned maxDepth);

    void add(RenderEntry& entry);
    /// Nothing when the entry is not filed here.
    void remove(RenderEntry& entry);

    /// Hands every entry whose world box meets the view to collect, skipping
    /// subtrees that miss it and testing nothing inside subtrees wholly in it.
    template <class Collect>
    void query(const AxisAlignedBox& view, Collect& collect, bool inside = false);

    const AxisAlignedBox& getLooseBox() const { return looseBox; }
    const std::vector<RenderEntry*>& getItems() const { return items; }
    std::uint32_t getItemCount() const { return itemCount; }
    QuadtreeNode* getChild(int index) const { return children[index].get(); }

    /// Closed intervals on both axes; an infinite box meets every box, a null one only infinite ones.
    static bool meets(const AxisAlignedBox& a, const AxisAlignedBox& b);
    /// Whether inner lies in outer; a null inner lies anywhere, anything lies in an infinite outer.
    static bool within(const AxisAlignedBox& inner, const AxisAlignedBox& outer);

private:
    void setBox(const AxisAlignedBox& box);
    QuadtreeNode& child(int xSide, int ySide);
    void countItems(bool added);
    /// Frees the subtrees below a node that holds nothing.
    void pruneChildren();

    std::vector<RenderEntry*> items;
    AxisAlignedBox looseBox;
    AxisAlignedBox cellBox;
    Vector2 size;
    Vector2 quarterSize;
    Vector2 centre;
    std::array<std::unique_ptr<QuadtreeNode>, 4> children;
    QuadtreeNode* parent = nullptr;
    std::uint32_t itemCount = 0;
    bool hasChildren = false;
};

template <class Collect>
void QuadtreeNode::query(const AxisAlignedBox& view, Collect& collect, bool inside)
{
    if (!inside)
    {
        if (!meets(looseBox, view))
        {
            // The root's own entries may lie anywhere; deeper ones lie in their node's box.
            if (!parent)
                for (RenderEntry* entry : items)
                    if (meets(entry->worldBox, view))
                        collect(*entry);
            return;
        }
        inside = within(looseBox, view);
    }
    const bool testEach = !inside || !parent;
    for (RenderEntry* entry : items)
        if (!testEach || meets(entry->worldBox, view))
            collect(*entry);
    if (!hasChildren)
        return;
    for (const std::unique_ptr<QuadtreeNode>& node : children)
    {
        if (!node)
            continue;
        if (node->itemCount == 0)
            node->pruneChildren();
        else
            node->query(view, collect, inside);
    }
}

}
