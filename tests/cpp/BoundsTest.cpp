#include "core/ParameterList.h"
#include "core/math/AxisAlignedBox.h"
#include "core/math/Circle.h"
#include "core/math/Intersection.h"
#include "core/math/Matrix3.h"
#include "core/math/OrientedBox.h"
#include "core/math/Scale.h"
#include "scene/SceneNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>

using namespace Tarnu;

namespace
{

using Box = AxisAlignedBox;

Box infiniteBox()
{
    Box box;
    box.setExtent(Box::EX_INFINITE);
    return box;
}

ParameterList params(std::initializer_list<std::pair<std::string, std::string>> entries)
{
    ParameterList list;
    for (const auto& [name, value] : entries)
        list.add(name, value);
    return list;
}

std::string errorOf(auto&& action)
{
    try
    {
        action();
    }
    catch (const std::runtime_error& error)
    {
        return error.what();
    }
    return "no error";
}

void expectNear(const Vector2& actual, const Vector2& expected, double tolerance = 1e-12)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

void expectBoxNear(const Box& actual, const Vector2& min, const Vector2& max)
{
    expectNear(actual.getMin(), min);
    expectNear(actual.getMax(), max);
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
class StrangeBound : public Circle
{
public:
    std::uint8_t getBoundType() const override { return 7; }
};

}

TEST(BoundAxisAlignedBox, CornersEqualityAndExtent)
{
    const Box fromPoints(Vector2(3, -1), Vector2(0, 2), Vector2(1, 5), Vector2(-2, 0));
    EXPECT_EQ(fromPoints, Box(Vector2(-2, -1), Vector2(3, 5)));
    const std::array<Vector2, 4> corners{Vector2(-2, -1), Vector2(-2, 5), Vector2(3, 5), Vector2(3, -1)};
    EXPECT_EQ(fromPoints.getCorners(), corners);
    EXPECT_EQ(Box().getExtent(), Box::EX_NULL);

    Box inverted(Vector2(3, -1), Vector2(1, 2));
    inverted.validate();
    EXPECT_EQ(inverted, Box(Vector2(1, -1), Vector2(3, 2)));

    Box infinite = infiniteBox();
    infinite.setCorners(Vector2(1, -1), Vector2(3, 2));
    infinite.setMin(Vector2(1, -1));
    EXPECT_FALSE(infinite == inverted);
    EXPECT_EQ(infinite.getExtent(), Box::EX_INFINITE);
}

TEST(BoundAxisAlignedBox, MergeAndSweepDependOnTheReceiversExtent)
{
    const Box finite(Vector2(0, 0), Vector2(1, 1));
    Box null;
    null.merge(finite);
    EXPECT_EQ(null, finite);

    Box grown = finite;
    Box elsewhere(Vector2(4, -2), Vector2(5, 0));
    elsewhere.setExtent(Box::EX_NULL);
    grown.merge(elsewhere);
    EXPECT_EQ(grown, Box(Vector2(0, -2), Vector2(5, 1)));

    Box infinite = infiniteBox();
    infinite.merge(finite);
    EXPECT_EQ(infinite, infiniteBox());

    Box pointHolder;
    pointHolder.merge(Vector2(3, -4));
    EXPECT_EQ(pointHolder.getMax(), Vector2(3, 0));
    EXPECT_EQ(pointHolder.getExtent(), Box::EX_NULL);

    EXPECT_EQ(finite.getSweep(Vector2(5, 0)), Box(Vector2(0, 0), Vector2(6, 1)));
    EXPECT_EQ(Circle(Vector2(0, 0), 1).getSweep(Vector2(0, -4)), Box(Vector2(-1, -5), Vector2(1, 1)));
}

TEST(BoundAxisAlignedBox, ScaleIsAboutTheCentreForFiniteBoxesAndKeepsTheSizePositive)
{
    Box box(Vector2(0, 0), Vector2(2, 2));
    box.scale(Scale(2, 2));
    EXPECT_EQ(box, Box(Vector2(-1, -1), Vector2(3, 3)));

    Box mirrored(Vector2(0, 0), Vector2(2, 2));
    mirrored.scale(Scale(-2, 1));
    EXPECT_EQ(mirrored, Box(Vector2(-1, 0), Vector2(3, 2)));

    for (Box::Extent extent : {Box::EX_NULL, Box::EX_INFINITE})
    {
        Box unscaled(Vector2(0, 0), Vector2(2, 2));
        unscaled.setExtent(extent);
        unscaled.scale(Scale(3, 3));
        EXPECT_EQ(unscaled.getMax(), Vector2(2, 2));
    }
}

TEST(BoundAxisAlignedBox, TransformByMatrixHoldsTheTurnedBox)
{
    // A quarter turn with scale (2, 3) and offset (10, 0), scale applied first.
    Matrix3 matrix;
    matrix.m[0][0] = 0;
    matrix.m[0][1] = 2;
    matrix.m[1][0] = -3;
    matrix.m[1][1] = 0;
    matrix.m[2][0] = 10;
    matrix.m[2][1] = 0;
    Box box(Vector2(0, 0), Vector2(2, 1));
    box.transformByMatrix(matrix);
    // Centre (1, 0.5) goes to (10 - 1.5, 2); half size (1, 0.5) to (1.5, 2).
    EXPECT_EQ(box, Box(Vector2(7, 0), Vector2(10, 4)));

    Box null(Vector2(0, 0), Vector2(2, 1));
    null.setExtent(Box::EX_NULL);
    null.transformByMatrix(matrix);
    EXPECT_EQ(null.getMax(), Vector2(2, 1));
}

TEST(BoundAxisAlignedBox, TextFormCarriesTheCornersOnly)
{
    EXPECT_EQ(Box(Vector2(0, 0), Vector2(1, 2)).toString(), "<0,0>,<1,2>");

    const ParameterList list = params({{"b", "<-1.5,2>,<3,4e1> trailing"}, {"bad", "<0,0>,<1,x>"}});
    Box box;
    EXPECT_EQ(list.get("b", box), ParameterList::SUCCESS);
    EXPECT_EQ(box.getMin(), Vector2(-1.5, 2));
    EXPECT_EQ(box.getMax(), Vector2(3, 40));
    EXPECT_EQ(box.getExtent(), Box::EX_NULL);
    EXPECT_EQ(list.get("bad", box), ParameterList::INVALID_TYPE);
    EXPECT_EQ(box.getMax(), Vector2(3, 40));
    EXPECT_EQ(errorOf([&] { list.getThrowOnFail("bad", box, ""); }),
              "Unable to convert parameter 'bad' to class Tarnu::AxisAlignedBox");
}

TEST(BoundAxisAlignedBox, SetFromAndCreateNewReadCentreFormCornersAndExtentWords)
{
    Box box;
    box.setFrom(params({{"center", "<10,10>"}, {"dim", "<4,2>"}, {"min", "<0,0>"}}));
    EXPECT_EQ(box, Box(Vector2(8, 9), Vector2(12, 11)));
    box.setFrom(params({{"extent", "infinite"}}));
    EXPECT_EQ(box.getExtent(), Box::EX_INFINITE);

    Box partial(Vector2(1, 1), Vector2(2, 2));
    partial.setExtent(Box::EX_NULL);
    partial.setFrom(params({{"max", "<5,6>"}, {"min", "unreadable"}}));
    EXPECT_EQ(partial, Box(Vector2(1, 1), Vector2(5, 6)));

    Box untouched;
    untouched.setFrom(params({{"dim", "<4,2>"}, {"extent", "Finite"}}));
    EXPECT_EQ(untouched, Box());

    Box zeroed(Vector2(1, 1), Vector2(2, 2));
    zeroed.setFrom(params({{"center", "junk"}, {"dim", "<2,2>"}}));
    EXPECT_EQ(zeroed, Box(Vector2(-1, -1), Vector2(1, 1)));

    auto made = infiniteBox().createNew(params({{"center", "<1,1>"}, {"dim", "<2,4>"}, {"extent", "null"}}));
    EXPECT_EQ(static_cast<Box&>(*made), Box(Vector2(0, -1), Vector2(2, 3)));
    made = Box().createNew(params({{"max", "<3,4>"}, {"center", "<9,9>"}}));
    EXPECT_EQ(static_cast<Box&>(*made), Box(Vector2(0, 0), Vector2(3, 4)));
}

TEST(BoundCircle, ScaleTakesTheMeanSizeAndSetFromKeepsUnreadableFields)
{
    Circle circle(Vector2(1, 2), 2);
    circle.scale(Scale(1, 3));
    EXPECT_EQ(circle.getRadius(), 4.0);
    circle.scale(Scale(-1, -1));
    EXPECT_EQ(circle.getAxisAlignedBox(), Box(Vector2(-3, -2), Vector2(5, 6)));

    circle.setFrom(params({{"radius", "wide"}, {"center", "<5,5>"}}));
    EXPECT_EQ(circle, Circle(Vector2(5, 5), 4));
    EXPECT_EQ(static_cast<Circle&>(*circle.createNew(params({{"radius", "3"}}))), Circle(Vector2(0, 0), 3));
}

TEST(BoundSetEqual, CopiesOnlyFromTheSameKind)
{
    Circle circle(Vector2(1, 1), 1);
    circle.setEqual(Box(Vector2(0, 0), Vector2(5, 5)));
    EXPECT_EQ(circle, Circle(Vector2(1, 1), 1));

    Box box(Vector2(0, 0), Vector2(1, 1));
    box.setEqual(OrientedBox(Vector2(2, 2), Vector2(3, 3)));
    EXPECT_EQ(box, Box(Vector2(0, 0), Vector2(1, 1)));
    box.setEqual(infiniteBox());
    EXPECT_EQ(box, infiniteBox());

    OrientedBox oriented(Vector2(-1, -1), Vector2(1, 1), Complex::ROT_45);
    OrientedBox target;
    target.setEqual(oriented);
    EXPECT_EQ(target, oriented);
    EXPECT_EQ(target.getAxisAlignedBox(), oriented.getAxisAlignedBox());
}

TEST(BoundOrientedBox, TurnedCornersAndTheirBox)
{
    OrientedBox box(Vector2(-1, -1), Vector2(1, 1));
    box.rotate(Complex(0, 1));
    const std::array<Vector2, 4> turned{Vector2(1, -1), Vector2(-1, -1), Vector2(-1, 1), Vector2(1, 1)};
    for (std::size_t k = 0; k < 4; ++k)
        expectNear(box.getCorners()[k], turned[k]);
    expectBoxNear(box.getAxisAlignedBox(), Vector2(-1, -1), Vector2(1, 1));
}

TEST(BoundOrientedBox, CachesFollowEveryChange)
{
    OrientedBox box(Vector2(0, 0), Vector2(2, 2), Complex::ROT_90);
    box.getAxisAlignedBox();
    box.translate(Vector2(5, 0));
    expectBoxNear(box.getAxisAlignedBox(), Vector2(5, 0), Vector2(7, 2));
    box.translate(Vector2(0, 1));
    expectNear(box.getCorners()[0], Vector2(7, 1));

    box.setDimensions(Box(Vector2(0, 0), Vector2(4, 2)));
    expectBoxNear(box.getAxisAlignedBox(), Vector2(1, -1), Vector2(3, 3));
    box.realign();
    expectBoxNear(box.getAxisAlignedBox(), Vector2(0, 0), Vector2(4, 2));
    box.scale(Scale(0.5, 2));
    expectBoxNear(box.getAxisAlignedBox(), Vector2(1, -1), Vector2(3, 3));
    box.setFrom(params({{"min", "<0,0>"}, {"max", "<1,1>"}, {"ori", "1.5707963267948966"}}));
    expectBoxNear(box.getAxisAlignedBox(), Vector2(0, 0), Vector2(1, 1));
    expectNear(box.getCorners()[0], Vector2(1, 0));
}

TEST(BoundOrientedBox, OrientationsStayUnitLength)
{
    OrientedBox box(Vector2(0, 0), Vector2(1, 1), Complex(0, 3));
    EXPECT_EQ(box.getOrientation(), Complex(0, 1));
    box.setOrientation(Complex(0, 0));
    EXPECT_EQ(box.getOrientation(), Complex::IDENTITY);
    box.rotate(Complex(0, 2));
    EXPECT_EQ(box.getOrientation(), Complex(0, 1));

    box.setFrom(params({{"ori", "(0,0)"}}));
    EXPECT_EQ(box.getOrientation(), Complex::IDENTITY);
    box.setFrom(params({{"ori", "(3,4)"}}));
    EXPECT_EQ(box.getOrientation(), Complex(0.6, 0.8));
    box.setFrom(params({}));
    EXPECT_EQ(box.getOrientation(), Complex::IDENTITY);
}

TEST(BoundOrientedBox, CreateNewReadsABoxOrTheBoxKeys)
{
    const OrientedBox prototype;
    auto fromText = prototype.createNew(params({{"box", "<0,0>,<2,2>"}, {"ori", "(0,5)"}}));
    const auto& boxed = static_cast<OrientedBox&>(*fromText);
    EXPECT_EQ(boxed.getDimensions(), Box(Vector2(0, 0), Vector2(2, 2)));
    EXPECT_EQ(boxed.getOrientation(), Complex(0, 1));
    EXPECT_TRUE(intersects(boxed, Box(Vector2(1, 1), Vector2(3, 3))));

    auto unreadable = prototype.createNew(params({{"box", "two by two"}, {"center", "<1,1>"}, {"dim", "<2,2>"}}));
    EXPECT_EQ(static_cast<OrientedBox&>(*unreadable).getDimensions().getExtent(), Box::EX_NULL);

    auto fromKeys = prototype.createNew(params({{"center", "<1,1>"}, {"dim", "<2,2>"}}));
    EXPECT_EQ(static_cast<OrientedBox&>(*fromKeys), OrientedBox(Vector2(0, 0), Vector2(2, 2)));
    auto withoutKeys = prototype.createNew(params({}));
    EXPECT_EQ(static_cast<OrientedBox&>(*withoutKeys), OrientedBox());
}

TEST(BoundOrientedBox, MirroringScaleMirrorsTheTurnedShape)
{
    OrientedBox box(Vector2(1, 1), Vector2(5, 3), Complex(0.6, 0.8));
    const Vector2 center = box.getCenter();
    std::array<Vector2, 4> mirrored = box.getCorners();
    for (Vector2& corner : mirrored)
        corner.x = 2 * center.x - corner.x;
    box.scale(Scale(-1, 1));
    expectSameCorners(box.getCorners(), mirrored);
    EXPECT_EQ(box.getDimensions(), Box(Vector2(1, 1), Vector2(5, 3)));
}

TEST(BoundFactory, CreatesEmptyBoundsByExactName)
{
    for (const char* name : {"AxisAlignedBox", "AABB"})
    {
        auto bound = createBoundByName(name);
        ASSERT_TRUE(bound);
        EXPECT_EQ(static_cast<Box&>(*bound), Box());
        EXPECT_FALSE(intersects(*bound, Box(Vector2(-1, -1), Vector2(1, 1))));
        EXPECT_TRUE(intersects(*bound, infiniteBox()));
    }
    for (const char* name : {"OrientedBox", "OBB"})
        EXPECT_EQ(static_cast<OrientedBox&>(*createBoundByName(name)), OrientedBox());
    EXPECT_EQ(static_cast<Circle&>(*createBoundByName("Circle")), Circle());
    EXPECT_FALSE(createBoundByName("aabb"));
    EXPECT_FALSE(createBoundByName(""));
}

TEST(IntersectPairs, TouchingShapesDoNotMeet)
{
    const Box unit(Vector2(0, 0), Vector2(1, 1));
    EXPECT_FALSE(intersects(unit, Box(Vector2(1, 0), Vector2(2, 1))));
    EXPECT_TRUE(intersects(unit, Box(Vector2(0.5, 0.5), Vector2(2, 2))));

    EXPECT_FALSE(intersects(Circle(Vector2(0, 0), 1), Circle(Vector2(3, 0), 2)));
    EXPECT_TRUE(intersects(Circle(Vector2(0, 0), 1), Circle(Vector2(3, 0), 2.5)));

    EXPECT_TRUE(intersects(Circle(Vector2(1.9, 0.5), 1), unit));
    EXPECT_FALSE(intersects(Circle(Vector2(2, 0.5), 1), unit));
    EXPECT_FALSE(intersects(unit, Circle(Vector2(0.5, -1), 1)));
    EXPECT_FALSE(intersects(Circle(Vector2(3, 3), 1), Box(Vector2(0, 0), Vector2(2, 2))));

    const OrientedBox upright(Vector2(0, 0), Vector2(1, 1));
    EXPECT_FALSE(intersects(upright, Box(Vector2(1, 0), Vector2(2, 1))));
    EXPECT_FALSE(intersects(upright, OrientedBox(Vector2(0, 1), Vector2(1, 2))));
    EXPECT_FALSE(intersects(Circle(Vector2(0.5, 2), 1), upright));
}

TEST(IntersectPairs, ExtentsDecideBoxAgainstBox)
{
    Box null(Vector2(0, 0), Vector2(1, 1));
    null.setExtent(Box::EX_NULL);
    EXPECT_TRUE(intersects(infiniteBox(), null));
    EXPECT_FALSE(intersects(null, null));
    EXPECT_TRUE(intersects(Box(Vector2(50, 50), Vector2(51, 51)), infiniteBox()));
    // Circles look at the corners only.
    EXPECT_TRUE(intersects(Circle(Vector2(0.5, 0.5), 0.1), null));
}

TEST(IntersectPairs, OrientedBoxesUseTheirOwnAxes)
{
    const OrientedBox diamond(Vector2(-1, -1), Vector2(1, 1), Complex::ROT_45);
    EXPECT_TRUE(intersects(diamond, Box(Vector2(1.2, -0.1), Vector2(2, 0.1))));
    EXPECT_FALSE(intersects(diamond, Box(Vector2(1.2, 1.0), Vector2(2, 2))));
    EXPECT_FALSE(intersects(Box(Vector2(1.2, 1.0), Vector2(2, 2)), diamond));
    EXPECT_FALSE(intersects(diamond, Circle(Vector2(1.2, 1.2), 0.3)));
    EXPECT_TRUE(intersects(Circle(Vector2(1.2, 0), 0.3), diamond));

    const OrientedBox other(Vector2(1.3, 1.3), Vector2(2.3, 2.3), Complex::ROT_45);
    EXPECT_FALSE(intersects(diamond, other));
    EXPECT_TRUE(intersects(diamond, OrientedBox(Vector2(0.5, 0.5), Vector2(1.5, 1.5), Complex::ROT_45)));
}

TEST(IntersectPairs, UnknownKindRaises)
{
    const StrangeBound strange;
    const std::string message = "Unknown Bound Type in collision intersect test.";
    EXPECT_EQ(errorOf([&] { intersects(strange, Circle()); }), message);
    EXPECT_EQ(errorOf([&] { intersects(Box(), strange); }), message);
}

namespace
{

// An independent description of each random shape: centre, half size and
// angle, or centre and radius, with its own geometry written from scratch.
struct Shape
{
    std::uint8_t kind;
    Vector2 center;
    Vector2 half;
    double angle = 0;
    double radius = 0;

    std::unique_ptr<Bound> bound() const
    {
        switch (kind)
        {
        case BK_AXIS_ALIGNED_BOX:
            return std::make_unique<Box>(center - half, center + half);
        case BK_CIRCLE:
            return std::make_unique<Circle>(center, radius);
        default:
            return std::make_unique<OrientedBox>(center - half, center + half, Complex(angle));
        }
    }

    std::array<Vector2, 2> axes() const
    {
        return {Vector2(std::cos(angle), std::sin(angle)), Vector2(-std::sin(angle), std::cos(angle))};
    }

    std::array<Vector2, 4> corners() const
    {
        const auto [u, v] = axes();
        return {center + u * half.x + v * half.y, center + u * half.x - v * half.y,
                center - u * half.x - v * half.y, center - u * half.x + v * half.y};
    }

    double distanceFrom(const Vector2& point) const
    {
        const auto [u, v] = axes();
        const Vector2 d = point - center;
        const double outX = std::max(std::abs(d.dot(u)) - half.x, 0.0);
        const double outY = std::max(std::abs(d.dot(v)) - half.y, 0.0);
        return std::hypot(outX, outY);
    }
};

// Positive when the shapes overlap, negative when apart, near zero when touching.
double overlapDepth(const Shape& a, const Shape& b)
{
    if (a.kind == BK_CIRCLE && b.kind == BK_CIRCLE)
        return a.radius + b.radius - a.center.distance(b.center);
    if (a.kind == BK_CIRCLE)
        return a.radius - b.distanceFrom(a.center);
    if (b.kind == BK_CIRCLE)
        return b.radius - a.distanceFrom(b.center);
    double depth = INFINITY;
    for (const Shape* owner : {&a, &b})
    {
        for (const Vector2& axis : owner->axes())
        {
            double lowA = INFINITY, highA = -INFINITY, lowB = INFINITY, highB = -INFINITY;
            for (const Vector2& corner : a.corners())
            {
                lowA = std::min(lowA, corner.dot(axis));
                highA = std::max(highA, corner.dot(axis));
            }
            for (const Vector2& corner : b.corners())
            {
                lowB = std::min(lowB, corner.dot(axis));
                highB = std::max(highB, corner.dot(axis));
            }
            depth = std::min(depth, std::min(highA, highB) - std::max(lowA, lowB));
        }
    }
    return depth;
}

Shape randomShape(std::uint8_t kind, std::mt19937& random)
{
    std::uniform_real_distribution<double> place(-4, 4);
    std::uniform_real_distribution<double> size(0.05, 3);
    std::uniform_real_distribution<double> turn(-std::numbers::pi, std::numbers::pi);
    Shape shape{kind, Vector2(place(random), place(random)), Vector2(size(random), size(random))};
    if (kind == BK_CIRCLE)
        shape.radius = size(random);
    if (kind == BK_ORIENTED_BOX)
        shape.angle = turn(random);
    return shape;
}

}

TEST(IntersectProperty, EveryPairOfKindsAgreesWithAnIndependentGeometry)
{
    std::mt19937 random(20240611);
    const double touching = 1e-9;
    for (std::uint8_t first = 0; first < 3; ++first)
    {
        for (std::uint8_t second = first; second < 3; ++second)
        {
            int meeting = 0;
            int apart = 0;
            for (int trial = 0; trial < 4000; ++trial)
            {
                const Shape a = randomShape(first, random);
                const Shape b = randomShape(second, random);
                const auto boundA = a.bound();
                const auto boundB = b.bound();
                const bool answer = intersects(*boundA, *boundB);
                ASSERT_EQ(answer, intersects(*boundB, *boundA)) << int(first) << "/" << int(second);
                const double depth = overlapDepth(a, b);
                if (std::abs(depth) < touching)
                    continue;
                ASSERT_EQ(answer, depth > 0) << "kinds " << int(first) << "/" << int(second) << ", trial "
                                             << trial << ", depth " << depth;
                (answer ? meeting : apart)++;
            }
            EXPECT_GT(meeting, 800) << int(first) << "/" << int(second);
            EXPECT_GT(apart, 800) << int(first) << "/" << int(second);
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
    expectBoxNear(box, Vector2(5, 5), Vector2(9, 7));

    Circle circle(Vector2(1, 0), 1);
    circle.transform(*child);
    expectNear(circle.getCenter(), Vector2(10, 4));
    EXPECT_EQ(circle.getRadius(), 2.0);

    OrientedBox oriented(Vector2(1, 1), Vector2(3, 2), Complex::ROT_45);
    std::array<Vector2, 4> images = oriented.getCorners();
    const Matrix3& matrix = child->getTransformMatrix();
    for (Vector2& corner : images)
        corner = Vector2(matrix.m[0][0] * corner.x + matrix.m[1][0] * corner.y + matrix.m[2][0],
                         matrix.m[0][1] * corner.x + matrix.m[1][1] * corner.y + matrix.m[2][1]);
    oriented.transform(*child);
    expectSameCorners(oriented.getCorners(), images);

    parent->setPosition(Vector2(0, 0));
    Circle moved(Vector2(1, 0), 1);
    moved.transform(*child);
    expectNear(moved.getCenter(), Vector2(0, 4));
}

TEST(BoundTransform, MirroringNodeKeepsSizesPositiveAndMirrorsTurnedBoxes)
{
    auto mirror = SceneNode::createNew(Vector2(1, 0), Complex::IDENTITY, Scale(-2, 1));
    Box box(Vector2(0, 0), Vector2(2, 2));
    box.transform(*mirror);
    EXPECT_EQ(box, Box(Vector2(-3, 0), Vector2(1, 2)));

    Circle circle(Vector2(1, 1), 2);
    circle.transform(*mirror);
    EXPECT_EQ(circle, Circle(Vector2(-1, 1), 3));

    auto flip = SceneNode::createNew(Vector2(1, 0), Complex::IDENTITY, Scale(-1, 1));
    OrientedBox oriented(Vector2(1, 1), Vector2(5, 3), Complex(0.6, 0.8));
    std::array<Vector2, 4> reflected = oriented.getCorners();
    for (Vector2& corner : reflected)
        corner.x = 1 - corner.x;
    oriented.transform(*flip);
    expectSameCorners(oriented.getCorners(), reflected);
}

TEST(BoundTransform, IdentityNodeChangesNothingAndNullArgumentsRaise)
{
    auto still = SceneNode::createNew();
    OrientedBox untouched(Vector2(1, 1), Vector2(3, 2), Complex::ROT_45);
    transform(&untouched, still);
    EXPECT_EQ(untouched, OrientedBox(Vector2(1, 1), Vector2(3, 2), Complex::ROT_45));

    const std::string message = "bound or node was null when trying to transform,";
    EXPECT_EQ(errorOf([&] { transform(&untouched, nullptr); }), message);
    EXPECT_EQ(errorOf([&] { transform(nullptr, still); }), message);
}
