// Driver service and device settings, and the user's double-click settings.
#include <gmock/gmock.h>

#include "routine_fixture.h"

namespace {

using ::testing::ElementsAre;

constexpr const char* kHardwareKey = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0D7A&PID_0306";
constexpr const char* kService = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\qzusbf";
constexpr const char* kMouse = "HKCU\\Control Panel\\Mouse";

class RegistrySettingsTest : public RoutineTest {
protected:
    RegistrySettingsTest() {
        form.DeviceHwId = "VID_0D7A&PID_0306";
        form.DeviceDescText = "Example Touch USB Controller";
        form.DriverDisplayName = "Touch filter";
        pc.clock.now = 0;
    }
};

TEST_F(RegistrySettingsTest, UsbSettingsGoIntoEveryInstanceAndTheService) {
    UseSetupIni("[System]\r\nEnableC3=1\r\n[TouchCFG]\r\ndefaultdblclick=4\r\n");
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1");
    sim::SimDevice old = {};
    old.instanceId = "USB\\VID_0D7A&PID_0306\\5&2&0&2";
    old.hardwareIds = {"USB\\VID_0D7A&PID_0306"};
    old.connected = false;
    old.deviceParameters = false;
    pc.devices.Add(old);
    pc.registry.SetMultiString(std::string(kHardwareKey) + "\\5&1&0&1", "LowerFilters", {"old", "older"});
    form.SetNtUsbRegistry();

    std::string first = std::string(kHardwareKey) + "\\5&1&0&1";
    EXPECT_EQ(pc.registry.Value(first, "LowerFilters")->type, plat::kRegSz);
    EXPECT_EQ(pc.registry.String(first, "LowerFilters"), "qzusbf");
    EXPECT_EQ(pc.registry.String(first, "DeviceDesc"), "Example Touch USB Controller");
    EXPECT_EQ(pc.registry.Value(first + "\\Device Parameters", "SelectiveSuspendEnabled")->data,
              std::vector<std::uint8_t>{1});
    // The device sees its new filter.
    EXPECT_THAT(pc.devices.LowerFilters(*pc.devices.Find("USB\\VID_0D7A&PID_0306\\5&1&0&1")),
                ElementsAre("qzusbf"));
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kHardwareKey) + "\\5&2&0&2\\Device parameters"));
    EXPECT_THAT(trace, ElementsAre("Set NT USB Registry for VID_0D7A&PID_0306", "Update key 5&1&0&1", "--OK",
                                   "--OK", "Update key 5&2&0&2", "--OK", "--Failed"));

    EXPECT_EQ(pc.registry.String(kService, "DisplayName"), "Touch filter");
    EXPECT_EQ(pc.registry.String(kService, "Group"), "Pointer Port");
    EXPECT_EQ(pc.registry.Value(kService, "ImagePath")->type, plat::kRegExpandSz);
    EXPECT_EQ(pc.registry.String(kService, "ImagePath"), "System32\\Drivers\\qzusbf.sys");
    EXPECT_EQ(pc.registry.Dword(kService, "ErrorControl"), 0u);
    EXPECT_EQ(pc.registry.Dword(kService, "Start"), 3u);
    EXPECT_EQ(pc.registry.Dword(kService, "Tag"), 3u);
    EXPECT_EQ(pc.registry.Dword(kService, "Type"), 1u);
    EXPECT_THAT(pc.registry.ValueNames(kService),
                ElementsAre("DisplayName", "Group", "ImagePath", "ErrorControl", "Start", "Tag", "Type"));
    EXPECT_EQ(pc.registry.String(std::string(kService) + "\\Parameters", "CreationTime"),
              "6/14/2011 9:30:00 AM");

    EXPECT_EQ(pc.registry.String(kMouse, "DoubleClickWidth"), "48");
    EXPECT_EQ(pc.registry.String(kMouse, "DoubleClickHeight"), "48");
    EXPECT_EQ(pc.registry.String(kMouse, "DoubleClickSpeed"), "500");
    EXPECT_EQ(pc.system.doubleClickWidth, 48u);
    EXPECT_EQ(pc.system.doubleClickHeight, 48u);
    EXPECT_EQ(pc.system.settingBroadcasts, 2);
    EXPECT_EQ(pc.system.doubleClickTime, 500u);
    EXPECT_EQ(setup::StepCode, 7);
    EXPECT_EQ(pc.registry.OpenHandleCount(), 0u);
}

TEST_F(RegistrySettingsTest, WithoutInstancesOrTheHardwareKeyTheRestIsStillWritten) {
    UseSetupIni("[System]\r\n");
    pc.registry.CreateKey(kHardwareKey);
    form.SetNtUsbRegistry();
    EXPECT_THAT(trace, ElementsAre("Set NT USB Registry for VID_0D7A&PID_0306"));
    EXPECT_TRUE(pc.registry.Value(kService, "Type"));
    EXPECT_EQ(pc.registry.String(kMouse, "DoubleClickSpeed"), "0");
    EXPECT_EQ(pc.system.doubleClickTime, 500u);  // 0: Windows' own default

    trace.clear();
    pc.registry.DeleteTree(kHardwareKey);
    form.SetNtUsbRegistry();
    EXPECT_THAT(trace, ElementsAre("Set NT USB Registry for VID_0D7A&PID_0306", "--Error!"));
}

TEST_F(RegistrySettingsTest, WithoutAControllerNoUsbDeviceKeyIsTouched) {
    UseSetupIni("[System]\r\n");
    pc.devices.AddUnrelatedDevices(2);
    form.DeviceHwId.clear();
    form.SetNtUsbRegistry();
    for (sim::SimDevice* device : pc.devices.All()) EXPECT_TRUE(pc.devices.LowerFilters(*device).empty());
    EXPECT_THAT(trace, ElementsAre("Set NT USB Registry for ", "--Error!"));
}

TEST_F(RegistrySettingsTest, MouseKeyThatCannotBeOpenedSkipsTheTolerances) {
    UseSetupIni("[System]\r\n");
    pc.registry.DenyAccess(kMouse);
    form.SetNtUsbRegistry();
    EXPECT_EQ(pc.system.settingBroadcasts, 0);
    EXPECT_EQ(pc.system.doubleClickWidth, 4u);
}

TEST_F(RegistrySettingsTest, ValueThatCannotBeWrittenEndsInTheFatalReport) {
    UseSetupIni("[System]\r\n");
    pc.FailCall("RegSetValueExA", plat::kErrorAccessDenied, 1, 1);
    try {
        form.SetNtUsbRegistry();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'Group'");
    }
    EXPECT_EQ(setup::StepCode, 53);
    EXPECT_EQ(pc.registry.OpenHandleCount(), 0u);
}

TEST_F(RegistrySettingsTest, SelectiveSuspendOnlyWhenEnabled) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1");
    UseSetupIni("[System]\r\nEnableC3=0\r\n");
    form.SetC3UsbRegistry();
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(setup::StepCode, 54);
    UseSetupIni("[System]\r\nEnableC3=1\r\n");
    form.SetNtUsbRegistry();
    EXPECT_TRUE(pc.registry.Value(std::string(kHardwareKey) + "\\5&1&0&1\\Device Parameters",
                                  "SelectiveSuspendEnabled"));
    trace.clear();
    form.SetC3UsbRegistry();
    EXPECT_THAT(trace, ElementsAre("Set USB C3 Registry for VID_0D7A&PID_0306",
                                   "Open key=SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0D7A&PID_0306",
                                   "Update C3 key 5&1&0&1", "--OK"));
}

TEST_F(RegistrySettingsTest, SelectiveSuspendOpensForReadingThenWriting) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1");
    UseSetupIni("[System]\r\nEnableC3=1\r\n");
    // A hardware key that refuses writing can still be listed; a Device
    // Parameters key that refuses writing is skipped.
    pc.registry.DenyAccess(kHardwareKey, plat::kKeySetValue);
    pc.registry.DenyAccess(std::string(kHardwareKey) + "\\5&1&0&1\\Device Parameters", plat::kKeyQueryValue);
    form.SetC3UsbRegistry();
    EXPECT_THAT(trace, ElementsAre("Set USB C3 Registry for VID_0D7A&PID_0306",
                                   "Open key=SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0D7A&PID_0306",
                                   "Update C3 key 5&1&0&1", "--OK"));
    pc.registry.DenyAccess(std::string(kHardwareKey) + "\\5&1&0&1\\Device Parameters", plat::kKeySetValue);
    trace.clear();
    form.SetC3UsbRegistry();
    EXPECT_EQ(trace.back(), "--Failed");
    pc.registry.DenyAccess(kHardwareKey, plat::kKeyEnumerateSubKeys);
    trace.clear();
    form.SetC3UsbRegistry();
    EXPECT_EQ(trace.back(), "--Error!");
}

TEST_F(RegistrySettingsTest, SerialSettingsStoreButDoNotApplyTheTolerances) {
    UseSetupIni("[TouchCFG]\r\ndefaultdblclick=5\r\n");
    pc.facts.shortDateFormat = "dd.MM.yyyy";
    pc.facts.longTimeFormat = "HH:mm:ss";
    pc.clock.now = 61000;
    form.SetNtSerialRegistry();
    EXPECT_EQ(pc.registry.String("HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Setup",
                                 "SourcePath"),
              "C:\\Windows\\System32\\Drivers\\");
    EXPECT_EQ(
        pc.registry.String("HKLM\\SYSTEM\\CurrentControlSet\\Services\\qz232\\Parameters", "CreationTime"),
        "14.06.2011 09:31:01");
    EXPECT_EQ(pc.registry.String(kMouse, "DoubleClickWidth"), "80");
    EXPECT_EQ(pc.registry.String(kMouse, "DoubleClickHeight"), "80");
    EXPECT_EQ(pc.registry.String(kMouse, "DoubleClickSpeed"), "400");
    EXPECT_EQ(pc.system.doubleClickWidth, 4u);
    EXPECT_EQ(pc.system.settingBroadcasts, 0);
    EXPECT_EQ(pc.system.doubleClickTime, 400u);
    EXPECT_THAT(trace, ElementsAre("Set NT 232 Registry"));
}

}  // namespace
