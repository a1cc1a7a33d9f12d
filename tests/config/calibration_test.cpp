// The calibration defaults as the install reads them from the setup configuration.
#include "config/calibration.h"

#include <gmock/gmock.h>

#include <string>

#include "case_name.h"
#include "config/ini_file.h"
#include "config/memory_files.h"
#include "shell/errors.h"

namespace {

using config_test::ScopedMemoryFilesOs;

constexpr char kPackageIni[] = "C:\\Package\\default.ini";

struct CalibrationCase {
    const char* name;
    std::string section;  // the lines of [calibusb]
    std::int32_t points;  // 0: nothing is written
    std::array<std::int32_t, 3> firstSx;
};

class CalibrationTest : public testing::TestWithParam<CalibrationCase> {
protected:
    config::CalibrationDefaults Read(const std::string& lines) {
        files.files[kPackageIni] = "[calibusb]\r\n" + lines + "[calib232]\r\nmax_point=12\r\n";
        return config::ReadCalibrationDefaults(config::IniFile(kPackageIni), config::kUsbCalibrationSection);
    }

    ScopedMemoryFilesOs machine;
    config_test::MemoryFiles& files = machine.os.files;
};

TEST_P(CalibrationTest, PointsAndTables) {
    const config::CalibrationDefaults defaults = Read(GetParam().section);
    EXPECT_EQ(defaults.points, GetParam().points);
    EXPECT_EQ(defaults.tables[0][0], GetParam().firstSx[0]);
    EXPECT_EQ(defaults.tables[0][1], GetParam().firstSx[1]);
    EXPECT_EQ(defaults.tables[0][2], GetParam().firstSx[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, CalibrationTest,
    testing::Values(
        CalibrationCase{"FivePointsWithoutLists", "max_point=5\r\n", 5, {0, 0, 0}},
        CalibrationCase{"FivePointsAndTheirList", "max_point=5\r\nsx=1,2,3,4,5\r\n", 5, {1, 2, 3}},
        CalibrationCase{"BlanksAfterCommasAreSkipped", "max_point=5\r\nsx=1, 2,  3, 4, 5\r\n", 5, {1, 2, 3}},
        CalibrationCase{"HexadecimalEntries", "max_point=5\r\nsx=$10,0x20,-3,4,5\r\n", 5, {16, 32, -3}},
        CalibrationCase{"PointCountNotOffered", "max_point=6\r\nsx=1,2,3,4,5,6\r\n", 0, {0, 0, 0}},
        CalibrationCase{"ListTooShort", "max_point=5\r\nsx=1,2,3,4\r\n", 0, {0, 0, 0}},
        // The first list was taken; the second's length makes the count 0.
        CalibrationCase{
            "LaterListTooLong", "max_point=5\r\nsx=1,2,3,4,5\r\nsy=1,2,3,4,5,6\r\n", 0, {1, 2, 3}},
        CalibrationCase{"TrailingCommaAddsAnEntry", "max_point=5\r\nsx=1,2,3,4,5,\r\n", 0, {0, 0, 0}},
        // The reader trims the value, so only quotes keep a blank at its end.
        CalibrationCase{
            "BlankAfterTheLastCommaAddsNone", "max_point=5\r\nsx=\"1,2,3,4,5, \"\r\n", 5, {1, 2, 3}}),
    test_support::CaseName());

TEST_F(CalibrationTest, ResolutionsAreReadWhateverThePoints) {
    const config::CalibrationDefaults defaults =
        Read("max_point=3\r\nwidthresolution=1024\r\nheightresolution=0x300\r\n");
    EXPECT_EQ(defaults.points, 0);
    EXPECT_EQ(defaults.widthResolution, 1024);
    EXPECT_EQ(defaults.heightResolution, 768);
}

TEST_F(CalibrationTest, EntryThatIsNoNumberIsTheConversionError) {
    try {
        Read("max_point=5\r\nsx=1,2,3y,4,5\r\n");
        ADD_FAILURE() << "no error";
    } catch (const setup::SetupError& error) {
        EXPECT_STREQ(error.what(), "'3y' is not a valid integer value");
    }
}

TEST_F(CalibrationTest, EntryThatIsNoNumberIsNotReadWhenTheLengthsDiffer) {
    EXPECT_EQ(Read("max_point=5\r\nsx=1,2\r\nsy=1,2,3y,4,5\r\n").points, 0);
}

TEST(CalibrationPointsTest, OnlyTheOfferedCounts) {
    for (std::int32_t points = -1; points <= 30; ++points)
        EXPECT_EQ(config::IsValidPointCount(points),
                  points == 5 || points == 12 || points == 16 || points == 25)
            << points;
}

}  // namespace
