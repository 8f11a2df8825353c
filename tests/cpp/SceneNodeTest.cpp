#include "ErrorText.h"
#include "SceneFixtures.h"

#include "core/ParameterList.h"
#include "core/math/PointTransform.h"
#include "scene/NameableObject.h"

#include <gtest/gtest.h>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

constexpr double EPSILON = 1e-9;

testing::AssertionResult near(const Vector2& actual, const Vector2& expected)
{
    if (std::abs(actual.x - expected.x) <= EPSILON && std::abs(actual.y - expected.y) <= EPSILON)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << actual.toString() << " is not " << expected.toString();
}

testing::AssertionResult near(const Complex& actual, const Complex& expected)
{
    return near(Vector2(actual.r, actual.i), Vector2(expected.r, expected.i));
}

testing::AssertionResult near(const Scale& actual, const Scale& expected)
{
    return near(Vector2(actual.x, actual.y), Vector2(expected.x, expected.y));
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
using SceneNodeCopy = SceneTest;

}

TEST_F(SceneNodeTransform, RootMatrixScalesFirstThenRotatesThenMoves)
{
    EXPECT_EQ(SceneNode::createNew()->getTransformMatrix(), Matrix3());
    auto node = awkwardParent();
    EXPECT_EQ(node->getWorldPosition(), Vector2(3, -2));
    EXPECT_EQ(node->getWorldOrientation(), Complex(0.5));
    EXPECT_EQ(node->getWorldScale(), Scale(2, 0.5));
    const Complex q(0.5);
    const auto& m = node->getTransformMatrix().m;
    EXPECT_DOUBLE_EQ(m[0][0], q.r * 2);
    EXPECT_DOUBLE_EQ(m[0][1], q.i * 2);
    EXPECT_DOUBLE_EQ(m[1][0], -q.i * 0.5);
    EXPECT_DOUBLE_EQ(m[1][1], q.r * 0.5);
    EXPECT_EQ(Vector2(m[2][0], m[2][1]), Vector2(3, -2));
    EXPECT_EQ(Vector2(m[0][2], m[1][2]), Vector2::ZERO);
    EXPECT_EQ(m[2][2], 1.0);
}

TEST_F(SceneNodeTransform, ChildWorldPositionIsItsParentsMatrixAppliedToItsLocalPosition)
{
    auto parent = awkwardParent();
    auto child = SceneNode::createNew(Vector2(1.5, 4), Complex(-1.2), Scale(3, 0.25));
    auto grandchild = SceneNode::createNew(Vector2(-2, 0.75));
    parent->addChild(child);
    child->addChild(grandchild);

    EXPECT_TRUE(near(child->getWorldPosition(), transformPoint(parent->getTransformMatrix(), child->getPosition())));
    EXPECT_TRUE(near(grandchild->getWorldPosition(),
                     transformPoint(child->getTransformMatrix(), grandchild->getPosition())));
    EXPECT_TRUE(near(child->getWorldOrientation(), Complex(-0.7)));
    EXPECT_TRUE(near(child->getWorldScale(), Scale(6, 0.125)));
}

TEST_F(SceneNodeTransform, InheritFlagsOffKeepOwnRotationAndScaleButNotPosition)
{
    auto parent = SceneNode::createNew(Vector2(10, 0), Complex::ROT_90, Scale(2, 3));
    auto child = SceneNode::createNew(Vector2(1, 0), Complex::ROT_45, Scale(5, 5));
    parent->addChild(child);
    child->setInheritScale(false);
    child->setInheritOrientation(false);

    EXPECT_EQ(child->getWorldScale(), Scale(5, 5));
    EXPECT_EQ(child->getWorldOrientation(), Complex::ROT_45);
    EXPECT_TRUE(near(child->getWorldPosition(), Vector2(10, 2)));
}

TEST_F(SceneNodeTransform, LocalChangesFollowTheNodesOwnAxes)
{
    auto node = SceneNode::createNew(Vector2(1, 1), Complex::ROT_90, Scale(2, 3));
    node->setPosition(Vector2(1, 0), SceneNode::LOCAL);
    EXPECT_TRUE(near(node->getPosition(), Vector2(1, 3)));
    node->translate(Vector2(0, 1), SceneNode::LOCAL);
    EXPECT_TRUE(near(node->getPosition(), Vector2(-2, 3)));
    node->translate(Vector2(1, 1));
    node->setPosition(Vector2::ZERO, SceneNode::LOCAL);
    EXPECT_TRUE(near(node->getPosition(), Vector2(-1, 4)));
    node->setOrientation(Complex::ROT_90, SceneNode::LOCAL);
    node->setScale(Scale(0.5, 1), SceneNode::LOCAL);
    EXPECT_TRUE(near(node->getOrientation(), Complex::ROT_180));
    EXPECT_EQ(node->getScale(), Scale(1, 3));
}

TEST_F(SceneNodeTransform, TransformSpaceReadsOnlyTheExactWords)
{
    ParameterList params;
    params.add("good", "Parent");
    params.add("world", "World");
    params.add("lower", "parent");
    SceneNode::TransformSpace space = SceneNode::LOCAL;

    EXPECT_EQ(params.get("good", space), ParameterList::SUCCESS);
    EXPECT_EQ(space, SceneNode::PARENT);
    EXPECT_EQ(params.get("world", space), ParameterList::SUCCESS);
    EXPECT_EQ(space, SceneNode::WORLD);
    EXPECT_EQ(params.get("lower", space), ParameterList::INVALID_TYPE);
    EXPECT_EQ(space, SceneNode::WORLD);
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

TEST_F(SceneNodeSpaces, KeepWorldHoldsTheNodeInPlaceAcrossAddingAndRemoving)
{
    auto parent = awkwardParent();
    auto child = SceneNode::createNew(Vector2(5, 5), Complex::ROT_45, Scale(2, 2));

    parent->addChild(child, true);
    EXPECT_TRUE(near(child->getWorldPosition(), Vector2(5, 5)));
    EXPECT_TRUE(near(child->getWorldOrientation(), Complex::ROT_45));
    EXPECT_TRUE(near(child->getWorldScale(), Scale(2, 2)));

    parent->translate(Vector2(1, 1));
    const Vector2 moved = child->getWorldPosition();
    const Complex turned = child->getWorldOrientation();
    parent->removeChild(child, true);
    EXPECT_EQ(child->getParent(), nullptr);
    EXPECT_TRUE(near(child->getPosition(), moved));
    EXPECT_TRUE(near(child->getWorldPosition(), moved));
    EXPECT_TRUE(near(child->getOrientation(), turned));
}

TEST_F(SceneNodeNotification, MoveNotifiesOnceUntilTheManagerTakesIt)
{
    Linked rig;
    rig.node->setPosition(Vector2(1, 0));
    EXPECT_EQ(rig.renderer->moves, 0) << "nobody had read the transform";

    rig.node->getWorldPosition();
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
}

TEST_F(SceneNodeNotification, IdentityChangesNotifyNobody)
{
    Linked rig;
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

    rig.node->setInheritScale(false);
    EXPECT_EQ(rig.renderer->moves, 1);
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
    other->addChild(nullptr);
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
    child->attach(first);
    EXPECT_EQ(root->getEntity(), first);
    EXPECT_EQ(second->getSceneNode(), nullptr);
    EXPECT_EQ(child->getEntity(), nullptr);
    EXPECT_EQ(first->getSceneNode(), root);
}

TEST_F(SceneNodeCopy, ShallowCopyTakesTheLocalTransformAndFlagsOnly)
{
    auto parent = awkwardParent();
    auto source = entityNode("e", {}, Vector2(1, 2));
    source->setInheritScale(false);
    source->addChild(SceneNode::createNew());
    parent->addChild(source);

    auto copy = SceneNode::createCopy(source, false);

    EXPECT_EQ(copy->getWorldPosition(), Vector2(1, 2));
    EXPECT_FALSE(copy->getInheritScale());
    EXPECT_TRUE(copy->getInheritOrientation());
    EXPECT_EQ(copy->getParent(), nullptr);
    EXPECT_EQ(copy->getEntity(), nullptr);
    EXPECT_FALSE(copy->hasChildren());
    EXPECT_EQ(errorText([] { SceneNode::createCopy(nullptr, true); }), "node to copy is null");
}

TEST_F(SceneNodeCopy, DeepCopyCopiesEntitiesUnderGeneratedNamesAndEveryChild)
{
    auto source = entityNode("top", {std::make_shared<Marker>()});
    auto bare = SceneNode::createNew(Vector2(3, 0));
    bare->addChild(entityNode("leaf", {std::make_shared<Sprite>()}, Vector2(0, 4)));
    source->addChild(bare);

    auto copy = SceneNode::createCopy(source, true);

    ASSERT_NE(copy->getEntity(), nullptr);
    EXPECT_NE(copy->getEntity(), source->getEntity());
    EXPECT_EQ(copy->getEntity()->getName()[0], '\x01');
    EXPECT_EQ(NameableObject<Entity>::countOf("top"), 1);
    ASSERT_EQ(copy->getEntity()->getComponents().size(), 1u);
    EXPECT_EQ(copy->getEntity()->getComponents()[0]->getType(), "Marker");
    ASSERT_EQ(copy->getChildren().size(), 1u);
    auto bareCopy = copy->getChildren()[0];
    EXPECT_EQ(bareCopy->getEntity(), nullptr);
    EXPECT_EQ(bareCopy->getPosition(), Vector2(3, 0));
    ASSERT_EQ(bareCopy->getChildren().size(), 1u);
    auto leafCopy = bareCopy->getChildren()[0];
    EXPECT_EQ(leafCopy->getWorldPosition(), Vector2(3, 4));
    ASSERT_NE(leafCopy->getEntity(), nullptr);
    EXPECT_NE(Component::getComponent("Renderable", leafCopy->getEntity().get()), nullptr);
    EXPECT_EQ(liveEntities(), 4);
}
