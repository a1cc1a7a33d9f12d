// The USB product install: the connected controller, the multi-port filter
// service, stale HID interface devices, the file set, DPInst on XP and Server
// 2003, the HID enumeration key, the registry settings and the shortcuts.
#include <gmock/gmock.h>

#include "case_name.h"
#include "procedures/procedure_fixture.h"

namespace procedures_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

class UsbInstallTest : public ProcedureTest {
protected:
    void Prepare(const WindowsFamily& family) {
        UseWindows(family);
        form.ProductKind = 0;
        ASSERT_EQ(Run([&] { form.GenerateInf(); }), std::nullopt);
        trace.clear();
    }
    std::optional<unsigned> Install(bool* result = nullptr) {
        return Run([&] {
            bool returned = form.InstallUsbProduct();
            if (result) *result = returned;
        });
    }
};

TEST_F(UsbInstallTest, ChoosesTheConnectedControllerAndPutsItsDriverInPlace) {
    Prepare(kWindows7X64);
    ConnectController();
    bool result = false;
    pc.clock.now = 0;
    EXPECT_EQ(Install(&result), std::nullopt);
    EXPECT_TRUE(result);
    EXPECT_EQ(trace.front(), "Start Install USB");
    EXPECT_EQ(form.DeviceHwId, "VID_0D7A&PID_0301");
    EXPECT_EQ(form.DeviceDescText, "Example Touch USB Controller (wide screen)");
    EXPECT_TRUE(form.HwIdList.empty());
    EXPECT_TRUE(form.HwDescList.empty());
    // The multi-port filter's removal: the fixed two seconds and sc.exe, from the current folder.
    EXPECT_THAT(Commands(), ElementsAre(Command{"sc.exe delete hidfltrm", "C:\\Package"}));
    EXPECT_EQ(pc.clock.sleptMs, 2000u);
    EXPECT_TRUE(pc.files.Exists("C:\\Windows\\System32\\Drivers\\qzusbf.sys"));
    EXPECT_TRUE(pc.files.Exists(InstallFolder() + "\\devcon.exe"));
    const std::string instance =
        "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0D7A&PID_0301\\5&1A2B3C4D&0&1";
    EXPECT_EQ(pc.registry.String(instance, "LowerFilters"), "qzusbf");
    EXPECT_EQ(pc.registry.String("HKLM\\SYSTEM\\CurrentControlSet\\Services\\qzusbf", "DisplayName"),
              "Example Touch USB filter driver");
    EXPECT_TRUE(pc.files.Exists("C:\\Users\\Public\\Desktop\\Touch control panel.lnk"));
    EXPECT_TRUE(pc.windows.boxes.empty());
}

TEST_F(UsbInstallTest, TheEarlierMultiPortFilterServiceGoes) {
    Prepare(kWindows7X86);
    ConnectController();
    sim::SimService& filter = pc.services.Add("HIDFltrM", plat::kServiceRunning);
    filter.afterStop = {plat::kServiceStopPending, plat::kServiceStopped};
    EXPECT_EQ(Install(), std::nullopt);
    EXPECT_FALSE(pc.services.Exists("HIDFltrM"));
    EXPECT_THAT(trace, Contains("Stop Service HIDFltrM"));
    EXPECT_THAT(trace, Contains("Delete Service HIDFltrM"));
}

TEST_F(UsbInstallTest, StaleFirstInterfaceDevicesOfTheFixedModelGoWhateverControllerIsChosen) {
    Prepare(kWindows7X86);
    ConnectController();
    sim::SimDevice stale;
    stale.instanceId = "USB\\VID_0D7A&PID_0306&MI_00\\6&1&0&0000";
    stale.hardwareIds = {"USB\\VID_0D7A&PID_0306&REV_0100&MI_00", "USB\\VID_0D7A&PID_0306&MI_00"};
    stale.className = "HIDClass";
    stale.classGuid = plat::kGuidClassHid;
    stale.connected = false;
    pc.devices.Add(stale);
    EXPECT_EQ(Install(), std::nullopt);
    EXPECT_EQ(pc.devices.Find(stale.instanceId), nullptr);
    EXPECT_NE(pc.devices.Find("USB\\VID_0D7A&PID_0301\\5&1A2B3C4D&0&1"), nullptr);
}

TEST_F(UsbInstallTest, OnlyTheChosenControllersHidEnumerationKeyIsDeleted) {
    Prepare(kWindows7X86);
    ConnectController();
    pc.devices.AddUsbController("VID_0D7A&PID_0300", "5&9&0&2", false);
    EXPECT_EQ(Install(), std::nullopt);
    EXPECT_EQ(pc.registry.SubkeyNames("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\HID\\VID_0D7A&PID_0300").size(),
              1u);
    // The connected controller's HID node is enumerated afresh, without what was kept there.
    sim::SimDevice* hid = nullptr;
    for (sim::SimDevice* device : pc.devices.All())
        if (device->instanceId.starts_with("HID\\VID_0D7A&PID_0301")) hid = device;
    ASSERT_NE(hid, nullptr);
    EXPECT_FALSE(pc.registry.Value("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\" + hid->instanceId, "Mfg"));
}

struct FamilyCase {
    const char* name;
    WindowsFamily family;
    bool dpinst;
};

class UsbInstallFamilyTest : public UsbInstallTest, public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(UsbInstallFamilyTest, DpInstRunsOnlyOnXpAndServer2003) {
    const FamilyCase& c = GetParam();
    Prepare(c.family);
    ConnectController();
    pc.files.AddFile("C:\\Windows\\System32\\qzusbf.sys", "old");
    if (c.family.x64) pc.files.AddFile("C:\\Windows\\SysWOW64\\qzusbf.sys", "32-bit");
    EXPECT_EQ(Install(), std::nullopt);
    const std::string dpinst = "\"" + InstallFolder() + "\\dpinst.exe\" /q /se";
    if (c.dpinst) {
        EXPECT_THAT(Commands(), ElementsAre(Command{"sc.exe delete hidfltrm", "C:\\Package"},
                                            Command{dpinst, "C:\\Package"}));
        // In the native system folder, also for a 32-bit program on 64-bit Windows.
        EXPECT_FALSE(pc.files.Exists("C:\\Windows\\System32\\qzusbf.sys"));
        if (c.family.x64) {
            EXPECT_TRUE(pc.files.Exists("C:\\Windows\\SysWOW64\\qzusbf.sys"));
        }
        EXPECT_TRUE(pc.files.Redirection());
        // 2000 ms, then 21 rounds of 50 ms with messages processed, after DPInst's run.
        EXPECT_EQ(pc.clock.sleptMs, 2000u + 21 * 50);
        EXPECT_GE(pc.ui.processMessagesCalls, 21);
        // DPInst put the driver on the controller.
        EXPECT_THAT(pc.devices.Find("USB\\VID_0D7A&PID_0301\\5&1A2B3C4D&0&1")->driverInf,
                    ::testing::StartsWith("oem"));
    } else {
        EXPECT_THAT(CommandLines(), Not(Contains(dpinst)));
        EXPECT_TRUE(pc.files.Exists("C:\\Windows\\System32\\qzusbf.sys"));
        EXPECT_EQ(pc.clock.sleptMs, 2000u);
    }
}

INSTANTIATE_TEST_SUITE_P(Families, UsbInstallFamilyTest,
                         ::testing::Values(FamilyCase{"Windows2000", kWindows2000, false},
                                           FamilyCase{"WindowsXp", kWindowsXp, true},
                                           FamilyCase{"WindowsXpX64", kWindowsXpX64, true},
                                           FamilyCase{"Server2003", kServer2003, true},
                                           FamilyCase{"VistaX86", kVistaX86, false},
                                           FamilyCase{"Windows7X64", kWindows7X64, false}),
                         test_support::CaseName());

TEST_F(UsbInstallTest, ThePlugInPromptAnsweredAfterPluggingInGoesOnWithThatController) {
    Prepare(kWindows7X64);
    ConnectController("VID_0D7A&PID_0310").connectAfterBoxes = 1;
    pc.devices.Find("USB\\VID_0D7A&PID_0310\\5&1A2B3C4D&0&1")->connected = false;
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Install(), std::nullopt);
    ASSERT_EQ(pc.windows.boxes.size(), 1u);
    EXPECT_EQ(pc.windows.boxes[0].text, "Please plugin controller to USB port");
    EXPECT_EQ(pc.windows.boxes[0].caption, "Warning");
    EXPECT_EQ(pc.windows.boxes[0].flags, plat::kMbOkCancel);
    EXPECT_EQ(form.DeviceHwId, "VID_0D7A&PID_0310");
    EXPECT_TRUE(pc.files.Exists(InstallFolder() + "\\setup.ini"));
}

TEST_F(UsbInstallTest, CancellingThePlugInPromptEndsTheRunBeforeAnyFileIsPlaced) {
    Prepare(kWindows7X64);
    pc.windows.Answer(plat::kIdOk);
    pc.windows.Answer(plat::kIdCancel);
    EXPECT_EQ(Install(), 0u);
    EXPECT_EQ(pc.windows.boxes.size(), 2u);
    EXPECT_FALSE(pc.files.Exists(InstallFolder()));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\System32\\Drivers\\qzusbf.sys"));
}

}  // namespace
}  // namespace procedures_test
