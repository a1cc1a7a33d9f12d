// Device removal, the USB filter, disable and enable, and the driver update.
#include "registry/device_operations.h"

#include <gmock/gmock.h>

#include "routine_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class DeviceOperationsTest : public RoutineTest {
protected:
    DeviceOperationsTest() { pc.facts.is64Bit = false; }

    sim::SimDevice& AddDevice(const std::string& instance, std::vector<std::string> ids,
                              const std::string& className = "HIDClass", bool connected = true) {
        sim::SimDevice device;
        device.instanceId = instance;
        device.hardwareIds = std::move(ids);
        device.className = className;
        device.classGuid = className == "Ports" ? plat::kGuidClassPorts : plat::kGuidClassHid;
        device.connected = connected;
        return pc.devices.Add(device);
    }
    std::vector<std::string> Instances() {
        std::vector<std::string> ids;
        for (sim::SimDevice* device : pc.devices.All()) ids.push_back(device->instanceId);
        return ids;
    }
};

TEST_F(DeviceOperationsTest, RemovalByHardwareIdTakesLaterIdsSubstringsAndUnpluggedDevices) {
    AddDevice("SERENUM\\PNP0F13\\1", {"SERENUM\\PNP0F13", "SERENUM\\QVR0001"}, "Ports", false);
    AddDevice("SERENUM\\QVR0002\\1", {"SERENUM\\QVR0002"}, "Ports");
    AddDevice("USB\\VID_0D7A&PID_03001\\1", {"usb\\vid_0d7a&pid_03001"});
    AddDevice("USB\\VID_0D7A&PID_0301\\1", {"USB\\VID_0D7A&PID_0301"});
    setup::RemoveDevicesByHwId("SERENUM\\QVR0001");
    setup::RemoveDevicesByHwId("USB\\VID_0D7A&PID_0300");
    EXPECT_THAT(Instances(), ElementsAre("SERENUM\\QVR0002\\1", "USB\\VID_0D7A&PID_0301\\1"));
    EXPECT_FALSE(pc.registry.KeyExists("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\SERENUM\\PNP0F13\\1"));
    EXPECT_EQ(setup::StepCode, 8);
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(pc.devices.OpenSets(), 0u);
}

TEST_F(DeviceOperationsTest, RemovalTakesEveryMatchNotOnlyTwentySix) {
    for (int i = 0; i < 30; ++i)
        AddDevice("USB\\VID_0D7A&PID_0306\\" + std::to_string(i), {"USB\\VID_0D7A&PID_0306"}, "HIDClass",
                  i % 2);
    AddDevice("USB\\VID_0D7A&PID_0307\\1", {"USB\\VID_0D7A&PID_0307"});
    setup::RemoveDevicesByHwId("USB\\VID_0D7A&PID_0306");
    EXPECT_THAT(Instances(), ElementsAre("USB\\VID_0D7A&PID_0307\\1"));
}

TEST_F(DeviceOperationsTest, RemovalGoesOnPastADeviceWhoseIdsCannotBeRead) {
    AddDevice("USB\\VID_0D7A&PID_0306\\1", {"USB\\VID_0D7A&PID_0306"});
    AddDevice("USB\\VID_0D7A&PID_0306\\2", {"USB\\VID_0D7A&PID_0306"});
    pc.FailCallOn("SetupDiGetDeviceRegistryPropertyA", "USB\\VID_0D7A&PID_0306\\1", plat::kErrorGenFailure);
    pc.FailCallOn("SetupDiRemoveDevice", "USB\\VID_0D7A&PID_0306\\2", plat::kErrorAccessDenied);
    AddDevice("USB\\VID_0D7A&PID_0306\\3", {"USB\\VID_0D7A&PID_0306"});
    setup::RemoveDevicesByHwId("USB\\VID_0D7A&PID_0306");
    EXPECT_THAT(Instances(), ElementsAre("USB\\VID_0D7A&PID_0306\\1", "USB\\VID_0D7A&PID_0306\\2"));
    pc.FailCall("SetupDiGetClassDevsA", plat::kErrorGenFailure);
    setup::RemoveDevicesByHwId("USB\\VID_0D7A&PID_0306");
    EXPECT_EQ(pc.devices.OpenSets(), 0u);
}

TEST_F(DeviceOperationsTest, EmptyIdRemovesNothing) {
    pc.devices.AddUnrelatedDevices(3);
    setup::RemoveDevicesByHwId("");
    setup::RemoveHidInterfaceDevices("");
    EXPECT_EQ(pc.devices.All().size(), 6u);
}

TEST_F(DeviceOperationsTest, HidInterfaceRemovalNeedsFirstIdInterfaceZeroAndTheHidClass) {
    AddDevice("USB\\VID_0D7A&PID_0306&MI_00\\1", {"USB\\VID_0D7A&PID_0306&REV_0100&MI_00", "USB\\X"});
    AddDevice("USB\\VID_0D7A&PID_0306&MI_00\\2", {"usb\\vid_0d7a&pid_0306&mi_00"}, "hidclass", false);
    AddDevice("USB\\VID_0D7A&PID_0306\\1", {"USB\\VID_0D7A&PID_0306&REV_0100", "USB\\VID_0D7A&PID_0306"});
    AddDevice("USB\\VID_0D7A&PID_0306&MI_00\\3", {"USB\\VID_0D7A&PID_0306&MI_00"}, "Mouse");
    AddDevice("USB\\OTHER\\1", {"USB\\OTHER", "USB\\VID_0D7A&PID_0306&MI_00"});
    AddDevice("USB\\VID_0D7A&PID_0306&MI_00\\4", {"USB\\VID_0D7A&PID_0306&MI_00"}, "");
    setup::RemoveHidInterfaceDevices("USB\\VID_0D7A&PID_0306");
    EXPECT_THAT(Instances(), ElementsAre("USB\\VID_0D7A&PID_0306\\1", "USB\\VID_0D7A&PID_0306&MI_00\\3",
                                         "USB\\OTHER\\1", "USB\\VID_0D7A&PID_0306&MI_00\\4"));
    EXPECT_EQ(setup::StepCode, 9);
}

TEST_F(DeviceOperationsTest, FilterGoesOnEveryConnectedControllerOfTheId) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1");
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&2&0&2");
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&3&0&3", false);
    pc.devices.AddUsbController("VID_0D7A&PID_0300", "5&4&0&4");
    EXPECT_TRUE(setup::InstallFilterDriver("VID_0D7A&PID_0306", "Example Touch USB Controller"));
    for (const char* serial : {"5&1&0&1", "5&2&0&2"}) {
        sim::SimDevice* device = pc.devices.Find(std::string("USB\\VID_0D7A&PID_0306\\") + serial);
        EXPECT_THAT(pc.devices.LowerFilters(*device), ElementsAre("qzusbf"));
        EXPECT_EQ(pc.devices.FriendlyName(*device), "Example Touch USB Controller");
    }
    EXPECT_TRUE(pc.devices.LowerFilters(*pc.devices.Find("USB\\VID_0D7A&PID_0306\\5&3&0&3")).empty());
    EXPECT_TRUE(pc.devices.LowerFilters(*pc.devices.Find("USB\\VID_0D7A&PID_0300\\5&4&0&4")).empty());
    EXPECT_THAT(trace, ElementsAre("Install FilterDRV", "--OK"));
    EXPECT_EQ(setup::StepCode, 11);
}

TEST_F(DeviceOperationsTest, FilterWithoutControllerOrWhenTheNameCannotBeSetFails) {
    pc.devices.AddUnrelatedDevices(5);
    EXPECT_FALSE(setup::InstallFilterDriver("VID_0D7A&PID_0306", "Touch"));
    EXPECT_THAT(trace, ElementsAre("Install FilterDRV", "--Failed"));
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1");
    pc.FailCall("SetupDiSetDeviceRegistryPropertyA", plat::kErrorAccessDenied, 1, 1);
    trace.clear();
    EXPECT_FALSE(setup::InstallFilterDriver("VID_0D7A&PID_0306", "Touch"));
    EXPECT_THAT(trace, ElementsAre("Install FilterDRV", "--Failed"));
    pc.FailCall("SetupDiGetClassDevsA", plat::kErrorGenFailure);
    trace.clear();
    EXPECT_FALSE(setup::InstallFilterDriver("VID_0D7A&PID_0306", "Touch"));
    EXPECT_THAT(trace, ElementsAre("Install FilterDRV"));
}

TEST_F(DeviceOperationsTest, DisableThenEnableTreatsUnpluggedControllersToo) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1");
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&2&0&2", false);
    pc.devices.AddUsbController("VID_0D7A&PID_0300", "5&4&0&4");
    EXPECT_TRUE(setup::SetDev32("VID_0D7A&PID_0306", 2));
    EXPECT_FALSE(pc.devices.Find("USB\\VID_0D7A&PID_0306\\5&1&0&1")->enabled);
    EXPECT_FALSE(pc.devices.Find("USB\\VID_0D7A&PID_0306\\5&2&0&2")->enabled);
    EXPECT_TRUE(pc.devices.Find("USB\\VID_0D7A&PID_0300\\5&4&0&4")->enabled);
    // Disabled, the controller's HID collection is gone.
    EXPECT_FALSE(pc.devices.IsPresent(*pc.devices.All()[1]));
    EXPECT_TRUE(setup::SetDev32("VID_0D7A&PID_0306", 1));
    EXPECT_TRUE(pc.devices.Find("USB\\VID_0D7A&PID_0306\\5&1&0&1")->enabled);
    EXPECT_TRUE(pc.devices.IsPresent(*pc.devices.All()[1]));
    EXPECT_THAT(trace, ElementsAre("SetDev32=VID_0D7A&PID_0306 to 2", "--OK", "--OK",
                                   "SetDev32=VID_0D7A&PID_0306 to 1", "--OK", "--OK"));
    EXPECT_EQ(setup::StepCode, 12);
}

TEST_F(DeviceOperationsTest, StateChangeFailuresAreTracedInHexadecimal) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1");
    pc.facts.is64Bit = true;
    EXPECT_FALSE(setup::SetDev32("VID_0D7A&PID_0306", 2));
    EXPECT_THAT(trace, ElementsAre("SetDev32=VID_0D7A&PID_0306 to 2", "--Failed=E0000235"));
    pc.FailCall("SetupDiSetClassInstallParamsA", plat::kErrorInvalidParameter);
    trace.clear();
    EXPECT_FALSE(setup::SetDev32("VID_0D7A&PID_0306", 2));
    EXPECT_THAT(trace, ElementsAre("SetDev32=VID_0D7A&PID_0306 to 2"));
}

class UpdateDriverTest : public DeviceOperationsTest {
protected:
    UpdateDriverTest() {
        pc.files.AddFile(
            "C:\\Windows\\inf\\msmouse.inf",
            "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Mouse\r\n"
            "ClassGuid={4D36E96F-E325-11CE-BFC1-08002BE10318}\r\n"
            "[Manufacturer]\r\n%Std%=Std\r\n[Std]\r\n%Desc%=Mouse_Inst,HID_DEVICE_SYSTEM_MOUSE\r\n");
        sim::SimDevice& usb = pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1");
        hid = pc.devices.All()[1];
        hid->driverInf = "oem4.inf";  // the touch driver's, until the mouse driver replaces it
        hid->restartOnChange = true;
        (void)usb;
    }
    sim::SimDevice* hid = nullptr;
};

TEST_F(UpdateDriverTest, MouseDriverReplacesTheCurrentOneAndAsksForARestart) {
    bool reboot = false;
    EXPECT_TRUE(setup::UpdatePnpDriver("HID\\VID_0D7A&PID_0306", "C:\\Windows\\inf\\msmouse.inf", reboot));
    EXPECT_TRUE(reboot);
    EXPECT_EQ(hid->driverInf, "msmouse.inf");
    EXPECT_THAT(trace, ElementsAre("UpdatePnP OK!"));
    EXPECT_THAT(pc.libraries.calls, ElementsAre("newdev.dll!UpdateDriverForPlugAndPlayDevicesA"));
    EXPECT_EQ(pc.devices.OpenSets(), 0u);
    // Again: the driver is no better than the one the device has now.
    trace.clear();
    EXPECT_FALSE(setup::UpdatePnpDriver("HID\\VID_0D7A&PID_0306", "C:\\Windows\\inf\\msmouse.inf", reboot));
    EXPECT_THAT(trace, ElementsAre("UpdatePnP failed=259"));
    EXPECT_EQ(setup::StepCode, 10);
}

TEST_F(UpdateDriverTest, MissingInfOrNewdevReturnsFalseWithoutTraceAndLeavesTheAnswer) {
    bool reboot = true;
    EXPECT_FALSE(setup::UpdatePnpDriver("HID\\VID_0D7A&PID_0306", "C:\\Windows\\inf\\none.inf", reboot));
    EXPECT_TRUE(reboot);
    pc.libraries.SetSystemExport("newdev.dll", "UpdateDriverForPlugAndPlayDevicesA", false);
    EXPECT_FALSE(setup::UpdatePnpDriver("HID\\VID_0D7A&PID_0306", "C:\\Windows\\inf\\msmouse.inf", reboot));
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(hid->driverInf, "oem4.inf");
}

TEST_F(UpdateDriverTest, RefusedInA32BitProcessOn64BitWindows) {
    pc.facts.is64Bit = true;
    bool reboot = false;
    EXPECT_FALSE(setup::UpdatePnpDriver("HID\\VID_0D7A&PID_0306", "C:\\Windows\\inf\\msmouse.inf", reboot));
    EXPECT_THAT(trace, ElementsAre("UpdatePnP failed=3758096949"));
    EXPECT_FALSE(reboot);
}

}  // namespace
