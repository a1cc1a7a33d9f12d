// Finding a connected HID device by hardware-ID text and by the IDs it reports.
#include <gmock/gmock.h>

#include "routine_fixture.h"

namespace {

using ::testing::ElementsAre;

using HidDiscoveryTest = RoutineTest;

// A HID node with a path of its own choosing, for the letter-case rules.
sim::SimDevice& AddHid(sim::SimPc& pc, const std::string& instance, const std::string& path,
                       std::uint16_t vendor, std::uint16_t product) {
    sim::SimDevice hid;
    hid.instanceId = instance;
    hid.hardwareIds = {"HID\\" + instance};
    hid.className = "HIDClass";
    hid.classGuid = plat::kGuidClassHid;
    hid.interfaces = {{plat::kGuidDevInterfaceHid, path}};
    plat::HiddAttributes attributes;
    attributes.vendorId = vendor;
    attributes.productId = product;
    hid.hid = attributes;
    return pc.devices.Add(hid);
}

TEST_F(HidDiscoveryTest, FindsThePathHoldingTheHardwareIdInLowerCaseOnly) {
    AddHid(pc, "HID\\UPPER\\1", "\\\\?\\HID#VID_0D7A&PID_0306#1#{4d1e55b2-f16f-11cf-88cb-001111000030}",
           0x0D7A, 0x0306);
    EXPECT_EQ(form.FindHidDevicePath("VID_0D7A&PID_0306"), "");
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    std::string path = form.FindHidDevicePath("VID_0D7A&PID_0306");
    EXPECT_THAT(path, ::testing::StartsWith("\\\\?\\hid#vid_0d7a&pid_0306#7&"));
    EXPECT_EQ(setup::StepCode, 18);
    EXPECT_THAT(trace, ElementsAre("Find HID VID_0D7A&PID_0306", "Find HID VID_0D7A&PID_0306"));
    EXPECT_EQ(pc.devices.OpenSets(), 0u);
}

TEST_F(HidDiscoveryTest, UnpluggedControllerAndOtherDevicesAreNotFound) {
    pc.devices.AddUnrelatedDevices(100);
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1", false);
    EXPECT_EQ(form.FindHidDevicePath("VID_0D7A&PID_0306"), "");
    EXPECT_EQ(pc.devices.OpenSets(), 0u);
}

TEST_F(HidDiscoveryTest, InterfaceWhoseDetailCannotBeFetchedIsPassedOver) {
    pc.devices.AddUsbController("VID_0D7A&PID_0300", "5&1&0&1");
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&2&0&2");
    // The first interface's size query fails; the second is still examined.
    pc.FailCall("SetupDiGetDeviceInterfaceDetailA", plat::kErrorGenFailure, 1);
    EXPECT_NE(form.FindHidDevicePath("vid_0d7a&pid_03"), "");
    pc.FailCall("SetupDiGetClassDevsA", plat::kErrorGenFailure, 1);
    EXPECT_EQ(form.FindHidDevicePath("VID_0D7A&PID_0300"), "");
}

TEST_F(HidDiscoveryTest, MapperIsFoundByItsIdsAndADeviceThatCannotBeOpenedIsSkipped) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    EXPECT_EQ(form.FindHidMapper(0, 0), "");
    EXPECT_EQ(setup::StepCode, 17);
    sim::SimDevice& locked = AddHid(pc, "HID\\LOCKED\\1", "", 0x0D7A, 0xE7A7);
    locked.canOpen = false;
    sim::SimDevice& mapper = AddHid(pc, "HID\\MAPPER\\1", "", 0x0D7A, 0xE7A7);
    std::string expected = pc.devices.InterfacePath(mapper, mapper.interfaces[0]);
    EXPECT_EQ(form.FindHidMapper(0, 0), expected);
    EXPECT_EQ(trace.back(), "Found HID mapper at =" + expected);
    // Opened for no access, sharing read and write, as an existing device.
    ASSERT_FALSE(pc.devices.opens.empty());
    EXPECT_EQ(pc.devices.opens.back().access, 0u);
    EXPECT_EQ(pc.devices.opens.back().share, 3u);
    EXPECT_EQ(pc.devices.opens.back().disposition, 3u);
    EXPECT_EQ(pc.devices.OpenDeviceHandles(), 0u);
    EXPECT_EQ(form.FindHidMapper(0x0D7A, 0x0306),
              pc.devices.InterfacePath(*pc.devices.All()[1], pc.devices.All()[1]->interfaces[0]));
}

TEST_F(HidDiscoveryTest, DeviceWhoseAttributesCannotBeReadDoesNotMatch) {
    sim::SimDevice& mapper = AddHid(pc, "HID\\MAPPER\\1", "", 0x0D7A, 0xE7A7);
    pc.FailCallOn("HidD_GetAttributes", pc.devices.InterfacePath(mapper, mapper.interfaces[0]),
                  plat::kErrorGenFailure);
    EXPECT_EQ(form.FindHidMapper(0, 0), "");
    EXPECT_EQ(pc.devices.OpenDeviceHandles(), 0u);
}

}  // namespace
