#include "core/math/Complex.h"
#include "core/math/Matrix3.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"
#include "core/math/Vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <sstream>
#include <string>

using namespace Tarnu;

namespace
{

const double NaN = std::numeric_limits<double>::quiet_NaN();

// Success as the parameter list judges it: the stream is not left failed.
template <class T>
bool readInto(const std::string& text, T& target)
{
    std::istringstream in(text);
    in >> target;
    return !in.fail();
}

}

TEST(MathComparison, NegativeZeroEqualsZeroAndNaNEqualsNothing)
{
    EXPECT_TRUE(Vector2::ZERO == Vector2(-0.0, 0.0));
    const Vector2 v(NaN, 1.0);
    EXPECT_FALSE(v == v);
    EXPECT_TRUE(v != v);
    EXPECT_TRUE(Vector3(1, 2, NaN) != Vector3(1, 2, NaN));
    EXPECT_TRUE(Complex(NaN, 0) != Complex(NaN, 0));
    EXPECT_TRUE(Scale(1, NaN) != Scale(1, NaN));

    Matrix3 m;
    EXPECT_EQ(m.m[0][0] + m.m[1][1] + m.m[2][2], 3.0);
    EXPECT_EQ(m, Matrix3());
    m.m[2][1] = NaN;
    EXPECT_FALSE(m == m);
}

TEST(MathVector2, ArithmeticAndMeasures)
{
    Vector2 a(1, 2);
    EXPECT_EQ(a - Vector2(3, 5), Vector2(-2, -3));
    EXPECT_EQ(2.0 * a / 4.0, Vector2(0.5, 1));
    EXPECT_EQ(&(a += Vector2(2, 2)), &a);
    EXPECT_EQ(a, Vector2(3, 4));
    EXPECT_EQ(a.magnitude(), 5.0);
    EXPECT_EQ(a.squaredDistance(Vector2(0, 8)), 25.0);
    EXPECT_EQ(a.midpoint(Vector2(-1, 1)), Vector2(1, 2.5));
    EXPECT_EQ(a.unit(), Vector2(0.6, 0.8));
    EXPECT_EQ(&a.normalize(), &a);
    EXPECT_EQ(a, Vector2(0.6, 0.8));
    EXPECT_TRUE(std::isnan(Vector2::ZERO.unit().x));
}

TEST(MathVector2, MinimumMaximumAndClamp)
{
    EXPECT_EQ(Vector2(1, 5).minimum(Vector2(1, 3)), Vector2(1, 3));
    EXPECT_EQ(Vector2(1, 5).maximum(Vector2(4, 3)), Vector2(4, 5));
    // Ties take the other vector's component; only the sign of zero shows it.
    EXPECT_TRUE(std::signbit(Vector2(0.0, 0.0).minimum(Vector2(-0.0, 0.0)).x));
    EXPECT_TRUE(std::signbit(Vector2(0.0, 0.0).maximum(Vector2(-0.0, 0.0)).x));

    Vector2 low(0, 10);
    EXPECT_EQ(&low.clampMin(Vector2(2, 2)), &low);
    EXPECT_EQ(low, Vector2(2, 10));
    Vector2 high(0, 10);
    EXPECT_EQ(&high.clampMax(Vector2(2, 2)), &high);
    EXPECT_EQ(high, Vector2(0, 2));
}

TEST(MathVector2, RotationAndScaleProducts)
{
    EXPECT_EQ(Vector2(1, 0) * Complex::ROT_90, Vector2(0, 1));
    EXPECT_EQ(Complex::ROT_90 * Vector2(1, 0), Vector2(0, 1));
    EXPECT_EQ(Vector2(2, 3) * Complex(0.5, 2), Vector2(2 * 0.5 - 3 * 2, 2 * 2 + 3 * 0.5));
    Vector2 v(1, 2);
    EXPECT_EQ(&(v *= Complex::ROT_180), &v);
    EXPECT_EQ(v, Vector2(-1, -2));
    EXPECT_EQ(Scale(2, 10) * Vector2(2, 3), Vector2(4, 30));
    v *= Scale(2, -0.5);
    EXPECT_EQ(v, Vector2(-2, 1));
}

TEST(MathVector3, ComponentWiseOperations)
{
    Vector3 a(1, 2, 3);
    a -= Vector3(1, 1, 1);
    EXPECT_EQ(a, Vector3(0, 1, 2));
    EXPECT_EQ(Vector3(0, 0, 5).maximum(Vector3(0, 9, 1)), Vector3(0, 9, 5));
    EXPECT_EQ(Vector3(0, 0, 5).minimum(Vector3(0, 9, 1)), Vector3(0, 0, 1));
    Vector3 c(0, 10, 5);
    c.clampMin(Vector3(2, 2, 6)).clampMax(Vector3(3, 3, 3));
    EXPECT_EQ(c, Vector3(2, 3, 3));
    EXPECT_EQ(Vector3(2, 3, 6).distance(Vector3(2, 3, 0)), 6.0);
    EXPECT_EQ(Vector3(2, 3, 6).magnitude(), 7.0);
    EXPECT_EQ(Vector3(Vector2(0, 0), -4).unit(), Vector3::NEGATIVE_UNIT_Z);
}

TEST(MathComplex, ProductUsesThreeMultiplications)
{
    EXPECT_EQ(Complex(1, 2) * Complex(3, 4), Complex(-5, 10));
    EXPECT_EQ(Complex(1, 2) - Complex(3, 4), Complex(-2, -2));

    // Operands for which the textbook form rounds differently.
    const double expected = (0.1 + 0.2) * (0.3 + 0.7) - 0.1 * 0.3 - 0.2 * 0.7;
    ASSERT_NE(expected, 0.1 * 0.7 + 0.2 * 0.3);
    Complex c(0.1, 0.2);
    EXPECT_EQ(&(c *= Complex(0.3, 0.7)), &c);
    EXPECT_EQ(c, Complex(0.1 * 0.3 - 0.2 * 0.7, expected));
}

TEST(MathComplex, AnglesDirectionsAndUnitLength)
{
    EXPECT_EQ(Complex(-1, 0).getAngle(), std::numbers::pi);
    EXPECT_EQ(Complex(0, -1).getAngle(), -std::numbers::pi / 2);
    Complex c(5, 5);
    c.setAngle(std::numbers::pi / 3);
    EXPECT_EQ(c, Complex(std::numbers::pi / 3));
    EXPECT_EQ(c, Complex(std::cos(std::numbers::pi / 3), std::sin(std::numbers::pi / 3)));

    EXPECT_EQ(Complex(Vector2(0, 2)), Complex::ROT_90);
    EXPECT_EQ(Complex(Vector2(-3, 4)), Complex(-0.6, 0.8));
    EXPECT_EQ(Complex(3, 4).unit(), Complex(0.6, 0.8));
    EXPECT_EQ(Complex(3, 4).conjugate(), Complex(3, -4));
    EXPECT_EQ(Complex::ROT_45, Complex(1.0 / std::sqrt(2.0), 1.0 / std::sqrt(2.0)));
}

TEST(MathScale, ComponentWiseProductsAndQuotients)
{
    EXPECT_EQ(Scale(3.0), Scale(3, 3));
    EXPECT_EQ(Scale(8, 15) / Scale(4, 5), Scale(2, 3));
    EXPECT_EQ(2.0 * Scale(2, 3) / 4.0, Scale(1, 1.5));
    Scale s(2, 3);
    EXPECT_EQ(&(s *= Scale(2, 2)), &s);
    s /= 4.0;
    EXPECT_EQ(s, Scale(1, 1.5));
    EXPECT_EQ((Scale(1, 1) / Scale::ZERO).x, std::numeric_limits<double>::infinity());
}

TEST(MathText, WritersUseTheirBracketsAndSixDigits)
{
    EXPECT_EQ(Vector2(1, 2.5).toString(), "<1,2.5>");
    EXPECT_EQ(Vector3(-1, 0, 1.0 / 3.0).toString(), "(-1,0,0.333333)");
    EXPECT_EQ(Complex::IDENTITY.toString(), "(1,0)");
    EXPECT_EQ(Scale(1234567, 1e-7).toString(), "(1.23457e+06,1e-07)");
}

TEST(MathText, Vector2AndVector3ReadersAcceptAnyPunctuationButNeedAllOfIt)
{
    Vector2 v(9, 9);
    EXPECT_TRUE(readInto("[1;2}", v));
    EXPECT_EQ(v, Vector2(1, 2));
    EXPECT_TRUE(readInto("  < -1.5 , 2e3 >", v));
    EXPECT_EQ(v, Vector2(-1.5, 2000));
    for (const char* text : {"<1,2", "1,2", "", "<1,x>"})
    {
        Vector2 target(9, 9);
        EXPECT_FALSE(readInto(text, target)) << text;
        EXPECT_EQ(target, Vector2(9, 9)) << text;
    }

    Vector3 w(9, 9, 9);
    EXPECT_TRUE(readInto("(1,2,3)", w));
    EXPECT_EQ(w, Vector3(1, 2, 3));
    // A blank is skipped rather than taken as a separator.
    EXPECT_FALSE(readInto("{4 5 6}", w));
    EXPECT_FALSE(readInto("(7,8,9", w));
    EXPECT_EQ(w, Vector3(1, 2, 3));
}

TEST(MathText, ScaleReaderTakesOneNumberFirst)
{
    Scale s(9, 9);
    EXPECT_TRUE(readInto("3", s));
    EXPECT_EQ(s, Scale(3, 3));
    EXPECT_TRUE(readInto("(2,4)", s));
    EXPECT_EQ(s, Scale(2, 4));
    EXPECT_TRUE(readInto("2,4", s));
    EXPECT_EQ(s, Scale(2, 2));
    EXPECT_FALSE(readInto("(5,6", s));
    EXPECT_FALSE(readInto("", s));
    EXPECT_EQ(s, Scale(2, 2));
}

TEST(MathText, ComplexReaderTakesAnAngleOrTheWrittenFormUnnormalised)
{
    Complex c(9, 9);
    EXPECT_TRUE(readInto("1.5707963", c));
    EXPECT_NEAR(c.r, 0.0, 1e-7);
    EXPECT_NEAR(c.i, 1.0, 1e-12);
    EXPECT_TRUE(readInto("<0.6,0.8>", c));
    EXPECT_EQ(c, Complex(0.6, 0.8));
    EXPECT_TRUE(readInto(Complex(3, -4).toString(), c));
    EXPECT_EQ(c, Complex(3, -4));
    EXPECT_FALSE(readInto("(1,2", c));
    EXPECT_FALSE(readInto("angle", c));
    EXPECT_EQ(c, Complex(3, -4));
}
