#include "config/ui_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "case_name.h"
#include "config/additional_items.h"
#include "config/colors.h"
#include "config/ini_file.h"
#include "config/ini_text.h"
#include "config/memory_files.h"

namespace {

TEST(BuiltInTexts, AreTheShippedTextsCharacterForCharacter) {
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "Touch screen setup program V%M.%N"},
        {2, "Please plugin controller to USB port"},
        {3, "You must REBOOT Windows to complete the Installation"},
        {4, "You must REBOOT Windows to complete the UnInstallation"},
        {5, "Install"},
        {6, "Uninstall"},
        {7, "Quit"},
        {8, "Warning"},
        {9, "Error while parsing INF file"},
        {10, "Are you sure to uninstall Brivo driver and utility ?"},
        {11, "Product options"},
        {12, "USB version"},
        {13, "RS232 version"},
        {14, "Multi monitor version is availble only or Windows XP"},
        {15, "Error while parsing SETUP.INI file"},
        {16, "Another version detected, You need to uninstall it and run install again !"},
        {17, "Successfully install, You can use this device now !"},
        {18, "Please PLUG (or REPLUG) controller to USB port before you can use this device"},
        {19, "Device may be will not work properly, until windows rebooted !"},
        {20, "Driver installed!"},
        {21, "Only user with Administrator rigths can run this program!"},
    };
    ASSERT_EQ(config::BuiltInTexts().size(), expected.size());
    for (const auto& [number, text] : expected) {
        EXPECT_EQ(config::BuiltInTexts()[static_cast<std::size_t>(number - 1)], text) << "Text" << number;
    }
}

struct SplitCase {
    std::string version;
    std::string major;
    std::string minor;
};

void PrintTo(const SplitCase& c, std::ostream* out) {
    *out << '"' << c.version << '"';
}

class VersionSplitRule : public testing::TestWithParam<SplitCase> {};

TEST_P(VersionSplitRule, SplitsAtFirstDotElseBeforeLastTwoCharacters) {
    const config::VersionSplit split = config::SplitVersion(GetParam().version);
    EXPECT_EQ(split.major, GetParam().major);
    EXPECT_EQ(split.minor, GetParam().minor);
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionSplitRule,
                         testing::Values(SplitCase{"3.23", "3", "23"}, SplitCase{"2.10", "2", "10"},
                                         SplitCase{"210", "2", "10"}, SplitCase{"323", "3", "23"},
                                         SplitCase{"1234", "12", "34"}, SplitCase{"7", "", "7"},
                                         SplitCase{"12", "", "12"}, SplitCase{"", "", ""},
                                         SplitCase{"1.2.3", "1", "2.3"}, SplitCase{".5", "", "5"},
                                         SplitCase{"5.", "5", ""}, SplitCase{"4.05", "4", "05"}));

struct FillCase {
    std::string text;
    std::string filled;
};

void PrintTo(const FillCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class VersionPlaceholders : public testing::TestWithParam<FillCase> {};

TEST_P(VersionPlaceholders, FillFirstOccurrenceOfEachCaseSensitively) {
    const config::PackageVersion version{"4", "05", "R200101"};
    EXPECT_EQ(config::FillVersionPlaceholders(GetParam().text, version), GetParam().filled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionPlaceholders,
    testing::Values(FillCase{"Setup V!@MAJOR.!@MINOR (!@RELEASE)", "Setup V4.05 (R200101)"},
                    FillCase{"Text1=Setup V!@MAJOR.!@MINOR", "Text1=Setup V4.05"},
                    FillCase{"Key!@MAJOR=!@MAJOR", "Key4=!@MAJOR"},
                    FillCase{"!@MAJOR !@MAJOR !@MINOR !@MINOR", "4 !@MAJOR 05 !@MINOR"},
                    FillCase{"!@RELEASE!@MINOR!@MAJOR", "R200101054"},
                    FillCase{"!@major !@Minor !@release", "!@major !@Minor !@release"},
                    FillCase{"Touch screen setup program V%M.%N", "Touch screen setup program V%M.%N"},
                    FillCase{"", ""}));

struct PackageVersionCase {
    std::string name;
    std::string file;  // empty: no file
    config::PackageVersion expected;
};

void PrintTo(const PackageVersionCase& c, std::ostream* out) {
    *out << c.name;
}

class PackageVersionFromConfiguration : public testing::TestWithParam<PackageVersionCase> {
protected:
    config_test::ScopedMemoryFilesOs machine;
};

TEST_P(PackageVersionFromConfiguration, ReadsVersionAndReleaseOfSystem) {
    constexpr char kPath[] = "C:\\Package\\default.ini";
    if (!GetParam().file.empty()) machine.os.files.files[kPath] = GetParam().file;
    const config::PackageVersion version = config::ReadPackageVersion(config::IniFile(kPath));
    EXPECT_EQ(version.major, GetParam().expected.major);
    EXPECT_EQ(version.minor, GetParam().expected.minor);
    EXPECT_EQ(version.release, GetParam().expected.release);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageVersionFromConfiguration,
    testing::Values(PackageVersionCase{"NoFile", "", {"3", "23", "100614"}},
                    PackageVersionCase{"NoKeys", "[System]\r\ntargetdir=x\r\n", {"3", "23", "100614"}},
                    PackageVersionCase{
                        "Dotted", "[System]\r\nversion=4.05\r\nrelease=R2\r\n", {"4", "05", "R2"}},
                    PackageVersionCase{"Undotted", "[system]\r\nversion=210\r\n", {"2", "10", "100614"}},
                    PackageVersionCase{"EmptyVersion", "[SYSTEM]\r\nversion=\r\nrelease=\r\n", {"", "", ""}}),
    test_support::CaseName());

struct ColorCase {
    std::string value;
    bool system;
    std::uint32_t indexOrRgb;
};

void PrintTo(const ColorCase& c, std::ostream* out) {
    *out << '"' << c.value << '"';
}

class ConfiguredColors : public testing::TestWithParam<ColorCase> {};

TEST_P(ConfiguredColors, TellSystemColorsFromRgb) {
    const auto read = config::ParseIniInteger(GetParam().value);
    ASSERT_TRUE(read.has_value());
    const auto color = static_cast<std::uint32_t>(*read);
    EXPECT_EQ(config::IsSystemColor(color), GetParam().system);
    EXPECT_EQ(GetParam().system ? config::SystemColorIndex(color) : config::RgbOf(color),
              GetParam().indexOrRgb);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfiguredColors,
                         testing::Values(ColorCase{"0xFF00000F", true, 15}, ColorCase{"0xFF000008", true, 8},
                                         ColorCase{"-16777201", true, 15},
                                         ColorCase{"16777215", false, 0xFFFFFF},
                                         ColorCase{"0x00FFFFFF", false, 0xFFFFFF}, ColorCase{"0", false, 0},
                                         ColorCase{"$0000FF", false, 0xFF}));

TEST(ColorDefaults, AreButtonFaceAndWindowText) {
    EXPECT_EQ(static_cast<std::uint32_t>(config::kDefaultFormColor), 0xFF00000Fu);
    EXPECT_EQ(static_cast<std::uint32_t>(config::kDefaultTextColor), 0xFF000008u);
}

struct ItemCase {
    std::string name;
    std::string item;
    std::vector<std::string> fields;
};

void PrintTo(const ItemCase& c, std::ostream* out) {
    *out << c.name;
}

class AdditionalItemFields : public testing::TestWithParam<ItemCase> {};

TEST_P(AdditionalItemFields, SplitAtBlanksOutsideBars) {
    EXPECT_EQ(config::SplitItemFields(GetParam().item), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdditionalItemFields,
    testing::Values(
        ItemCase{"AllEnclosed",
                 "|Touch Monitor Tool| |monitor.exe| |3| |monitor.exe| |/s|",
                 {"Touch Monitor Tool", "monitor.exe", "3", "monitor.exe", "/s"}},
        ItemCase{"Bare", "Tool tool.exe 1 tool.exe", {"Tool", "tool.exe", "1", "tool.exe"}},
        ItemCase{"EmptyEnclosedFields", "|Tool| || |2| |tool.exe| ||", {"Tool", "", "2", "tool.exe", ""}},
        ItemCase{"DoubledBarIsOneBar", "|a||b| c", {"a|b", "c"}},
        ItemCase{"RunsOfBlanksSeparateOnce", "  a  \t b  ", {"a", "b"}},
        ItemCase{"TextRightAfterClosingBarStartsAField", "|a|b", {"a", "b"}},
        ItemCase{"BarInsideBareField", "a|b c", {"a|b", "c"}},
        ItemCase{"UnclosedBarRunsToEnd", "x |a b", {"x", "a b"}}, ItemCase{"Empty", "", {}},
        ItemCase{"OnlyBlanks", "   ", {}}),
    test_support::CaseName());

}  // namespace
