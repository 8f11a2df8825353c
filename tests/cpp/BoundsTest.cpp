#include "core/math/AxisAlignedBox.h"
#include "core/math/Circle.h"
#include "core/math/Intersection.h"
#include "core/math/Matrix3.h"
#include "core/math/OrientedBox.h"
#include "core/math/Scale.h"
#include "scene/SceneNode.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <string>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

using Box = AxisAlignedBox;

Box withExtent(Box box, Box::Extent extent)
{
    box.setExtent(extent);
    return box;
}

void expectNear(const Vector2& actual, const Vector2& expected, double tolerance = 1e-12)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

// Corners compared as sets: a mirrored box lists them in another order.
void expectSameCorners(std::array<Vector2, 4> actual, std::array<Vector2, 4> expected)
{
    auto byPosition = [](const Vector2& a, const Vector2& b) {
        return std::round(a.x * 1e9) != std::round(b.x * 1e9) ? a.x < b.x : a.y < b.y;
    };
    std::sort(actual.begin(), actual.end(), byPosition);
    std::sort(expected.begin(), expected.end(), byPosition);
    for (std::size_t k = 0; k < 4; ++k)
        expectNear(actual[k], expected[k], 1e-9);
}

// Claims a kind that no pair test knows.
struct StrangeBound : Circle
{
    std::uint8_t getBoundType() const override { return 7; }
};

}

TEST(IntersectPairs, ExtentsDecideBoxesAndUnknownKindsRaise)
{
    const Box null = withExtent(Box(Vector2(0, 0), Vector2(1, 1)), Box::EX_NULL);
    const Box infinite = withExtent(Box(), Box::EX_INFINITE);
    EXPECT_TRUE(intersects(infinite, null));
    EXPECT_FALSE(intersects(null, null));
    EXPECT_TRUE(intersects(Box(Vector2(50, 50), Vector2(51, 51)), infinite));
    // Circles look at the corners only.
    EXPECT_TRUE(intersects(Circle(Vector2(0.5, 0.5), 0.1), null));
    const std::string message = "Unknown Bound Type in collision intersect test.";
    EXPECT_EQ(errorText([] { intersects(StrangeBound(), Circle()); }), message);
    EXPECT_EQ(errorText([] { intersects(Box(), StrangeBound()); }), message);
}

TEST(IntersectPairs, TouchingShapesDoNotOverlapInEitherOrder)
{
    auto expectApart = [](const char* how, const Bound& a, const Bound& b) {
        EXPECT_FALSE(intersects(a, b)) << how;
        EXPECT_FALSE(intersects(b, a)) << how << ", reversed";
    };
    const Box unit(Vector2(0, 0), Vector2(1, 1));
    expectApart("boxes on an edge", unit, Box(Vector2(1, 0), Vector2(2, 1)));
    expectApart("boxes on a top edge", unit, Box(Vector2(0, 1), Vector2(1, 2)));
    expectApart("boxes on a corner", unit, Box(Vector2(1, 1), Vector2(2, 2)));
    expectApart("circles in a row", Circle(Vector2(0, 0), 1), Circle(Vector2(3, 0), 2));
    expectApart("circles 3-4-5 apart", Circle(Vector2(0, 0), 2), Circle(Vector2(3, 4), 3));
    expectApart("circle on a side", Circle(Vector2(2, 0.5), 1), unit);
    expectApart("circle on the bottom", Circle(Vector2(0.5, -1), 1), unit);
    expectApart("circle on a corner", Circle(Vector2(1.75, 2), 1.25), unit);
    // Quarter turns are exact: this one spans (1, -1)-(3, 3), the flipped one (3, 0)-(5, 2).
    const OrientedBox upright(Vector2(0, 0), Vector2(4, 2), Complex::ROT_90);
    expectApart("circle on a turned side", Circle(Vector2(4, 1), 1), upright);
    expectApart("box on a turned side", Box(Vector2(3, 0), Vector2(5, 1)), upright);
    expectApart("turned boxes", upright, OrientedBox(Vector2(3, 0), Vector2(5, 2), Complex::ROT_180));
}

namespace
{

// A random shape described independently: a box by centre, half size and the
// direction of its first axis ((1, 0) unless oriented), or a circle by centre and radius.
struct Shape
{
    std::uint8_t kind;
    Vector2 center, half;
    Vector2 facing = Vector2(1, 0);
    double radius = 0;

    Vector2 u() const { return facing; }
    Vector2 v() const { return Vector2(-facing.y, facing.x); }
    /// Half the length of the box's shadow on a unit axis.
    double reach(const Vector2& axis) const
    {
        return half.x * std::abs(u().dot(axis)) + half.y * std::abs(v().dot(axis));
    }
    /// How far a point lies outside the box, zero inside.
    double distanceFrom(const Vector2& point) const
    {
        const Vector2 d = point - center;
        return std::hypot(std::max(std::abs(d.dot(u())) - half.x, 0.0), std::max(std::abs(d.dot(v())) - half.y, 0.0));
    }
    std::unique_ptr<Bound> bound() const
    {
        if (kind == BK_CIRCLE)
            return std::make_unique<Circle>(center, radius);
        if (kind == BK_AXIS_ALIGNED_BOX)
            return std::make_unique<Box>(center - half, center + half);
        return std::make_unique<OrientedBox>(center - half, center + half, Complex(facing.x, facing.y));
    }
    /// Half the shape's width along a world axis.
    double extent(const Vector2& direction) const { return kind == BK_CIRCLE ? radius : reach(direction); }
};

// Positive when the shapes overlap, negative when apart, zero when they touch.
// Two boxes are apart exactly when their shadows part on one of their four axes.
double overlapDepth(const Shape& a, const Shape& b)
{
    if (a.kind == BK_CIRCLE && b.kind == BK_CIRCLE)
        return a.radius + b.radius - a.center.distance(b.center);
    if (a.kind == BK_CIRCLE || b.kind == BK_CIRCLE)
    {
        const Shape& round = a.kind == BK_CIRCLE ? a : b;
        return round.radius - (a.kind == BK_CIRCLE ? b : a).distanceFrom(round.center);
    }
    double depth = INFINITY;
    for (const Vector2& axis : {a.u(), a.v(), b.u(), b.v()})
        depth = std::min(depth, a.reach(axis) + b.reach(axis) - std::abs((a.center - b.center).dot(axis)));
    return depth;
}

}

TEST(IntersectProperty, EveryPairOfKindsAgreesWithAnIndependentGeometry)
{
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> place(-4, 4), size(0.05, 3), turn(-std::numbers::pi, std::numbers::pi);
    // Every fourth pair lies on a grid of eighths, oriented boxes at quarter turns, where sums are
    // exact: the second shape is set beside the first along a world axis, an eighth into it, exactly
    // touching or an eighth away, and every other time straight across, where circles touch too.
    std::uniform_int_distribution<int> eighths(-24, 24), sizeInEighths(1, 16), quarter(0, 3), gap(-1, 1);
    const Vector2 quarterTurns[] = {Vector2(1, 0), Vector2(0, 1), Vector2(-1, 0), Vector2(0, -1)};
    auto randomShape = [&](std::uint8_t kind, bool onGrid) {
        auto length = [&] { return onGrid ? sizeInEighths(random) / 8.0 : size(random); };
        auto position = [&] { return onGrid ? eighths(random) / 8.0 : place(random); };
        Shape shape{kind, Vector2(position(), position()), Vector2(length(), length())};
        shape.radius = kind == BK_CIRCLE ? length() : 0;
        const double angle = kind == BK_ORIENTED_BOX && !onGrid ? turn(random) : 0;
        shape.facing = kind == BK_ORIENTED_BOX && onGrid ? quarterTurns[quarter(random)]
                                                       : Vector2(std::cos(angle), std::sin(angle));
        return shape;
    };
    for (std::uint8_t first = 0; first < 3; ++first)
    {
        for (std::uint8_t second = first; second < 3; ++second)
        {
            int meeting = 0, apart = 0, touching = 0;
            for (int trial = 0; trial < 4000; ++trial)
            {
                const bool onGrid = trial % 4 == 0;
                const Shape a = randomShape(first, onGrid);
                Shape b = randomShape(second, onGrid);
                if (onGrid)
                {
                    const Vector2 side = quarterTurns[quarter(random)];
                    const double offset = trial % 8 == 0 ? 0 : eighths(random) / 8.0;
                    b.center = a.center + side * (a.extent(side) + b.extent(side) + gap(random) / 8.0) +
                               Vector2(-side.y, side.x) * offset;
                }
                const auto boundA = a.bound(), boundB = b.bound();
                const bool answer = intersects(*boundA, *boundB);
                ASSERT_EQ(answer, intersects(*boundB, *boundA)) << int(first) << "/" << int(second);
                const double depth = overlapDepth(a, b);
                ASSERT_EQ(answer, depth > 0) << "kinds " << int(first) << "/" << int(second) << ", trial "
                                             << trial << ", depth " << depth;
                (answer ? meeting : depth == 0 ? touching : apart)++;
            }
            EXPECT_GT(meeting, 800) << int(first) << "/" << int(second);
            EXPECT_GT(apart, 800) << int(first) << "/" << int(second);
            EXPECT_GT(touching, 100) << int(first) << "/" << int(second);
        }
    }
}

TEST(BoundTransform, EachKindFollowsTheNodesWorldTransform)
{
    // The child's world: position (10, 2), a quarter turn, scale (2, 2).
    auto parent = SceneNode::createNew(Vector2(10, 0), Complex::ROT_90, Scale(2, 2));
    auto child = SceneNode::createNew(Vector2(1, 0));
    parent->addChild(child);

    // Centre (2, 1.5): scaled (4, 3), turned (-3, 4), moved (7, 6); the box is not turned.
    Box box(Vector2(1, 1), Vector2(3, 2));
    transform(&box, child);
    expectNear(box.getMin(), Vector2(5, 5));
    expectNear(box.getMax(), Vector2(9, 7));
    // The matrix form holds the turned box. Scale (2, 3), then a quarter turn, then
    // a move by (10, 0): centre (1, 0.5) goes to (8.5, 2), half size (1, 0.5) to (1.5, 2).
    auto stretch = SceneNode::createNew(Vector2(10, 0), Complex::ROT_90, Scale(2, 3));
    Box turned(Vector2(0, 0), Vector2(2, 1));
    turned.transformByMatrix(stretch->getTransformMatrix());
    EXPECT_EQ(turned, Box(Vector2(7, 0), Vector2(10, 4)));
    Box null = withExtent(Box(Vector2(1, 1), Vector2(3, 2)), Box::EX_NULL);
    null.transformByMatrix(stretch->getTransformMatrix());
    transform(&null, child);
    EXPECT_EQ(null.getMax(), Vector2(3, 2));

    Circle circle(Vector2(1, 0), 1);
    circle.transform(*child);
    EXPECT_EQ(circle.getRadius(), 2.0);
    expectNear(circle.getCenter(), Vector2(10, 4));

    OrientedBox oriented(Vector2(1, 1), Vector2(3, 2), Complex::ROT_45);
    std::array<Vector2, 4> images = oriented.getCorners();
    const Matrix3& m = child->getTransformMatrix();
    for (Vector2& c : images)
        c = Vector2(m.m[0][0] * c.x + m.m[1][0] * c.y + m.m[2][0], m.m[0][1] * c.x + m.m[1][1] * c.y + m.m[2][1]);
    oriented.transform(*child);
    expectSameCorners(oriented.getCorners(), images);
}

TEST(BoundTransform, MirroringKeepsSizesPositiveAndMirrorsTurnedBoxes)
{
    auto mirror = SceneNode::createNew(Vector2(1, 0), Complex::IDENTITY, Scale(-2, 1));
    Box box(Vector2(0, 0), Vector2(2, 2));
    box.transform(*mirror);
    EXPECT_EQ(box, Box(Vector2(-3, 0), Vector2(1, 2)));
    Circle circle(Vector2(1, 1), 2);
    circle.transform(*mirror);
    EXPECT_EQ(circle, Circle(Vector2(-1, 1), 3));

    // Through a node and by a direct scale, which mirrors about the box's own centre.
    auto flip = SceneNode::createNew(Vector2(1, 0), Complex::IDENTITY, Scale(-1, 1));
    OrientedBox viaNode(Vector2(1, 1), Vector2(5, 3), Complex(0.6, 0.8)), direct = viaNode;
    std::array<Vector2, 4> reflected = viaNode.getCorners(), aboutCentre = reflected;
    for (std::size_t k = 0; k < 4; ++k)
    {
        reflected[k].x = 1 - reflected[k].x;
        aboutCentre[k].x = 6 - aboutCentre[k].x;
    }
    viaNode.transform(*flip);
    expectSameCorners(viaNode.getCorners(), reflected);
    direct.scale(Scale(-1, 1));
    expectSameCorners(direct.getCorners(), aboutCentre);
    EXPECT_EQ(direct.getDimensions(), Box(Vector2(1, 1), Vector2(5, 3)));
}
