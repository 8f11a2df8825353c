#include "core/ParameterList.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

constexpr auto OK = ParameterList::SUCCESS, BAD = ParameterList::INVALID_TYPE;

// Each case: the text, the result, and the value after reading into `initial`.
template <class T>
void expectReads(const std::vector<std::tuple<std::string, ParameterList::QueryResult, T>>& cases, T initial)
{
    for (const auto& [text, result, value] : cases)
    {
        ParameterList params;
        params.add("v", text);
        T out = initial;
        EXPECT_EQ(params.get("v", out), result) << '"' << text << '"';
        EXPECT_EQ(out, value) << '"' << text << '"';
    }
    T out = initial;
    EXPECT_EQ(ParameterList().get("v", out), ParameterList::NO_ELEMENT);
    EXPECT_EQ(out, initial);
}

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

TEST(ParameterList, ThrowingReadsNameTheTargetTypeAndKeepTheOutput)
{
    ParameterList params;
    params.add("zOrder", "high");
    unsigned u = 4;
    std::string s = "kept";
    EXPECT_EQ(errorText([&] { params.getThrowOnFail("zOrder", u, ""); }),
              "Unable to convert parameter 'zOrder' to unsigned int");
    EXPECT_EQ(errorText([&] { params.getThrowOnFail("absent", s, "Error creating X:"); }),
              "Error creating X: Could not find parameter 'absent'");
    EXPECT_EQ(u, 4u);
    EXPECT_EQ(s, "kept");
}
