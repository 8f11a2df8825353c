#pragma once
// The render manager of a scene, keeping its renderables in a loose quadtree,
// its cameras by entity name and its animated sprites in the order they came,
// which its update advances. A pass files anew what moved and every slave
// (whose box is its master's), collects what meets the main camera's view,
// asks the permission signals, sorts by z-order (equal z-orders in the order
// of filing) and draws.
//
// Collecting calls no script, so the tree is never changed under the query;
// the permission slots, which may be scripts, are asked afterwards. A slot may
// remove or destroy any renderable: each is re-checked against the filed set
// before it is used again, and held while its own slots are asked. The pass
// allocates nothing per renderable: the bookkeeping is in each renderable's
// entry and the render list keeps its capacity from frame to frame.
//
// Animated sprites are kept by slot: one that leaves, also while the update
// walks them, leaves an empty slot that the walk skips, and the slots close up
// once no walk is under way.

#include "core/math/AxisAlignedBox.h"
#include "render/DrawPass.h"
#include "render/RenderManager.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace Tarnu
{

class QuadtreeNode;
struct RenderEntry;

class QuadtreeRenderManager : public RenderManager
{
public:
    static std::shared_ptr<QuadtreeRenderManager> createNew();
    ~QuadtreeRenderManager() override;

    /// Advances every animated sprite by the step.
    void updateProcess(double elapsed) override;
    /// The cameras, which the manager holds while they are in its scene.
    void forEachOwned(ReferenceVisitor& visitor) const override;
    void render() override;
    std::shared_ptr<Camera> getMainCamera() const override { return mainCamera; }
    void setMainCamera(const std::string& name) override;
    void addRenderable(Renderable* renderable) override;
    void removeRenderable(Renderable* renderable) override;
    void addCamera(const std::shared_ptr<Camera>& camera) override;
    void removeCamera(const Camera* camera) override;
    void addAnimatable(Animatable* animatable) override;
    void removeAnimatable(Animatable* animatable) override;
    void renderableMoved(Renderable* renderable) override;

    // For tests of the filing.
    const QuadtreeNode* getRoot() const { return root.get(); }
    std::size_t getNumRenderables() const { return renderables.size(); }
    std::size_t getNumAnimatables() const { return animatables.size() - emptySlots; }

    static constexpr unsigned MAX_DEPTH = 6;
    static constexpr double ROOT_HALF_SIDE = 8192.0;
    /// Pixels by which the viewport reaches past the window on each side.
    static constexpr int VIEWPORT_MARGIN = 256;

protected:
    void notifyConnected() override;
    void notifyDisconnected() override;

private:
    QuadtreeRenderManager() = default;

    /// Files the entry by its current world box; false when it has none to file by.
    bool place(RenderEntry& entry);
    /// Files anew the moved renderables, and tries again those that had no box.
    void refile();
    /// The orthographic projection of the view onto the window.
    void project(const AxisAlignedBox& view);
    void collect(RenderEntry& entry);
    /// Drops from the render list what the permission slots refuse, and what they removed.
    void askPermissions();
    bool isFiled(Renderable* renderable) const { return renderables.count(renderable) != 0; }
    /// Still filed, with a record of this pass; the filed set is asked first, so a renderable
    /// that died meanwhile is never touched.
    bool isDrawable(Renderable* renderable) const;
    /// Closes up the empty slots of the animated sprites.
    void closeUpAnimatables();
    /// Says on standard error, once for each reason, why a pass draws nothing.
    void explainEmptyFrame();

    std::vector<DrawItem> renderList;
    DrawPass drawPass;
    std::unordered_set<Renderable*> renderables;
    std::vector<RenderEntry*> moved;
    // Filed without a box (a slave before its master): placed once they have one.
    std::vector<RenderEntry*> unplaced;
    // Whose boxes are others' (slaves'): filed anew at every pass, since a master's new renderable,
    // or its picture's new size, reaches the slave's box without moving the slave.
    std::vector<RenderEntry*> borrowers;
    std::vector<Animatable*> animatables;  // each empties its slot when it leaves
    std::size_t emptySlots = 0;
    bool updating = false;
    std::map<std::string, std::shared_ptr<Camera>> cameras;
    std::shared_ptr<Camera> mainCamera;
    std::unique_ptr<QuadtreeNode> root;
    std::uint64_t nextSerial = 0;
    // Counts removals, so that a pass sees whether its slots removed anything.
    std::uint64_t removals = 0;
    std::size_t withSlots = 0;
    bool toldNotConnected = false;
    bool toldNoCamera = false;
};

}
