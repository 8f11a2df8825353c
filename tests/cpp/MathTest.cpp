#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"
#include "core/math/Vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace Tarnu;

namespace
{

// Success as the parameter list judges it: the stream is not left failed.
template <class T>
bool readInto(const std::string& text, T& target)
{
    std::istringstream in(text);
    in >> target;
    return !in.fail();
}

// Good texts give their values; bad ones fail and leave the target as it was.
template <class T>
void expectReads(const std::vector<std::pair<std::string, T>>& good, const std::vector<std::string>& bad)
{
    const T initial = good.back().second;
    for (const auto& [text, expected] : good)
    {
        T target = initial;
        EXPECT_TRUE(readInto(text, target) && target == expected) << text;
    }
    for (const std::string& text : bad)
    {
        T target = initial;
        EXPECT_TRUE(!readInto(text, target) && target == initial) << text;
    }
}

}

TEST(MathComplex, ProductUsesThreeMultiplicationsAndAnglesSpanMinusPiToPi)
{
    // Operands for which the textbook form rounds differently.
    const double expected = (0.1 + 0.2) * (0.3 + 0.7) - 0.1 * 0.3 - 0.2 * 0.7;
    ASSERT_NE(expected, 0.1 * 0.7 + 0.2 * 0.3);
    Complex c(0.1, 0.2);
    EXPECT_EQ(&(c *= Complex(0.3, 0.7)), &c);
    EXPECT_EQ(c, Complex(0.1 * 0.3 - 0.2 * 0.7, expected));
    EXPECT_EQ(Complex(0.1, 0.2) * Complex(0.3, 0.7), c);

    EXPECT_EQ(Complex(-1, 0).getAngle(), std::numbers::pi);
    EXPECT_EQ(Complex(0, -1).getAngle(), -std::numbers::pi / 2);
    c.setAngle(std::numbers::pi / 3);
    EXPECT_EQ(c, Complex(std::cos(std::numbers::pi / 3), std::sin(std::numbers::pi / 3)));
    EXPECT_EQ(Complex(Vector2(0, 2)), Complex::ROT_90);
}

TEST(MathText, ReadersAcceptAnyPunctuationButNeedAllOfIt)
{
    expectReads<Vector2>({{"[1;2}", Vector2(1, 2)}, {"  < -1.5 , 2e3 >", Vector2(-1.5, 2000)}, {"<9,9>", Vector2(9, 9)}},
                         {"<1,2", "1,2", "", "<1,x>"});
    // A blank is skipped rather than taken as a separator.
    expectReads<Vector3>({{"(1,2,3)", Vector3(1, 2, 3)}}, {"{4 5 6}", "(7,8,9"});
    // A scale reads one number first, which stands for both components.
    expectReads<Scale>({{"3", Scale(3, 3)}, {"(2,4)", Scale(2, 4)}, {"2,4", Scale(2, 2)}}, {"(5,6", ""});
    // A complex is an angle or the written form, taken unnormalised.
    expectReads<Complex>({{"<0.6,0.8>", Complex(0.6, 0.8)}, {Complex(3, -4).toString(), Complex(3, -4)}},
                         {"(1,2", "angle"});
    Complex c;
    EXPECT_TRUE(readInto("1.5707963", c));
    EXPECT_NEAR(c.r, 0.0, 1e-7);
    EXPECT_NEAR(c.i, 1.0, 1e-12);
}
