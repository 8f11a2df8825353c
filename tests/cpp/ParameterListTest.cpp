#include "core/ParameterList.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

template <class T>
struct ReadCase
{
    std::string text;
    ParameterList::QueryResult result;
    T value;  // after reading into `initial`
};

template <class T>
void expectReads(const std::vector<ReadCase<T>>& cases, T initial)
{
    for (const ReadCase<T>& c : cases)
    {
        ParameterList params;
        params.add("v", c.text);
        T out = initial;
        EXPECT_EQ(params.get("v", out), c.result) << '"' << c.text << '"';
        EXPECT_EQ(out, c.value) << '"' << c.text << '"';
    }
    T out = initial;
    EXPECT_EQ(ParameterList().get("v", out), ParameterList::NO_ELEMENT);
    EXPECT_EQ(out, initial);
}

constexpr auto OK = ParameterList::SUCCESS;
constexpr auto BAD = ParameterList::INVALID_TYPE;

}

TEST(ParameterList, NamesAreUniqueCaseSensitiveAndByteOrdered)
{
    ParameterList params;
    params.add("a", "1");
    params.add("a", "2");
    params.add("B", "3");
    EXPECT_EQ(params.size(), 2u);
    EXPECT_EQ(params.get("a"), "2");
    EXPECT_FALSE(params.contains("A"));
    EXPECT_EQ(params.begin()->first, "B");
    EXPECT_EQ(params.get("missing"), "");
    EXPECT_EQ(params.size(), 2u);
}

TEST(ParameterList, ReadsTakeTheLeadingValueAndFailuresKeepTheOutput)
{
    expectReads<std::string>({{"", OK, ""}, {" a b", OK, " a b"}}, "old");
    expectReads<bool>({{"true", OK, true}, {"1", OK, true}, {"True", OK, false}, {"yes", OK, false},
                       {"0", OK, false}, {"", OK, false}, {" true", OK, false}},
                      true);
    expectReads<int>({{" 42", OK, 42}, {"42abc", OK, 42}, {"3.5 4", OK, 3}, {"-7", OK, -7}, {"abc", BAD, 5},
                      {"", BAD, 5}, {"99999999999", BAD, 5}, {"-99999999999", BAD, 5}},
                     5);
    expectReads<unsigned>({{"4294967295", OK, 4294967295u}, {"4294967296", BAD, 9}, {"x1", BAD, 9}}, 9);
    expectReads<double>({{"3.5 4", OK, 3.5}, {"-2e3 // comment", OK, -2000.0}, {"fast", BAD, 1.25},
                         {"1e999", BAD, 1.25}},
                        1.25);
}

TEST(ParameterList, ThrowingReadsNameTheParameterAndTheTargetTypeAndKeepTheOutput)
{
    ParameterList params;
    params.add("zOrder", "high");
    params.add("speed", "2.5");
    unsigned u = 4;
    std::string s = "kept";
    double d = 0;
    EXPECT_EQ(errorText([&] { params.getThrowOnFail("zOrder", u, ""); }),
              "Unable to convert parameter 'zOrder' to unsigned int");
    EXPECT_EQ(errorText([&] { params.getThrowOnFail("absent", s, "Error creating Animatable:"); }),
              "Error creating Animatable: Could not find parameter 'absent'");
    EXPECT_EQ(u, 4u);
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(errorText([&] { params.getThrowOnFail("speed", d, "unused prefix"); }), "no error");
    EXPECT_EQ(d, 2.5);
}
