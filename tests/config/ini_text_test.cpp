#include "config/ini_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "case_name.h"
#include "utf16_file.h"

namespace {

using config::FindIniValue;
using config::IniSectionHasKeys;
using config::ListIniKeyNames;
using config::ParseIniInteger;
using config::ReadIniSectionValues;
using config::SetIniValue;

struct ReadCase {
    std::string name;
    std::string text;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.name;
}

class IniReadRules : public testing::TestWithParam<ReadCase> {};

TEST_P(IniReadRules, FindsTheValueTheProfileRulesGive) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(FindIniValue(c.text, c.section, c.key), c.expected);
}

const std::string kLong(3000, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadRules,
    testing::Values(
        ReadCase{"SectionAndKeyIgnoreCase", "[System]\nVersion=2.10\n", "SYSTEM", "version", "2.10"},
        ReadCase{"FirstOccurrenceWins", "[s]\nk=1\nk=2\n", "s", "k", "1"},
        ReadCase{"FirstOccurrenceWinsAcrossKeySpellings", "[s]\nKEY=1\nkey=2\n", "s", "Key", "1"},
        ReadCase{"TwoSpellingsOfASectionAreOne", "[System]\nk=a\n[system]\nk=b\n", "SYSTEM", "k", "a"},
        ReadCase{"KeyOnlyInSecondSpellingIsFound", "[System]\na=1\n[SYSTEM]\nb=2\n", "system", "b", "2"},
        ReadCase{"SectionBetweenTwoSpellingsIsItsOwn", "[a]\nk=1\n[b]\nk=2\n[A]\nk=3\n", "b", "k", "2"},
        ReadCase{"ValueIsTextAfterFirstEquals", "[s]\nk=a=b\n", "s", "k", "a=b"},
        ReadCase{"BlanksAroundKeyAndValueTrimmed", "[s]\n  k \t=   v w  \t\n", "s", "k", "v w"},
        ReadCase{"DoubleQuotesRemovedBlanksInsideKept", "[s]\nk=\"  v  \"\n", "s", "k", "  v  "},
        ReadCase{"SingleQuotesRemoved", "[s]\nk='v'\n", "s", "k", "v"},
        ReadCase{"OnlyOnePairOfQuotesRemoved", "[s]\nk=\"\"v\"\"\n", "s", "k", "\"v\""},
        ReadCase{"MismatchedQuotesKept", "[s]\nk=\"v'\n", "s", "k", "\"v'"},
        ReadCase{"OpeningQuoteAloneKept", "[s]\nk=\"abc\n", "s", "k", "\"abc"},
        ReadCase{"LoneQuoteKept", "[s]\nk=\"\n", "s", "k", "\""},
        ReadCase{"EmptyQuotesGiveEmptyValue", "[s]\nk=\"\"\n", "s", "k", ""},
        ReadCase{"InnerQuotesKept", "[s]\nk=a\"b\"c\n", "s", "k", "a\"b\"c"},
        ReadCase{"PresentButEmpty", "[system]\ntargetdir=\n", "system", "targetdir", ""},
        ReadCase{"PresentWithOnlyBlanks", "[system]\ntargetdir=   \n", "system", "targetdir", ""},
        ReadCase{"MissingKey", "[system]\nother=1\n", "system", "targetdir", std::nullopt},
        ReadCase{"MissingSection", "[other]\ntargetdir=x\n", "system", "targetdir", std::nullopt},
        ReadCase{"EmptyText", "", "system", "targetdir", std::nullopt},
        ReadCase{"KeyBeforeAnyHeaderIgnored", "k=1\n[s]\n", "s", "k", std::nullopt},
        ReadCase{"CommentLineIgnored", "[s]\n;k=1\nk=2\n", "s", "k", "2"},
        ReadCase{"LineWithoutEqualsIgnored", "[s]\nk\nk=2\n", "s", "k", "2"},
        ReadCase{"CrLfLineEndings", "[s]\r\nk=v\r\n", "s", "k", "v"},
        ReadCase{"NoFinalLineBreak", "[s]\nk=v", "s", "k", "v"},
        ReadCase{"BlanksAroundHeaderAndName", "  [ s ]  \n k=v\n", "s", "k", "v"},
        ReadCase{"TextAfterClosingBracketIgnored", "[s] ; note\nk=v\n", "s", "k", "v"},
        ReadCase{"UnclosedHeaderIsNoHeader", "[s]\n[t\nk=v\n", "s", "k", "v"},
        ReadCase{"KeyMustMatchWhole", "[s]\nkey1=1\n", "s", "key", std::nullopt},
        ReadCase{"SectionMustMatchWhole", "[System2]\nk=1\n", "System", "k", std::nullopt},
        ReadCase{"ValueCutTo2047", "[s]\nk=" + kLong + "\n", "s", "k", std::string(2047, 'a')},
        ReadCase{"QuotesRemovedBeforeCut", "[s]\nk=\"" + std::string(2047, 'a') + "\"\n", "s", "k",
                 std::string(2047, 'a')}),
    test_support::CaseName());

struct IntegerCase {
    std::string text;
    std::optional<std::int32_t> expected;
};

void PrintTo(const IntegerCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class IniIntegerRules : public testing::TestWithParam<IntegerCase> {};

TEST_P(IniIntegerRules, AcceptsOnlyDecimalOrPrefixedHex) {
    EXPECT_EQ(ParseIniInteger(GetParam().text), GetParam().expected);
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Valid, IniIntegerRules,
    testing::Values(IntegerCase{"0", 0}, IntegerCase{"16777215", 16777215}, IntegerCase{"00012", 12},
                    IntegerCase{"+5", 5}, IntegerCase{"-1", -1}, IntegerCase{"-0", 0},
                    IntegerCase{"2147483647", kMax}, IntegerCase{"-2147483648", kMin},
                    IntegerCase{"0x00FFFFFF", 16777215}, IntegerCase{"0X00ffffff", 16777215},
                    IntegerCase{"$FF", 255}, IntegerCase{"xff", 255}, IntegerCase{"XfF", 255},
                    IntegerCase{"0x1", 1}, IntegerCase{"0x00000001", 1},
                    IntegerCase{"0xFF00000F", static_cast<std::int32_t>(0xFF00000Fu)},
                    IntegerCase{"0xFFFFFFFF", -1}, IntegerCase{"0x80000000", kMin}, IntegerCase{"-0x1", -1},
                    IntegerCase{"+$10", 16}, IntegerCase{"-x10", -16}, IntegerCase{"-0xFFFFFFFF", 1},
                    IntegerCase{"-0x80000000", kMin}));

INSTANTIATE_TEST_SUITE_P(Rejected, IniIntegerRules,
                         testing::Values(IntegerCase{"", std::nullopt}, IntegerCase{"white", std::nullopt},
                                         IntegerCase{"1x", std::nullopt}, IntegerCase{"0x", std::nullopt},
                                         IntegerCase{"$", std::nullopt}, IntegerCase{"x", std::nullopt},
                                         IntegerCase{"-", std::nullopt}, IntegerCase{"+", std::nullopt},
                                         IntegerCase{"1 2", std::nullopt}, IntegerCase{" 1", std::nullopt},
                                         IntegerCase{"1.5", std::nullopt}, IntegerCase{"--1", std::nullopt},
                                         IntegerCase{"+-1", std::nullopt}, IntegerCase{"0x1G", std::nullopt},
                                         IntegerCase{"0x-1", std::nullopt},
                                         IntegerCase{"0x123456789", std::nullopt},
                                         IntegerCase{"0x000000001", std::nullopt},
                                         IntegerCase{"2147483648", std::nullopt},
                                         IntegerCase{"-2147483649", std::nullopt},
                                         IntegerCase{"99999999999999999999", std::nullopt},
                                         IntegerCase{"0$1", std::nullopt}, IntegerCase{"$$1", std::nullopt}));

TEST(IniSections, WholeSectionReadListsEveryKeyInFileOrderAcrossSpellings) {
    const std::string text =
        "[System]\r\nversion=2.10\r\nempty=\r\n[Other]\r\nx=1\r\n"
        "[SYSTEM]\r\nrelease=\"R1\"\r\n;note=1\r\nVersion=9\r\n";
    // A key written twice is listed twice, each time with its first value.
    EXPECT_EQ(ReadIniSectionValues(text, "system"),
              (std::vector<std::string>{"version=2.10", "empty=", "release=R1", "Version=2.10"}));
    EXPECT_EQ(ListIniKeyNames(text, "system"),
              (std::vector<std::string>{"version", "empty", "release", "Version"}));
    EXPECT_TRUE(ReadIniSectionValues(text, "missing").empty());
}

TEST(IniSections, KeyNamesStopAt16KilobytesWithTheLastOneCut) {
    // 163 names of 99 characters take 16300 of the 16383 characters before the
    // final NUL; an 82-character name then fills the rest exactly.
    std::string text = "[s]\n";
    std::vector<std::string> names;
    for (int i = 0; i < 163; ++i) {
        std::string name = "k" + std::to_string(1000 + i) + std::string(94, 'n');
        text += name + "=1\n";
        names.push_back(name);
    }
    const std::string fitting = "last" + std::string(78, 'f');
    EXPECT_EQ(ListIniKeyNames(text + fitting + "=1\n", "s").back(), fitting);
    EXPECT_EQ(ListIniKeyNames(text + fitting + "=1\n", "s").size(), 164u);

    const std::string tooLong = fitting + "g";
    const std::vector<std::string> listed = ListIniKeyNames(text + tooLong + "=1\nafter=2\n", "s");
    ASSERT_EQ(listed.size(), 164u);
    EXPECT_EQ(std::vector<std::string>(listed.begin(), listed.end() - 1), names);
    EXPECT_EQ(listed.back(), fitting);
}

struct ExistsCase {
    std::string name;
    std::string text;
    bool exists;
};

void PrintTo(const ExistsCase& c, std::ostream* out) {
    *out << c.name;
}

class IniSectionExists : public testing::TestWithParam<ExistsCase> {};

TEST_P(IniSectionExists, OnlyWhenTheSectionHoldsAKey) {
    EXPECT_EQ(IniSectionHasKeys(GetParam().text, "SetupText"), GetParam().exists);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniSectionExists,
                         testing::Values(ExistsCase{"NoSuchSection", "[Other]\nText1=x\n", false},
                                         ExistsCase{"HeaderOnly", "[SetupText]\n[Other]\nText1=x\n", false},
                                         ExistsCase{"OnlyCommentsAndBlankLines", "[SetupText]\n; Text1=x\n\n",
                                                    false},
                                         ExistsCase{"KeyWithEmptyValue", "[SetupText]\nText1=\n", true},
                                         ExistsCase{"OtherSpelling", "[SETUPTEXT]\nText5=Go\n", true},
                                         ExistsCase{"KeyInSecondSpellingOnly",
                                                    "[SetupText]\n[Other]\n[setuptext]\nText5=Go\n", true}),
                         test_support::CaseName());

struct WriteCase {
    std::string name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* out) {
    *out << c.name;
}

class IniWriteRules : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteRules, ReplacesOrAppendsWhereTheProfileRulesSay) {
    const WriteCase& c = GetParam();
    const std::string after = SetIniValue(c.before, c.section, c.key, c.value);
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(FindIniValue(after, c.section, c.key), c.value);
}

TEST(IniWriteLoneCarriageReturn, KeepsThePreviousValueAndTheNewKey) {
    // Formerly the new key was appended to the last line: "k=1\rn=2" read as k "1\rn=2" and no n.
    for (const char* text : {"[A]\r\nk=1\r", "[A]\nk=1\r"}) {
        const std::string after = SetIniValue(text, "A", "n", "2");
        EXPECT_EQ(FindIniValue(after, "A", "k"), "1") << text;
        EXPECT_EQ(FindIniValue(after, "A", "n"), "2") << text;
        EXPECT_EQ(FindIniValue(SetIniValue(after, "A", "k", "3"), "A", "k"), "3") << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriteRules,
    testing::Values(
        WriteCase{"ReplacesInPlace", "[System]\r\nproduct=-1\r\nx=1\r\n", "system", "product", "0",
                  "[System]\r\nproduct=0\r\nx=1\r\n"},
        WriteCase{"ReplacesOnlyFirstOccurrenceKeepingItsSpelling", "[SYSTEM]\r\nProduct=-1\r\nproduct=5\r\n",
                  "System", "product", "1", "[SYSTEM]\r\nProduct=1\r\nproduct=5\r\n"},
        WriteCase{"ReplacesInSecondSpellingOfSection", "[System]\r\na=1\r\n[system]\r\nproduct=-1\r\n",
                  "SYSTEM", "product", "0", "[System]\r\na=1\r\n[system]\r\nproduct=0\r\n"},
        WriteCase{"ReplacesQuotedAndPaddedValue", "[A]\r\n  k = \"old\" \r\n", "A", "k", "new",
                  "[A]\r\nk=new\r\n"},
        WriteCase{"AppendsAtEndOfSectionBeforeNextOne", "[INFData]\r\nmanufacturer=X\r\n[Other]\r\na=1\r\n",
                  "INFData", "vidpid", "VID_0D7A&PID_0300",
                  "[INFData]\r\nmanufacturer=X\r\nvidpid=VID_0D7A&PID_0300\r\n[Other]\r\na=1\r\n"},
        WriteCase{"AppendsBeforeBlankLinesThatEndTheSection", "[A]\r\nk=1\r\n\r\n[B]\r\n", "a", "n", "2",
                  "[A]\r\nk=1\r\nn=2\r\n\r\n[B]\r\n"},
        WriteCase{"AppendsUnderBareHeader", "[A]\r\n[B]\r\n", "A", "n", "2", "[A]\r\nn=2\r\n[B]\r\n"},
        WriteCase{"AppendsToFirstBlockOfTwoSpellings", "[S]\r\na=1\r\n[T]\r\n[s]\r\nb=2\r\n", "s", "c", "3",
                  "[S]\r\na=1\r\nc=3\r\n[T]\r\n[s]\r\nb=2\r\n"},
        WriteCase{"AppendsAfterLastLineWithoutBreak", "[A]\r\nk=1", "A", "n", "2", "[A]\r\nk=1\r\nn=2\r\n"},
        // A lone carriage return ends no line: the new key must not join the last line.
        WriteCase{"AppendsOnItsOwnLineAfterLoneCarriageReturn", "[A]\r\nk=1\r", "A", "n", "2",
                  "[A]\r\nk=1\r\nn=2\r\n"},
        WriteCase{"AppendsUnderBareHeaderEndingInLoneCarriageReturn", "[A]\r", "A", "n", "2",
                  "[A]\r\nn=2\r\n"},
        WriteCase{"AddsSectionAfterLoneCarriageReturn", "[A]\r\nk=1\r", "B", "n", "2",
                  "[A]\r\nk=1\r\n[B]\r\nn=2\r\n"},
        WriteCase{"CommentedKeyIsNotTheKey", "[A]\r\n;n=1\r\n", "A", "n", "2", "[A]\r\n;n=1\r\nn=2\r\n"},
        WriteCase{"AddsMissingSectionAtEnd", "[SYSTEM]\r\nx=1\r\n[ADDITIONAL]\r\n", "INFData", "manufacturer",
                  "M", "[SYSTEM]\r\nx=1\r\n[ADDITIONAL]\r\n[INFData]\r\nmanufacturer=M\r\n"},
        WriteCase{"CreatesFirstSectionOfEmptyText", "", "INFData", "manufacturer", "M",
                  "[INFData]\r\nmanufacturer=M\r\n"},
        WriteCase{"AddsSectionAfterLastLineWithoutBreak", "[A]\r\nk=1", "B", "n", "2",
                  "[A]\r\nk=1\r\n[B]\r\nn=2\r\n"},
        WriteCase{"KeepsLineFeedOnlyText", "[A]\nk=1\n", "B", "n", "2", "[A]\nk=1\n[B]\nn=2\n"},
        WriteCase{"WritesEmptyValue", "[A]\r\nk=1\r\n", "A", "k", "", "[A]\r\nk=\r\n"}),
    test_support::CaseName());

TEST(Utf16LittleEndianText, OnlyAFileWithTheByteOrderMarkIsUnicode) {
    using config::Utf16LittleEndianText;
    EXPECT_EQ(Utf16LittleEndianText(test_support::Utf16LeFile(u"[s]\r\nk=\u00FC")), u"[s]\r\nk=\u00FC");
    EXPECT_EQ(Utf16LittleEndianText("\xFF\xFE"), u"");
    EXPECT_EQ(Utf16LittleEndianText(std::string("\xFF\xFE"
                                                "a\0b",
                                                5)),
              u"a");  // an odd last byte is dropped
    // Everything else is ANSI text as it stands: no mark, the big-endian mark, a mark alone in one byte.
    EXPECT_EQ(Utf16LittleEndianText("[s]\r\nk=v\r\n"), std::nullopt);
    EXPECT_EQ(Utf16LittleEndianText(std::string("\xFE\xFF\0[", 4)), std::nullopt);
    EXPECT_EQ(Utf16LittleEndianText("\xFF"), std::nullopt);
    EXPECT_EQ(Utf16LittleEndianText(""), std::nullopt);
}

}  // namespace
