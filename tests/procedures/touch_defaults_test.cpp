// The touch parameter defaults: point lists, value types and sizes, the order
// of the writes, and nothing at all unless the calibration is valid.
#include "procedures/touch_defaults.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "case_name.h"
#include "registry/registry_access.h"
#include "routine_fixture.h"
#include "shell/errors.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr const char* kUsbCalibration = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters0";
constexpr const char* kUsbParameters = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters";
constexpr const char* kSerialCalibration = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\qz232\\Parameters0";
constexpr const char* kSerialParameters = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\qz232\\Parameters";
constexpr const char* kVirtualTouch = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\vtouch\\Parameters";

std::vector<std::uint8_t> Int32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

// 25 little-endian integers: the given ones, then zeros.
std::vector<std::uint8_t> Table(const std::vector<std::int32_t>& values) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < 25; ++i) {
        std::vector<std::uint8_t> entry = Int32(i < values.size() ? values[i] : 0);
        bytes.insert(bytes.end(), entry.begin(), entry.end());
    }
    return bytes;
}

class TouchDefaultsTest : public RoutineTest {
protected:
    TouchDefaultsTest() { form.ProductKind = 0; }

    void Write() {
        setup::RegistryAccess registry;
        setup::WriteTouchParameterDefaults(form, registry);
    }
    std::vector<std::uint8_t> Binary(const std::string& key, const std::string& name) {
        auto value = pc.registry.Value(key, name);
        if (!value) return {};
        EXPECT_EQ(value->type, plat::kRegBinary) << name;
        return value->data;
    }
    // The value names the program set, in order.
    std::vector<std::string> Writes() {
        std::vector<std::string> names;
        for (const auto& call : pc.recordedCalls)
            if (call.call == "RegSetValueExA") names.push_back(call.argument);
        return names;
    }
};

TEST_F(TouchDefaultsTest, UsbCalibrationIsWrittenWithItsTypesSizesAndOrder) {
    UseSetupIni(
        "[calibusb]\r\nmax_point=5\r\nwidthresolution=1024\r\nheightresolution=768\r\n"
        "sx=4096,28671,4096,28671,16384\r\nsy=1,2,3,4,5\r\nux=-6,7,8,9,$A\r\nuy=11,12,13,14,15\r\n"
        "[TouchCFG]\r\nrbmode=2\r\nrbtime=1500\r\nNonIndex=0\r\n"
        "[System]\r\nAllowMultiTouch=1\r\nAppInfo=1\r\n");
    pc.recordCalls = true;
    Write();

    EXPECT_THAT(Writes(),
                ElementsAre("Notes", "MAX_POINT", "WidthResolution", "HeightResolution", "ScreenUpperLeftx",
                            "ScreenUpperLefty", "ScreenLowerRightx", "ScreenLowerRighty", "SX", "SY", "UX",
                            "UY", "NSX", "NSY", "NUX", "NUY", "Monitor", "Rotate", "Origin", "ADC", "RBTime",
                            "NonIndex", "RunningMode", "AppInfo"));
    EXPECT_EQ(pc.registry.String(kUsbCalibration, "Notes"), "Default value");
    EXPECT_EQ(pc.registry.Value(kUsbCalibration, "Notes")->type, plat::kRegSz);
    EXPECT_EQ(Binary(kUsbCalibration, "MAX_POINT"), Int32(5));
    EXPECT_EQ(Binary(kUsbCalibration, "WidthResolution"), Int32(1024));
    EXPECT_EQ(Binary(kUsbCalibration, "HeightResolution"), Int32(768));
    EXPECT_EQ(Binary(kUsbCalibration, "ScreenUpperLeftx"), Int32(0));
    EXPECT_EQ(Binary(kUsbCalibration, "ScreenLowerRightx"), Int32(32767));
    EXPECT_EQ(Binary(kUsbCalibration, "ScreenLowerRighty"), Int32(32767));
    EXPECT_EQ(Binary(kUsbCalibration, "SX"), Table({4096, 28671, 4096, 28671, 16384}));
    EXPECT_EQ(Binary(kUsbCalibration, "NSX"), Binary(kUsbCalibration, "SX"));
    EXPECT_EQ(Binary(kUsbCalibration, "UX"), Table({-6, 7, 8, 9, 10}));
    EXPECT_EQ(Binary(kUsbCalibration, "NUY"), Table({11, 12, 13, 14, 15}));
    EXPECT_EQ(Binary(kUsbCalibration, "SX").size(), 100u);
    EXPECT_EQ(Binary(kUsbCalibration, "Monitor"),
              (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Binary(kUsbCalibration, "ADC"), Int32(0));
    EXPECT_EQ(Binary(kUsbParameters, "RBTime"), Int32(1500));
    EXPECT_EQ(Binary(kUsbParameters, "NonIndex"), Int32(0));
    EXPECT_EQ(Binary(kVirtualTouch, "RunningMode"), Int32(1));
    EXPECT_EQ(Binary(kVirtualTouch, "AppInfo"), Int32(1));
    EXPECT_THAT(trace, ElementsAre("Write default value!"));
    EXPECT_FALSE(pc.registry.KeyExists(kSerialCalibration));
    EXPECT_EQ(setup::StepCode, -1);  // a block of the install run, not a routine of its own
}

TEST_F(TouchDefaultsTest, SerialCalibrationGoesToTheSerialDriverWithItsMaximum) {
    form.ProductKind = 1;
    UseSetupIni("[calib232]\r\nmax_point=5\r\n[calibusb]\r\nmax_point=7\r\n");
    Write();
    EXPECT_EQ(Binary(kSerialCalibration, "ScreenLowerRightx"), Int32(65535));
    EXPECT_EQ(Binary(kSerialCalibration, "ScreenLowerRighty"), Int32(65535));
    EXPECT_EQ(Binary(kSerialParameters, "NonIndex"), Int32(0));
    EXPECT_FALSE(pc.registry.KeyExists(kUsbParameters));
}

TEST_F(TouchDefaultsTest, NoListsWriteEveryValueWithTablesOfZeros) {
    UseSetupIni("[calibusb]\r\nmax_point=5\r\n");
    Write();
    for (const char* table : {"SX", "SY", "UX", "UY", "NSX", "NSY", "NUX", "NUY"})
        EXPECT_EQ(Binary(kUsbCalibration, table), std::vector<std::uint8_t>(100, 0)) << table;
    EXPECT_EQ(Binary(kUsbCalibration, "WidthResolution"), Int32(0));
    EXPECT_EQ(pc.registry.ValueNames(kUsbParameters), std::vector<std::string>{"NonIndex"});  // rbmode 0
    EXPECT_EQ(Binary(kVirtualTouch, "RunningMode"), Int32(0));
}

TEST_F(TouchDefaultsTest, BlanksAfterCommasAreSkipped) {
    UseSetupIni("[calibusb]\r\nmax_point=12\r\nsx=1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12\r\n");
    Write();
    EXPECT_EQ(Binary(kUsbCalibration, "SX"), Table({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(TouchDefaultsTest, TwentyFivePointsFillTheWholeTable) {
    std::string list;
    std::vector<std::int32_t> values;
    for (int i = 1; i <= 25; ++i) {
        list += (i > 1 ? "," : "") + std::to_string(i * 1000);
        values.push_back(i * 1000);
    }
    UseSetupIni("[calibusb]\r\nmax_point=25\r\nsx=" + list + "\r\nuy=" + list + "\r\n");
    Write();
    EXPECT_EQ(Binary(kUsbCalibration, "SX"), Table(values));
    EXPECT_EQ(Binary(kUsbCalibration, "NUY"), Table(values));
    const std::vector<std::uint8_t> sx = Binary(kUsbCalibration, "SX");
    EXPECT_EQ(std::vector<std::uint8_t>(sx.end() - 4, sx.end()), Int32(25000));  // no zero tail
    EXPECT_EQ(Binary(kUsbCalibration, "MAX_POINT"), Int32(25));
}

struct InvalidCase {
    const char* name;
    const char* section;
};

class InvalidCalibrationTest : public TouchDefaultsTest, public ::testing::WithParamInterface<InvalidCase> {};

TEST_P(InvalidCalibrationTest, WritesNothingAtAll) {
    UseSetupIni(std::string("[calibusb]\r\n") + GetParam().section +
                "[TouchCFG]\r\nrbmode=2\r\nNonIndex=1\r\n[System]\r\nAllowMultiTouch=1\r\nAppInfo=1\r\n");
    Write();
    for (const char* key : {kUsbCalibration, kUsbParameters, kVirtualTouch, kSerialCalibration})
        EXPECT_FALSE(pc.registry.KeyExists(key)) << key;
    EXPECT_TRUE(trace.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sections, InvalidCalibrationTest,
    ::testing::Values(InvalidCase{"NoSection", ""}, InvalidCase{"PointCountNotAllowed", "max_point=6\r\n"},
                      InvalidCase{"PointCountNotANumber", "max_point=five\r\n"},
                      InvalidCase{"ListTooShort", "max_point=5\r\nsx=1,2,3,4\r\n"},
                      InvalidCase{"TrailingCommaMakesSixEntries", "max_point=5\r\nsx=1,2,3,4,5,\r\n"},
                      // The first lists matched; the last one spoils everything.
                      InvalidCase{"LastListTooLong",
                                  "max_point=5\r\nsx=1,2,3,4,5\r\nsy=1,2,3,4,5\r\n"
                                  "ux=1,2,3,4,5\r\nuy=1,2,3,4,5,6\r\n"},
                      // Once spoilt, a list of the original length no longer matches.
                      InvalidCase{"MismatchThenMatch", "max_point=5\r\nsx=1,2\r\nsy=1,2,3,4,5\r\n"}),
    test_support::CaseName());

TEST_F(TouchDefaultsTest, RightButtonTimeOnlyInRightButtonModeTwo) {
    UseSetupIni("[calibusb]\r\nmax_point=5\r\n[TouchCFG]\r\nrbmode=1\r\nrbtime=900\r\nNonIndex=7\r\n");
    Write();
    EXPECT_FALSE(pc.registry.Value(kUsbParameters, "RBTime"));
    EXPECT_EQ(Binary(kUsbParameters, "NonIndex"), Int32(1));  // any value but 0

    UseSetupIni("[calibusb]\r\nmax_point=5\r\n[TouchCFG]\r\nrbmode=2\r\n");
    Write();
    EXPECT_EQ(Binary(kUsbParameters, "RBTime"), Int32(2000));  // the default time
    EXPECT_EQ(Binary(kUsbParameters, "NonIndex"), Int32(0));
}

struct ModeCase {
    const char* name;
    bool win7;
    const char* system;
    std::int32_t runningMode;
    std::int32_t appInfo;
};

class VirtualTouchModeTest : public TouchDefaultsTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(VirtualTouchModeTest, MultiTouchOnlyOnWindows7AndLater) {
    form.IsWin7OrLater = GetParam().win7;
    UseSetupIni(std::string("[calibusb]\r\nmax_point=16\r\n[System]\r\n") + GetParam().system);
    Write();
    EXPECT_EQ(Binary(kVirtualTouch, "RunningMode"), Int32(GetParam().runningMode));
    EXPECT_EQ(Binary(kVirtualTouch, "AppInfo"), Int32(GetParam().appInfo));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, VirtualTouchModeTest,
    ::testing::Values(ModeCase{"Windows7MultiTouch", true, "AllowMultiTouch=1\r\n", 1, 0},
                      ModeCase{"VistaMultiTouch", false, "AllowMultiTouch=1\r\n", 0, 0},
                      ModeCase{"Windows7MultiTouchTwo", true, "AllowMultiTouch=2\r\n", 0, 0},
                      ModeCase{"AppInfo", false, "AppInfo=1\r\n", 0, 1},
                      ModeCase{"AppInfoTwo", true, "AppInfo=2\r\n", 0, 0}),
    test_support::CaseName());

TEST_F(TouchDefaultsTest, AnEntryThatIsNoIntegerEndsTheRunBeforeAnyWrite) {
    UseSetupIni("[calibusb]\r\nmax_point=5\r\nsx=1,2,3,4,5\r\nsy=1,2,3y,4,5\r\n");
    try {
        Write();
        ADD_FAILURE() << "no error raised";
    } catch (const setup::SetupError& error) {
        EXPECT_STREQ(error.what(), "'3y' is not a valid integer value");
    }
    EXPECT_FALSE(pc.registry.KeyExists(kUsbCalibration));

    // A trailing comma with the right count leaves an empty last entry.
    UseSetupIni("[calibusb]\r\nmax_point=5\r\nsx=1,2,3,4,\r\n");
    EXPECT_THROW(Write(), setup::SetupError);
}

TEST_F(TouchDefaultsTest, CalibrationKeyThatDoesNotOpenStopsTheWrites) {
    UseSetupIni("[calibusb]\r\nmax_point=5\r\n[TouchCFG]\r\nrbmode=2\r\n");
    pc.FailCallOn("RegCreateKeyExA", "SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters0",
                  plat::kErrorAccessDenied);
    Write();
    EXPECT_THAT(trace, ElementsAre("Write default value!", "--Failed!"));
    for (const char* key : {kUsbCalibration, kUsbParameters, kVirtualTouch})
        EXPECT_FALSE(pc.registry.KeyExists(key)) << key;
}

TEST_F(TouchDefaultsTest, ParameterKeysThatDoNotOpenAreSkipped) {
    UseSetupIni("[calibusb]\r\nmax_point=5\r\n[TouchCFG]\r\nrbmode=2\r\n");
    pc.FailCallOn("RegCreateKeyExA", "SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters",
                  plat::kErrorAccessDenied, 1);
    Write();
    EXPECT_FALSE(pc.registry.Value(kUsbParameters, "RBTime"));
    EXPECT_EQ(Binary(kUsbParameters, "NonIndex"), Int32(0));
    EXPECT_EQ(Binary(kVirtualTouch, "AppInfo"), Int32(0));
}

TEST_F(TouchDefaultsTest, AValueTheRegistryRefusesEndsTheRun) {
    UseSetupIni("[calibusb]\r\nmax_point=5\r\n");
    pc.FailCallOn("RegSetValueExA", "SX", plat::kErrorAccessDenied);
    EXPECT_THROW(Write(), setup::SetupError);
    EXPECT_FALSE(pc.registry.Value(kUsbCalibration, "SY"));
}

}  // namespace
