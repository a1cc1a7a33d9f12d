// Removal of enumeration, service and maker keys.
#include <gmock/gmock.h>

#include "routine_fixture.h"

namespace {

constexpr const char* kEnum = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\";
constexpr const char* kServices = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\";
constexpr const char* kMaker = "HKLM\\SOFTWARE\\Wow6432Node\\QUOLEX\\USB";

using RegistryCleanupTest = RoutineTest;

TEST_F(RegistryCleanupTest, UsbCleanupRemovesWholeSubtreesOfEveryId) {
    form.HwIdList = {"VID_0D7A&PID_0300", "VID_0D7A&PID_0306"};
    pc.registry.SetString(std::string(kEnum) + "USB\\VID_0D7A&PID_0300\\5&1\\Device Parameters\\Deep", "x",
                          "1");
    pc.registry.CreateKey(std::string(kEnum) + "USB\\VID_0D7A&PID_0300\\5&2\\Control");
    pc.registry.CreateKey(std::string(kEnum) + "HID\\VID_0D7A&PID_0306\\7&1\\Device Parameters");
    pc.registry.CreateKey(std::string(kEnum) + "USB\\VID_F00D&PID_C077\\5&3");
    pc.registry.CreateKey(std::string(kServices) + "qzusbf\\Parameters");
    pc.registry.CreateKey(std::string(kServices) + "qzusbuf");
    pc.registry.CreateKey(std::string(kServices) + "qz232");
    pc.registry.CreateKey(kMaker);
    form.CleanUsbRegistry();
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kEnum) + "USB\\VID_0D7A&PID_0300"));
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kEnum) + "HID\\VID_0D7A&PID_0306"));
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kEnum) + "USB\\VID_F00D&PID_C077\\5&3"));
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kServices) + "qzusbf"));
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kServices) + "qzusbuf"));
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kServices) + "qz232"));
    EXPECT_FALSE(pc.registry.KeyExists(kMaker));
    EXPECT_EQ(setup::StepCode, 57);
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(pc.registry.OpenHandleCount(), 0u);
}

TEST_F(RegistryCleanupTest, SubkeyThatCannotBeDeletedKeepsItsParentsAndTheRestGoesOn) {
    form.HwIdList = {"VID_0D7A&PID_0300", "VID_0D7A&PID_0306"};
    std::string stuck = std::string(kEnum) + "USB\\VID_0D7A&PID_0300\\5&1\\Device Parameters";
    pc.registry.CreateKey(stuck);
    pc.registry.CreateKey(std::string(kEnum) + "USB\\VID_0D7A&PID_0300\\5&2");
    pc.registry.RefuseDeletion(stuck);
    pc.registry.CreateKey(std::string(kEnum) + "USB\\VID_0D7A&PID_0306\\5&3");
    form.CleanUsbRegistry();
    EXPECT_TRUE(pc.registry.KeyExists(stuck));
    // Sub-keys go from the last to the first: the later sibling is gone.
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kEnum) + "USB\\VID_0D7A&PID_0300\\5&2"));
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kEnum) + "USB\\VID_0D7A&PID_0306"));
}

TEST_F(RegistryCleanupTest, RemovingTheEnumKeyOfAnUnpluggedControllerRemovesTheDevice) {
    form.HwIdList = {"VID_0D7A&PID_0306"};
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1", false);
    form.CleanUsbRegistry();
    EXPECT_TRUE(pc.devices.All().empty());
}

TEST_F(RegistryCleanupTest, EmptyIdListAndEmptyIdsDeleteOnlyTheFixedKeys) {
    pc.registry.CreateKey(std::string(kEnum) + "USB\\VID_F00D&PID_C077\\5&3");
    pc.registry.CreateKey(std::string(kEnum) + "HID\\VID_F00D&PID_C077\\7&3");
    pc.registry.CreateKey(std::string(kEnum) + "SERENUM\\OTHER0001\\1");
    pc.registry.CreateKey(kMaker);
    form.CleanUsbRegistry();
    EXPECT_FALSE(pc.registry.KeyExists(kMaker));
    form.HwIdList = {""};
    form.CleanUsbRegistry();
    form.CleanSerialRegistry();
    form.CleanUsbDeviceRegistry();  // no controller chosen
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kEnum) + "USB\\VID_F00D&PID_C077\\5&3"));
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kEnum) + "HID\\VID_F00D&PID_C077\\7&3"));
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kEnum) + "SERENUM\\OTHER0001\\1"));
}

TEST_F(RegistryCleanupTest, DeviceCleanupRemovesOnlyTheHidKeyOfTheController) {
    form.DeviceHwId = "VID_0D7A&PID_0306";
    pc.registry.CreateKey(std::string(kEnum) + "HID\\VID_0D7A&PID_0306\\7&1");
    pc.registry.CreateKey(std::string(kEnum) + "USB\\VID_0D7A&PID_0306\\5&1");
    pc.registry.CreateKey(std::string(kServices) + "qzusbf");
    form.CleanUsbDeviceRegistry();
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kEnum) + "HID\\VID_0D7A&PID_0306"));
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kEnum) + "USB\\VID_0D7A&PID_0306\\5&1"));
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kServices) + "qzusbf"));
    EXPECT_EQ(setup::StepCode, 59);
}

TEST_F(RegistryCleanupTest, SerialCleanupTakesTheUsbFilterServiceAndMakerKeyToo) {
    form.HwIdList = {"QVR0001", "QVR0002", "QVR0003"};
    pc.registry.CreateKey(std::string(kEnum) + "SERENUM\\QVR0002\\1&2\\Device Parameters");
    pc.registry.CreateKey(std::string(kServices) + "qzusbf");
    pc.registry.CreateKey(std::string(kServices) + "qzusbuf");
    pc.registry.CreateKey(std::string(kServices) + "qz232");
    pc.registry.CreateKey(kMaker);
    form.CleanSerialRegistry();
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kEnum) + "SERENUM\\QVR0002"));
    EXPECT_FALSE(pc.registry.KeyExists(std::string(kServices) + "qzusbf"));
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kServices) + "qzusbuf"));
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kServices) + "qz232"));
    EXPECT_FALSE(pc.registry.KeyExists(kMaker));
    EXPECT_EQ(setup::StepCode, 63);
}

}  // namespace

namespace {

// The program names CurrentControlSet only; the numbered control sets (the
// one Windows boots from and the last known good one) are Windows' own
// business. The simulated registry keeps them as keys of their own.
TEST_F(RoutineTest, OnlyTheCurrentControlSetIsAddressed) {
    form.HwIdList = {"VID_0D7A&PID_0306"};
    form.DeviceHwId = "VID_0D7A&PID_0306";
    for (const char* set : {"CurrentControlSet", "ControlSet001", "ControlSet002"}) {
        std::string system = std::string("HKLM\\SYSTEM\\") + set;
        pc.registry.CreateKey(system + "\\Enum\\USB\\VID_0D7A&PID_0306\\5&1");
        pc.registry.CreateKey(system + "\\Enum\\HID\\VID_0D7A&PID_0306\\7&1");
        pc.registry.CreateKey(system + "\\Services\\qzusbf");
    }
    form.CleanUsbRegistry();
    for (const char* set : {"ControlSet001", "ControlSet002"}) {
        std::string system = std::string("HKLM\\SYSTEM\\") + set;
        EXPECT_TRUE(pc.registry.KeyExists(system + "\\Enum\\USB\\VID_0D7A&PID_0306\\5&1")) << set;
        EXPECT_TRUE(pc.registry.KeyExists(system + "\\Enum\\HID\\VID_0D7A&PID_0306\\7&1")) << set;
        EXPECT_TRUE(pc.registry.KeyExists(system + "\\Services\\qzusbf")) << set;
    }
    EXPECT_FALSE(pc.registry.KeyExists("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0D7A&PID_0306"));
    EXPECT_FALSE(pc.registry.KeyExists("HKLM\\SYSTEM\\CurrentControlSet\\Services\\qzusbf"));
}

}  // namespace
