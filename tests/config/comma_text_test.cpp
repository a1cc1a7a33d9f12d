#include "config/comma_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case_name.h"

namespace {

struct CommaCase {
    const char* name;
    std::string text;
    std::vector<std::string> items;
};

class CommaTextTest : public ::testing::TestWithParam<CommaCase> {};

TEST_P(CommaTextTest, SplitsAsTheStringListReadsCommaText) {
    EXPECT_EQ(config::SplitCommaText(GetParam().text), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CommaTextTest,
    ::testing::Values(CommaCase{"CommasAndABlank", "0300,0301, 0302", {"0300", "0301", "0302"}},
                      CommaCase{"BlanksSeparateToo", "0300 0301\t0302", {"0300", "0301", "0302"}},
                      CommaCase{"BlanksAroundAreSkipped", "  0300 ,  0301  ", {"0300", "0301"}},
                      CommaCase{"TwoCommasGiveAnEmptyItem", "0300,,0301", {"0300", "", "0301"}},
                      CommaCase{"QuotedItemHoldsCommaAndBlank", "\"03, 00\",0301", {"03, 00", "0301"}},
                      CommaCase{"QuoteInsideWrittenTwice", "\"a\"\"b\"", {"a\"b"}},
                      CommaCase{"UnclosedQuoteRunsToTheEnd", "\"0300,0301", {"0300,0301"}},
                      CommaCase{"TrailingCommaAddsAnEmptyItem", "0300,", {"0300", ""}},
                      CommaCase{"BlankAfterTheLastCommaAddsNone", "0300, ", {"0300"}},
                      CommaCase{"LoneComma", ",", {"", ""}}, CommaCase{"Empty", "", {}}),
    test_support::CaseName());

}  // namespace
