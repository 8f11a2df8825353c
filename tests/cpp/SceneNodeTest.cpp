#include "SceneFixtures.h"

#include "core/math/PointTransform.h"
#include "core/math/Vector3.h"

#include <gtest/gtest.h>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

Vector2 parts(const Vector2& value) { return value; }
Vector2 parts(const Complex& value) { return Vector2(value.r, value.i); }
Vector2 parts(const Scale& value) { return Vector2(value.x, value.y); }

template <class T>
testing::AssertionResult near(const T& actual, const T& expected)
{
    const Vector2 a = parts(actual), e = parts(expected);
    if (std::abs(a.x - e.x) <= 1e-9 && std::abs(a.y - e.y) <= 1e-9)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << a.toString() << " is not " << e.toString();
}

// A parent that rotates, scales unevenly and moves, so no mistake in order cancels out.
std::shared_ptr<SceneNode> awkwardParent() { return SceneNode::createNew(Vector2(3, -2), Complex(0.5), Scale(2, 0.5)); }

// A node carrying a sprite and a body whose managers count the moves they hear of.
struct Linked
{
    Linked()
    {
        renderer->connect(scene);
        physics->connect(scene);
        sprite->setRenderManager(renderer.get());
        body->setPhysicsManager(physics.get());
        node->setRenderableLink(sprite.get());
        node->setCollidableLink(body.get());
        scene->addNode(node);
    }
    std::pair<int, int> moves() const { return {renderer->moves, physics->moves}; }

    std::shared_ptr<SceneManager> scene = SceneManager::createNew();
    std::shared_ptr<CountingRenderer> renderer = std::make_shared<CountingRenderer>();
    std::shared_ptr<CountingPhysics> physics = std::make_shared<CountingPhysics>();
    std::shared_ptr<Sprite> sprite = std::make_shared<Sprite>();
    std::shared_ptr<Body> body = std::make_shared<Body>();
    std::shared_ptr<SceneNode> node = entityNode("linked", {sprite, body});
};

using SceneNodeTest = SceneTest;

}

TEST_F(SceneNodeTest, MatrixScalesFirstThenRotatesThenMovesAndPlacesTheChildren)
{
    auto parent = awkwardParent();
    const Complex q(0.5);
    const auto& m = parent->getTransformMatrix().m;
    EXPECT_EQ(Vector2(m[0][0], m[0][1]), Vector2(q.r * 2, q.i * 2));
    EXPECT_EQ(Vector2(m[1][0], m[1][1]), Vector2(-q.i * 0.5, q.r * 0.5));
    EXPECT_EQ(Vector2(m[2][0], m[2][1]), Vector2(3, -2));
    EXPECT_EQ(Vector3(m[0][2], m[1][2], m[2][2]), Vector3(0, 0, 1));

    auto child = SceneNode::createNew(Vector2(1.5, 4), Complex(-1.2), Scale(3, 0.25));
    parent->addChild(child);
    EXPECT_TRUE(near(child->getWorldPosition(), transformPoint(parent->getTransformMatrix(), child->getPosition())));
    EXPECT_TRUE(near(child->getWorldOrientation(), Complex(-0.7)));
    EXPECT_TRUE(near(child->getWorldScale(), Scale(6, 0.125)));

    // Without inheritance the own rotation and scale stay, the position still follows the parent.
    child->setInheritScale(false);
    child->setInheritOrientation(false);
    EXPECT_EQ(child->getWorldScale(), Scale(3, 0.25));
    EXPECT_EQ(child->getWorldOrientation(), Complex(-1.2));
    EXPECT_TRUE(near(child->getWorldPosition(), transformPoint(parent->getTransformMatrix(), child->getPosition())));
}

TEST_F(SceneNodeTest, WorldSettersReachTheRequestedWorldValuesWhateverTheInheritFlags)
{
    for (int flags = 0; flags < 4; ++flags)
    {
        SCOPED_TRACE(testing::Message() << "inherit orientation " << (flags & 1) << ", scale " << (flags >> 1));
        auto parent = awkwardParent();
        auto child = SceneNode::createNew(Vector2(7, 7), Complex(0.3), Scale(1.5, 2));
        parent->addChild(child);
        child->setInheritOrientation(flags & 1);
        child->setInheritScale(flags >> 1);

        child->setPosition(Vector2(-4, 9), SceneNode::WORLD);
        EXPECT_TRUE(near(child->getWorldPosition(), Vector2(-4, 9)));
        child->translate(Vector2(1, -3), SceneNode::WORLD);
        EXPECT_TRUE(near(child->getWorldPosition(), Vector2(-3, 6)));
        child->setOrientation(Complex(2.0), SceneNode::WORLD);
        EXPECT_TRUE(near(child->getWorldOrientation(), Complex(2.0)));
        child->setScale(Scale(4, 0.5), SceneNode::WORLD);
        EXPECT_TRUE(near(child->getWorldScale(), Scale(4, 0.5)));
    }
}

TEST_F(SceneNodeTest, MoveNotifiesOnceUntilTheManagerTakesItAndIdentityChangesNobody)
{
    Linked rig;
    rig.node->setPosition(Vector2(1, 0));
    EXPECT_EQ(rig.moves(), std::pair(0, 0)) << "nobody had read the transform";

    rig.node->getWorldPosition();
    rig.node->rotate(Complex::IDENTITY);
    rig.node->scale(Scale::IDENTITY);
    rig.node->translate(Vector2::ZERO, SceneNode::WORLD);
    rig.node->setPosition(Vector2::ZERO, SceneNode::LOCAL);
    rig.node->setInheritOrientation(true);
    rig.node->setInheritScale(true);
    EXPECT_EQ(rig.moves(), std::pair(0, 0));

    rig.node->setPosition(Vector2(2, 0));
    rig.node->getTransformMatrix();
    rig.node->rotate(Complex::ROT_90);
    EXPECT_EQ(rig.moves(), std::pair(1, 1));
    EXPECT_TRUE(rig.sprite->isMoved());

    // An ancestor moved twice without reads in between: its descendants hear once.
    auto root = SceneNode::createNew();
    rig.scene->removeNode(rig.node);
    rig.scene->addNode(root);
    root->addChild(rig.node);
    rig.sprite->clearMoved();
    rig.body->getRecord().queued = false;
    rig.node->getWorldPosition();
    const auto [renders, collisions] = rig.moves();
    root->translate(Vector2(1, 0));
    rig.sprite->clearMoved();
    root->translate(Vector2(1, 0));
    EXPECT_EQ(rig.moves(), std::pair(renders + 1, collisions + 1));
}

TEST_F(SceneNodeTest, ChangingParentsDropsCachedWorldValuesDownTheSubtree)
{
    auto parent = SceneNode::createNew(Vector2(10, 0)), child = SceneNode::createNew(Vector2(1, 0));
    auto grandchild = SceneNode::createNew(Vector2(0, 1));
    child->addChild(grandchild);
    const std::pair<std::function<void()>, double> steps[] = {
        {[] {}, 1}, {[&] { parent->addChild(child); }, 11}, {[&] { parent->removeChild(child); }, 1},
        {[&] { parent->addChild(child); }, 11}, {[&] { parent->removeAll(); }, 1}};
    for (const auto& [step, x] : steps)
    {
        step();
        EXPECT_EQ(grandchild->getWorldPosition(), Vector2(x, 1));
        EXPECT_EQ(child->getTransformMatrix().m[2][0], x);
    }
}

TEST_F(SceneNodeTest, ImpossibleLinksAreRefused)
{
    auto scene = SceneManager::createNew();
    auto root = SceneNode::createNew(), child = SceneNode::createNew();
    auto grandchild = SceneNode::createNew(), other = SceneNode::createNew();
    root->addChild(child);
    child->addChild(grandchild);

    child->addChild(child);
    grandchild->addChild(root);
    other->addChild(grandchild);
    scene->addNode(grandchild);
    root->removeChild(grandchild);

    EXPECT_EQ(child->getChildren(), std::vector<std::shared_ptr<SceneNode>>{grandchild});
    EXPECT_EQ(grandchild->getParent(), child);
    EXPECT_FALSE(grandchild->hasChildren());
    EXPECT_EQ(root->getParent(), nullptr);
    EXPECT_FALSE(other->hasChildren());
    EXPECT_EQ(grandchild->getManager(), nullptr);

    scene->addNode(other);
    root->addChild(other);
    EXPECT_EQ(other->getParent(), nullptr) << "a top-level node of a scene is not free";

    auto first = Entity::createNew("first"), second = Entity::createNew("second");
    root->attach(first);
    root->attach(second);
    EXPECT_EQ(root->getEntity(), first);
    EXPECT_EQ(second->getSceneNode(), nullptr);
}

TEST_F(SceneNodeTest, DroppedTreeLetsGoDepthFirstAsNestedDeletersWould)
{
    Log log;
    const auto node = [&log](const std::string& name) {
        return entityNode(name, {std::make_shared<Tracer>(name, &log)});
    };
    auto top = node("a");
    {
        auto b = node("b"), c = node("c"), d = node("d");
        b->addChild(d);
        top->addChild(b);
        top->addChild(c);
    }
    log.clear();
    top.reset();
    EXPECT_EQ(log, (Log{"a detach", "a entity none<-a", "b detach", "b entity none<-b", "d detach",
                        "d entity none<-d", "c detach", "c entity none<-c"}));
}
