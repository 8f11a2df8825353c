#include "SceneFixtures.h"

#include "core/math/PointTransform.h"

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
std::shared_ptr<SceneNode> awkwardParent()
{
    return SceneNode::createNew(Vector2(3, -2), Complex(0.5), Scale(2, 0.5));
}

// A node carrying a sprite and a body whose managers are connected to a scene.
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

    std::shared_ptr<SceneManager> scene = SceneManager::createNew();
    std::shared_ptr<CountingRenderer> renderer = std::make_shared<CountingRenderer>();
    std::shared_ptr<CountingPhysics> physics = std::make_shared<CountingPhysics>();
    std::shared_ptr<Sprite> sprite = std::make_shared<Sprite>();
    std::shared_ptr<Body> body = std::make_shared<Body>();
    std::shared_ptr<SceneNode> node = entityNode("linked", {sprite, body});
};

using SceneNodeTransform = SceneTest;
using SceneNodeSpaces = SceneTest;
using SceneNodeNotification = SceneTest;
using SceneNodeStructure = SceneTest;

}

TEST_F(SceneNodeTransform, MatrixScalesFirstThenRotatesThenMovesAndPlacesTheChildren)
{
    EXPECT_EQ(SceneNode::createNew()->getTransformMatrix(), Matrix3());
    auto parent = awkwardParent();
    const Complex q(0.5);
    const auto& m = parent->getTransformMatrix().m;
    EXPECT_DOUBLE_EQ(m[0][0], q.r * 2);
    EXPECT_DOUBLE_EQ(m[0][1], q.i * 2);
    EXPECT_DOUBLE_EQ(m[1][0], -q.i * 0.5);
    EXPECT_DOUBLE_EQ(m[1][1], q.r * 0.5);
    EXPECT_EQ(Vector2(m[2][0], m[2][1]), Vector2(3, -2));
    EXPECT_EQ(Vector2(m[0][2], m[1][2]), Vector2::ZERO);
    EXPECT_EQ(m[2][2], 1.0);

    auto child = SceneNode::createNew(Vector2(1.5, 4), Complex(-1.2), Scale(3, 0.25));
    auto grandchild = SceneNode::createNew(Vector2(-2, 0.75));
    parent->addChild(child);
    child->addChild(grandchild);
    EXPECT_TRUE(near(child->getWorldPosition(), transformPoint(parent->getTransformMatrix(), child->getPosition())));
    EXPECT_TRUE(near(grandchild->getWorldPosition(),
                     transformPoint(child->getTransformMatrix(), grandchild->getPosition())));
    EXPECT_TRUE(near(child->getWorldOrientation(), Complex(-0.7)));
    EXPECT_TRUE(near(child->getWorldScale(), Scale(6, 0.125)));

    // Without inheritance the own rotation and scale stay, the position still follows the parent.
    child->setInheritScale(false);
    child->setInheritOrientation(false);
    EXPECT_EQ(child->getWorldScale(), Scale(3, 0.25));
    EXPECT_EQ(child->getWorldOrientation(), Complex(-1.2));
    EXPECT_TRUE(near(child->getWorldPosition(), transformPoint(parent->getTransformMatrix(), child->getPosition())));
}

TEST_F(SceneNodeSpaces, WorldSettersReachTheRequestedWorldValuesWhateverTheInheritFlags)
{
    for (bool inheritOrientation : {true, false})
        for (bool inheritScale : {true, false})
        {
            SCOPED_TRACE(testing::Message() << "inheritOrientation " << inheritOrientation << ", inheritScale "
                                            << inheritScale);
            auto parent = awkwardParent();
            auto child = SceneNode::createNew(Vector2(7, 7), Complex(0.3), Scale(1.5, 2));
            parent->addChild(child);
            child->setInheritOrientation(inheritOrientation);
            child->setInheritScale(inheritScale);

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

TEST_F(SceneNodeNotification, MoveNotifiesOnceUntilTheManagerTakesItAndIdentityChangesNobody)
{
    Linked rig;
    rig.node->setPosition(Vector2(1, 0));
    EXPECT_EQ(rig.renderer->moves, 0) << "nobody had read the transform";

    rig.node->getWorldPosition();
    rig.node->rotate(Complex::IDENTITY);
    rig.node->scale(Scale::IDENTITY);
    rig.node->translate(Vector2::ZERO, SceneNode::WORLD);
    rig.node->setPosition(Vector2::ZERO, SceneNode::LOCAL);
    rig.node->setInheritOrientation(true);
    rig.node->setInheritScale(true);
    EXPECT_EQ(rig.renderer->moves, 0);
    EXPECT_EQ(rig.physics->moves, 0);
    EXPECT_FALSE(rig.sprite->isMoved());

    rig.node->setPosition(Vector2(2, 0));
    rig.node->getTransformMatrix();
    rig.node->rotate(Complex::ROT_90);
    EXPECT_EQ(rig.renderer->moves, 1);
    EXPECT_EQ(rig.physics->moves, 1);
    EXPECT_TRUE(rig.sprite->isMoved());
    EXPECT_TRUE(rig.sprite->isWorldBoxDirty());

    rig.sprite->clearMoved();
    rig.body->clearMoved();
    rig.node->getWorldPosition();
    rig.node->scale(Scale(2, 1));
    EXPECT_EQ(rig.renderer->moves, 2);
    EXPECT_EQ(rig.physics->moves, 2);

    rig.sprite->clearMoved();
    rig.node->getWorldPosition();
    rig.node->setInheritScale(false);
    EXPECT_EQ(rig.renderer->moves, 3);
}

TEST_F(SceneNodeNotification, MovingAnAncestorTwiceWithoutReadsNotifiesDescendantsOnce)
{
    Linked rig;
    auto root = SceneNode::createNew();
    auto middle = SceneNode::createNew(Vector2(1, 0));
    rig.scene->removeNode(rig.node);
    rig.scene->addNode(root);
    root->addChild(middle);
    middle->addChild(rig.node);
    rig.node->getWorldPosition();

    root->translate(Vector2(1, 0));
    rig.sprite->clearMoved();
    root->translate(Vector2(1, 0));
    EXPECT_EQ(rig.renderer->moves, 1);
    EXPECT_EQ(rig.physics->moves, 1);

    EXPECT_TRUE(near(rig.node->getWorldPosition(), Vector2(3, 0)));
    root->rotate(Complex::ROT_90);
    EXPECT_EQ(rig.renderer->moves, 2);
}

TEST_F(SceneNodeNotification, ChangingParentsDropsCachedWorldValuesDownTheSubtree)
{
    auto parent = SceneNode::createNew(Vector2(10, 0));
    auto child = SceneNode::createNew(Vector2(1, 0));
    auto grandchild = SceneNode::createNew(Vector2(0, 1));
    child->addChild(grandchild);
    EXPECT_EQ(grandchild->getWorldPosition(), Vector2(1, 1));
    EXPECT_EQ(child->getTransformMatrix().m[2][0], 1.0);

    parent->addChild(child);
    EXPECT_EQ(grandchild->getWorldPosition(), Vector2(11, 1));
    EXPECT_EQ(child->getTransformMatrix().m[2][0], 11.0);

    parent->removeChild(child);
    EXPECT_EQ(grandchild->getWorldPosition(), Vector2(1, 1));
    EXPECT_EQ(child->getWorldPosition(), Vector2(1, 0));

    parent->addChild(child);
    EXPECT_EQ(grandchild->getWorldPosition(), Vector2(11, 1));
    parent->removeAll();
    EXPECT_EQ(grandchild->getWorldPosition(), Vector2(1, 1));
    EXPECT_EQ(child->getTransformMatrix().m[2][0], 1.0);
}

TEST_F(SceneNodeStructure, ImpossibleLinksAreRefused)
{
    auto scene = SceneManager::createNew();
    auto root = SceneNode::createNew();
    auto child = SceneNode::createNew();
    auto grandchild = SceneNode::createNew();
    auto other = SceneNode::createNew();
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

    auto first = Entity::createNew("first");
    auto second = Entity::createNew("second");
    root->attach(first);
    root->attach(second);
    EXPECT_EQ(root->getEntity(), first);
    EXPECT_EQ(second->getSceneNode(), nullptr);
}

