// The encodings a language pack may be saved in.
#include "config/text_encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "case_name.h"

namespace {

struct CodePageCase {
    const char* name;
    std::string text;
    unsigned codePage;
    std::optional<std::size_t> firstOutside;
};

class CodePageTest : public testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, FindsTheFirstByteThatIsNoCharacter) {
    EXPECT_EQ(config::FirstByteOutsideCodePage(GetParam().text, GetParam().codePage),
              GetParam().firstOutside);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CodePageTest,
    testing::Values(CodePageCase{"WesternLetters", "f\xFCr \xC4rger \x80", 1252, std::nullopt},
                    CodePageCase{"WesternUnassignedByte", "ab\x81", 1252, 2},
                    CodePageCase{"CyrillicUnassignedByte", "\xC0\x98", 1251, 1},
                    CodePageCase{"ArabicHasNoUnassignedByte", "\x81\x8D\x90", 1256, std::nullopt},
                    CodePageCase{"ChineseCharacters", "\xB4\xA5\xC3\xFE x", 936, std::nullopt},
                    CodePageCase{"ChineseLeadByteAtTheEnd", "\xB4\xA5\xC3", 936, 2},
                    CodePageCase{"ChineseLeadByteBeforeALineEnd", "\xB4\r\n", 936, 0},
                    CodePageCase{"ChineseByteFF", "a\xFF", 936, 1},
                    CodePageCase{"TraditionalTrailOutsideItsRanges", "\xA4\x80", 950, 0},
                    CodePageCase{"JapaneseHalfWidthKatakana", "\xB1\xB2\x82\xA0", 932, std::nullopt},
                    CodePageCase{"UnknownCodePage", "\xFF\xFF", 0, std::nullopt}),
    test_support::CaseName());

TEST(TextEncodingTest, LanguageCodesGiveTheirCodePages) {
    EXPECT_EQ(config::AnsiCodePageOfLanguage("DEU"), 1252u);
    EXPECT_EQ(config::AnsiCodePageOfLanguage("chs"), 936u);
    EXPECT_EQ(config::AnsiCodePageOfLanguage("CHT"), 950u);
    EXPECT_EQ(config::AnsiCodePageOfLanguage("ARA"), 1256u);
    EXPECT_EQ(config::AnsiCodePageOfLanguage("XYZ"), 0u);
}

TEST(TextEncodingTest, Utf8IsToldFromAnsiText) {
    EXPECT_TRUE(config::IsUtf8BeyondAscii("f\xC3\xBCr"));
    EXPECT_TRUE(config::IsUtf8BeyondAscii("\xE8\xA7\xA6\xE6\x91\xB8"));  // two Chinese characters
    EXPECT_FALSE(config::IsUtf8BeyondAscii("plain ASCII"));
    EXPECT_FALSE(config::IsUtf8BeyondAscii("f\xFCr"));            // code page 1252
    EXPECT_FALSE(config::IsUtf8BeyondAscii("\xB4\xA5\xC3\xFE"));  // code page 936
    EXPECT_FALSE(config::IsUtf8BeyondAscii("\xC3"));              // cut short
    EXPECT_FALSE(config::IsUtf8BeyondAscii("\xC0\x80"));          // an overlong form
    EXPECT_TRUE(config::StartsWithUtf8Mark("\xEF\xBB\xBF[SetupText]"));
    EXPECT_FALSE(config::StartsWithUtf8Mark("[SetupText]"));
}

}  // namespace
