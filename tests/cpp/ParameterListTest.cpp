#include "core/ParameterList.h"
#include "core/math/Complex.h"
#include "core/math/Vector2.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

ParameterList withValue(const std::string& value)
{
    ParameterList params;
    params.add("v", value);
    return params;
}

template <class T>
std::string throwingReadError(const ParameterList& params, const std::string& name, T& out,
                              const std::string& prefix = "")
{
    return errorText([&] { params.getThrowOnFail(name, out, prefix); });
}

}

TEST(ParameterListContents, NamesAreUniqueCaseSensitiveAndByteOrdered)
{
    ParameterList params;
    params.add("a", "1");
    params.add("a", "2");
    params.add("B", "3");
    EXPECT_EQ(params.size(), 2u);
    EXPECT_EQ(params.get("a"), "2");
    EXPECT_FALSE(params.contains("A"));
    EXPECT_EQ(params.begin()->first, "B");

    ParameterList copy = params;
    copy.add("a", "changed");
    copy.remove("B");
    copy.remove("absent");
    EXPECT_EQ(params.get("a"), "2");
    EXPECT_TRUE(params.contains("B"));
    EXPECT_EQ(copy.size(), 1u);
    copy.clear();
    EXPECT_TRUE(copy.empty());
}

TEST(ParameterListRead, StringReadsNeverFailAndMissingNamesLeaveTheListAlone)
{
    ParameterList params = withValue("");
    std::string out = "old";
    EXPECT_EQ(params.get("v", out), ParameterList::SUCCESS);
    EXPECT_EQ(out, "");
    out = "old";
    EXPECT_EQ(params.get("missing", out), ParameterList::NO_ELEMENT);
    EXPECT_EQ(out, "old");
    EXPECT_EQ(params.get("missing"), "");
    EXPECT_FALSE(params.contains("missing"));
    EXPECT_EQ(params.size(), 1u);
}

TEST(ParameterListRead, BoolIsTrueOnlyForTrueAndOne)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"true", true}, {"1", true}, {"True", false}, {"yes", false}, {"0", false}, {"", false}, {" true", false}};
    for (const auto& [text, expected] : cases)
    {
        bool out = !expected;
        EXPECT_EQ(withValue(text).get("v", out), ParameterList::SUCCESS) << '"' << text << '"';
        EXPECT_EQ(out, expected) << '"' << text << '"';
    }
    bool out = true;
    EXPECT_EQ(withValue("true").get("missing", out), ParameterList::NO_ELEMENT);
    EXPECT_TRUE(out);
}

TEST(ParameterListRead, IntTakesTheLeadingNumberAndFailuresKeepTheOutput)
{
    const std::vector<std::pair<std::string, int>> good = {{" 42", 42}, {"42abc", 42}, {"3.5 4", 3}, {"-7", -7}};
    for (const auto& [text, expected] : good)
    {
        int out = 0;
        EXPECT_EQ(withValue(text).get("v", out), ParameterList::SUCCESS) << text;
        EXPECT_EQ(out, expected) << text;
    }
    for (const std::string text : {"abc", "", "99999999999", "-99999999999"})
    {
        int out = 5;
        EXPECT_EQ(withValue(text).get("v", out), ParameterList::INVALID_TYPE) << text;
        EXPECT_EQ(out, 5) << text;
    }
    int out = 5;
    EXPECT_EQ(withValue("1").get("missing", out), ParameterList::NO_ELEMENT);
    EXPECT_EQ(out, 5);
}

TEST(ParameterListRead, UnsignedAndDoubleRejectTextAndOutOfRangeValues)
{
    unsigned u = 9;
    EXPECT_EQ(withValue("4294967295").get("v", u), ParameterList::SUCCESS);
    EXPECT_EQ(u, 4294967295u);
    u = 9;
    EXPECT_EQ(withValue("4294967296").get("v", u), ParameterList::INVALID_TYPE);
    EXPECT_EQ(withValue("x1").get("v", u), ParameterList::INVALID_TYPE);
    EXPECT_EQ(u, 9u);

    double d = 0;
    EXPECT_EQ(withValue("3.5 4").get("v", d), ParameterList::SUCCESS);
    EXPECT_EQ(d, 3.5);
    EXPECT_EQ(withValue("-2e3 // comment").get("v", d), ParameterList::SUCCESS);
    EXPECT_EQ(d, -2000.0);
    d = 1.25;
    EXPECT_EQ(withValue("fast").get("v", d), ParameterList::INVALID_TYPE);
    EXPECT_EQ(withValue("1e999").get("v", d), ParameterList::INVALID_TYPE);
    EXPECT_EQ(d, 1.25);
}

TEST(ParameterListRead, ValueTypesReadTheirTextForms)
{
    Complex c;
    EXPECT_EQ(withValue("1.5707963").get("v", c), ParameterList::SUCCESS);
    EXPECT_NEAR(c.r, 0.0, 1e-6);
    EXPECT_NEAR(c.i, 1.0, 1e-6);
    EXPECT_EQ(withValue("<0,2>").get("v", c), ParameterList::SUCCESS);
    EXPECT_EQ(c, Complex(0.0, 2.0));

    Vector2 v(1.0, 2.0);
    EXPECT_EQ(withValue("junk").get("v", v), ParameterList::INVALID_TYPE);
    EXPECT_EQ(v, Vector2(1.0, 2.0));
    EXPECT_EQ(throwingReadError(withValue("junk"), "v", v), "Unable to convert parameter 'v' to class Tarnu::Vector2");
}

TEST(ParameterListThrowingRead, MessagesNameTheParameterAndTheTargetType)
{
    ParameterList params;
    params.add("speed", "fast");
    params.add("zOrder", "high");

    EXPECT_EQ(errorText([&] { params.getThrowOnFail("absent"); }), "Could not find parameter 'absent'");
    double d = 1.5;
    int i = 3;
    unsigned u = 4;
    bool b = true;
    std::string s = "kept";
    EXPECT_EQ(throwingReadError(params, "speed", d), "Unable to convert parameter 'speed' to double");
    EXPECT_EQ(throwingReadError(params, "zOrder", i), "Unable to convert parameter 'zOrder' to int");
    EXPECT_EQ(throwingReadError(params, "zOrder", u), "Unable to convert parameter 'zOrder' to unsigned int");
    EXPECT_EQ(throwingReadError(params, "absent", b), "Could not find parameter 'absent'");
    EXPECT_EQ(throwingReadError(params, "absent", s, "Error creating Animatable:"),
              "Error creating Animatable: Could not find parameter 'absent'");
    EXPECT_EQ(throwingReadError(params, "speed", d, "Error creating Animatable:"),
              "Error creating Animatable: Unable to convert parameter 'speed' to double");
    EXPECT_EQ(d, 1.5);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(u, 4u);
    EXPECT_TRUE(b);
    EXPECT_EQ(s, "kept");

    params.add("speed", "2.5");
    EXPECT_EQ(throwingReadError(params, "speed", d, "unused prefix"), "no error");
    EXPECT_EQ(d, 2.5);
}
