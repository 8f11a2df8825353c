// Rendering internals that a script cannot reach: where the loose quadtree
// files entries and what a query finds, the permission signal while slots come
// and go, the filing state of copies, leaving and rejoining a scene, slave
// loops, and the tiling arithmetic of repeated images.

#include "SceneFixtures.h"

#include "render/Camera.h"
#include "render/QuadtreeNode.h"
#include "render/QuadtreeRenderManager.h"
#include "render/RenderableGeometry.h"
#include "render/RepeatedStaticImage.h"
#include "render/SlaveRenderable.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

AxisAlignedBox box(double minX, double minY, double maxX, double maxY)
{
    return AxisAlignedBox(Vector2(minX, minY), Vector2(maxX, maxY));
}

struct Entry : RenderEntry
{
    explicit Entry(const AxisAlignedBox& box) : RenderEntry(nullptr) { worldBox = box; }
};

QuadtreeNode rootNode() { return QuadtreeNode(box(-8192, -8192, 8192, 8192)); }

std::vector<RenderEntry*> found(QuadtreeNode& root, const AxisAlignedBox& view)
{
    std::vector<RenderEntry*> entries;
    auto collect = [&entries](RenderEntry& entry) { entries.push_back(&entry); };
    root.query(view, collect);
    return entries;
}

int depthOf(const QuadtreeNode* node, const QuadtreeNode& root)
{
    int depth = 0;
    for (const QuadtreeNode* at = &root; at != node; ++depth)
    {
        const QuadtreeNode* next = nullptr;
        for (int i = 0; i < 4 && !next; ++i)
            if (at->getChild(i) && QuadtreeNode::within(node->getLooseBox(), at->getChild(i)->getLooseBox()))
                next = at->getChild(i);
        if (!next)
            return -1;
        at = next;
    }
    return depth;
}

}

TEST(Quadtree, EntriesAreFiledDeepestWhereTheyFitWholeAndNotBelowTheDepthLimit)
{
    QuadtreeNode root = rootNode();
    Entry point(box(9.5, 9.5, 10.5, 10.5));
    QuadtreeNode* node = QuadtreeNode::placeItem(point, root, 6);
    EXPECT_EQ(depthOf(node, root), 6);
    EXPECT_EQ(node->getLooseBox().getDimensions(), Vector2(256, 256));
    EXPECT_EQ(node->getChild(0), nullptr);

    // A child's cell is 4096 wide: as wide descends, as high stays (strict on x, not on y).
    Entry wide(box(-2000, 0, 2096, 1)), high(box(0, -2000, 1, 2096));
    EXPECT_EQ(depthOf(QuadtreeNode::placeItem(wide, root, 6), root), 1);
    EXPECT_EQ(QuadtreeNode::placeItem(high, root, 6), &root);

    Entry straddling(box(4000, 0, 4200, 10)), nothing{AxisAlignedBox()};
    EXPECT_EQ(QuadtreeNode::placeItem(straddling, root, 6), &root);
    EXPECT_EQ(QuadtreeNode::placeItem(nothing, root, 6), nullptr);
}

TEST(Quadtree, QueriesFindTheRootsEntriesWhereverTheyLieAndPruneEmptySubtrees)
{
    QuadtreeNode root = rootNode();
    Entry near(box(10, 10, 20, 20)), far(box(1e6, 0, 1e6 + 5, 5)), everywhere{AxisAlignedBox()};
    everywhere.worldBox.setExtent(AxisAlignedBox::EX_INFINITE);
    for (Entry* entry : {&near, &far, &everywhere})
        QuadtreeNode::placeItem(*entry, root, 6)->add(*entry);
    EXPECT_EQ(near.node->getItemCount(), 1u);
    EXPECT_EQ(root.getItemCount(), 3u);

    using Found = std::vector<RenderEntry*>;
    EXPECT_EQ(found(root, box(1e6 - 1, -1, 1e6 + 1, 1)), (Found{&far, &everywhere})) << "view beyond the tree";
    EXPECT_EQ(found(root, box(0, 0, 100, 100)), (Found{&everywhere, &near}));
    EXPECT_EQ(found(root, box(20, 20, 30, 30)), (Found{&everywhere, &near})) << "touching boxes meet";
    EXPECT_EQ(found(root, box(-1e7, -1e7, 1e7, 1e7)), (Found{&far, &everywhere, &near}));

    QuadtreeNode* leaf = near.node;
    leaf->remove(near);
    leaf->remove(near);
    EXPECT_EQ(near.node, nullptr);
    EXPECT_EQ(root.getItemCount(), 2u);
    int children = 0;
    for (int i = 0; i < 4; ++i)
        children += root.getChild(i) && root.getChild(i)->getChild(0) ? 1 : 0;
    EXPECT_EQ(children, 1) << "removal alone frees nothing";
    found(root, box(0, 0, 1, 1));
    for (int i = 0; i < 4; ++i)
        if (const QuadtreeNode* child = root.getChild(i))
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(child->getChild(k), nullptr) << "the query pruned the empty subtree";
}

namespace
{

struct Asking : RenderSlot
{
    Asking(std::vector<std::string>& log, std::string name, bool answer) : log(log), name(std::move(name)), answer(answer)
    {
    }
    bool operator()(Renderable*) override
    {
        log.push_back(name);
        if (onCall)
            onCall();
        return answer;
    }
    std::vector<std::string>& log;
    std::string name;
    bool answer;
    std::function<void()> onCall;
};

}

TEST(RenderPermission, EverySlotStillConnectedIsAskedOnceAndTheAnswerIsTheirAnd)
{
    RenderableBox renderable;
    std::vector<std::string> log;
    EXPECT_TRUE(renderable.emit(&renderable)) << "no slot: drawn";

    auto first = std::make_unique<Asking>(log, "first", true);
    auto second = std::make_unique<Asking>(log, "second", false);
    auto third = std::make_unique<Asking>(log, "third", true);
    for (RenderSlot* slot : {first.get(), second.get(), first.get(), third.get()})
        renderable.connect(slot);
    EXPECT_EQ(renderable.getNumSlots(), 3u);
    EXPECT_EQ(first->getNumSignals(), 1u);
    EXPECT_FALSE(renderable.emit(&renderable));
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "third"})) << "no early stop after a refusal";

    // A slot that destroys a later one and leaves itself: the rest go on, the gone one is not called.
    log.clear();
    second->onCall = [&] {
        third.reset();
        second->disconnect();
    };
    EXPECT_FALSE(renderable.emit(&renderable));
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(renderable.getNumSlots(), 1u);

    // Whichever end goes first, the other forgets it.
    {
        RenderableBox other;
        other.connect(first.get());
        EXPECT_EQ(first->getNumSignals(), 2u);
    }
    EXPECT_EQ(first->getNumSignals(), 1u);
    first.reset();
    EXPECT_EQ(renderable.getNumSlots(), 0u);
}

namespace
{

// A scene drawn by a quadtree render manager, and entities made in it.
struct Drawn : SceneTest
{
    void TearDown() override
    {
        scene->terminateAll();
        scene.reset();
        renderer.reset();
        SceneTest::TearDown();
    }

    std::shared_ptr<SceneNode> add(const std::string& name, const std::shared_ptr<Component>& component,
                                   const Vector2& at = Vector2::ZERO)
    {
        auto node = createEntity(component, name, at);
        scene->addNode(node);
        return node;
    }

    std::shared_ptr<SceneManager> scene = SceneManager::createNew();
    std::shared_ptr<QuadtreeRenderManager> renderer = QuadtreeRenderManager::createNew();
};

std::shared_ptr<RenderableBox> outline(double half = 1.0)
{
    return std::make_shared<RenderableBox>(box(-half, -half, half, half), 0.0);
}

}

TEST_F(Drawn, CopiesOfAFiledRenderableStartUnfiledWithoutTheOriginalsSlots)
{
    renderer->connect(scene);
    auto original = outline();
    add("original", original);
    std::vector<std::string> log;
    Asking slot(log, "slot", true);
    original->connect(&slot);
    ASSERT_EQ(original->getRenderManager(), renderer.get());
    ASSERT_NE(original->getEntry().node, nullptr);

    const auto copy = std::static_pointer_cast<Renderable>(original->createCopy());
    EXPECT_EQ(copy->getRenderManager(), nullptr);
    EXPECT_EQ(copy->getEntry().owner, copy.get());
    EXPECT_EQ(copy->getEntry().node, nullptr);
    EXPECT_EQ(copy->getNumSlots(), 0u);
    EXPECT_EQ(original->getNumSlots(), 1u);
    EXPECT_EQ(slot.getNumSignals(), 1u);

    add("copy", copy);
    EXPECT_EQ(renderer->getNumRenderables(), 2u);
    EXPECT_NE(copy->getEntry().serial, original->getEntry().serial);
}

TEST_F(Drawn, DisconnectingLeavesTheSceneClearsNodeLinksAndAllowsReconnecting)
{
    renderer->connect(scene);
    auto sprite = outline();
    auto node = add("sprite", sprite);
    EXPECT_EQ(renderer->getNumRenderables(), 1u);
    renderer->disconnect();
    scene->updateProcess(0.1);
    EXPECT_EQ(renderer->getProcessManager(), nullptr) << "out of the scene's processes after its next update";
    EXPECT_EQ(sprite->getRenderManager(), nullptr);
    EXPECT_EQ(renderer->getRoot(), nullptr);

    // The node must not reach a renderable that has gone since.
    node->getEntity()->removeComponent(sprite);
    sprite.reset();
    node->getWorldPosition();
    node->translate(Vector2(1, 1));

    renderer->connect(scene);
    EXPECT_EQ(scene->getRenderManager(), renderer);
    EXPECT_EQ(renderer->getProcessManager(), scene);
    auto again = outline();
    node->getEntity()->addComponent(again);
    EXPECT_EQ(again->getRenderManager(), renderer.get());

    // Disconnected and connected again within the scene's own update: it keeps running.
    struct Flip : Process
    {
        explicit Flip(std::function<void()> act) : act(std::move(act)) {}
        void updateProcess(double) override { act(); }
        std::function<void()> act;
    };
    scene->addProcess(std::make_shared<Flip>([&] {
        renderer->disconnect();
        renderer->connect(scene);
    }));
    scene->updateProcess(0.1);
    EXPECT_EQ(renderer->getProcessManager(), scene);
    EXPECT_EQ(renderer->getNumRenderables(), 1u);
}

TEST_F(Drawn, SlavesThatNameEachOtherDrawNothingAndTheOneWhereTheLoopIsFoundForgetsItsMaster)
{
    renderer->connect(scene);
    auto a = std::make_shared<SlaveRenderable>("b"), b = std::make_shared<SlaveRenderable>("a");
    add("a", a);
    add("b", b);
    // Filing b asks for its box, through a, back to b.
    EXPECT_EQ(b->getMasterName(), "");
    EXPECT_EQ(a->getMasterName(), "b");
    EXPECT_EQ(a->getRenderOperation(true).count, 0);
    EXPECT_EQ(b->getRenderOperation(true).count, 0);
    EXPECT_EQ(a->getLocalBox().getExtent(), AxisAlignedBox::EX_NULL);
    EXPECT_EQ(a->getMasterName(), "b");
}

TEST_F(Drawn, RepeatedImagesCountTheirTilesOverTheCamerasViewWithoutSteppingThere)
{
    renderer->connect(scene);
    // The view runs from x = 250 to 560 and y = -5 to 5.
    auto cameraNode = add("camera", std::make_shared<Camera>(Vector2(310, 10)), Vector2(405, 0));
    const auto tiles = [&](double minX, double width, bool alongX) {
        StaticImage::Settings settings;
        settings.quad = OrientedBox(box(minX, 0, minX + width, 1));
        auto image = std::make_shared<RepeatedStaticImage>(settings, "camera", alongX, false);
        auto node = add("", image);
        const RenderOperation& op = image->getRenderOperation(true);
        std::vector<double> xs{op.vertices[0], op.vertices[4], op.texCoords[4], op.texCoords[5]};
        scene->removeNode(node);
        return xs;
    };
    EXPECT_EQ(tiles(30, 100, true), (std::vector<double>{230, 630, 4, 1}));
    EXPECT_EQ(tiles(50, 100, true), (std::vector<double>{250, 650, 4, 1})) << "an edge on the view's starts there";
    EXPECT_EQ(tiles(30, 100, false), (std::vector<double>{30, 130, 1, 1}));
    EXPECT_EQ(tiles(30, 0, true), (std::vector<double>{30, 30, 1, 1})) << "no width: one tile, no endless loop";
    cameraNode->setPosition(Vector2(1e12 + 405, 0));
    EXPECT_EQ(tiles(30, 100, true), (std::vector<double>{1e12 + 230, 1e12 + 630, 4, 1}));
}
