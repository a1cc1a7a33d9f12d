// What DPInst, DevCon, setdev64.exe, hidfilter.exe and sc.exe do to the
// simulated PC's devices, driver store and services, with their exit codes.
#include <gmock/gmock.h>

#include "platform/sim/package_tools.h"
#include "sim_fixture.h"
#include "system/processes.h"

namespace {

using ::testing::ElementsAre;

constexpr const char* kInstall = "C:\\Program Files\\Brivo";
constexpr const char* kTouchInf =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=HIDClass\r\n"
    "ClassGuid={745a17a0-74d3-11d0-b6fe-00a0c90f57da}\r\n"
    "[Manufacturer]\r\n%QZMfg%=QZMfg\r\n[QZMfg]\r\n%QZUSB_00%=QZUSB_Inst, USB\\VID_0D7A&PID_0306\r\n"
    "[QZUSB_Filter_AddReg]\r\nHKR,,\"LowerFilters\",0x00010000,\"qzusbf\"\r\n";
constexpr const char* kVirtualInf =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=HIDClass\r\n"
    "ClassGuid={745a17a0-74d3-11d0-b6fe-00a0c90f57da}\r\n"
    "[Manufacturer]\r\n%Mfg%=VTouch\r\n[VTouch]\r\n"
    "%VTouch.Desc%=VTouch_Inst, {5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\r\n";

class ToolModelTest : public SimTest {
protected:
    ToolModelTest() {
        pc.files.AddStandardFolders();
        sim::ModelPackageTools(pc);
        sim::ModelSystemTools(pc);
        for (const char* tool : {"dpinst.exe", "devcon.exe", "hidfilter.exe"})
            pc.files.AddFile(std::string(kInstall) + "\\" + tool, "MZ");
        pc.files.AddFile("C:\\Package\\setdev64.exe", "MZ");
        pc.files.AddFile(std::string(kInstall) + "\\qzusbf.inf", kTouchInf);
        pc.files.AddFile(std::string(kInstall) + "\\vtouch.inf", kVirtualInf);
        pc.files.AddFile(
            "C:\\Windows\\inf\\msmouse.inf",
            "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Mouse\r\n"
            "[Manufacturer]\r\nStd=Std\r\n[Std]\r\nMouse=Mouse_Inst,HID_DEVICE_SYSTEM_MOUSE\r\n");
    }
    std::int32_t Run(const std::string& commandLine, const std::string& folder = "") {
        if (!folder.empty()) pc.files.SetCurrentDirectoryA(folder);
        return setup::RunCommandExitCode(commandLine, plat::kSwHide, true);
    }
    sim::SimDevice* Usb() { return pc.devices.Find("USB\\VID_0D7A&PID_0306\\5&1A2B3C4D&0&1"); }
};

TEST_F(ToolModelTest, DpInstInstallsThePackagesOfItsFolderAndRemovesThemAgain) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    Usb()->restartOnChange = true;
    // qzusbf.inf goes onto the controller, vtouch.inf into the store only.
    std::int32_t code = Run("\"C:\\Program Files\\Brivo\\dpinst.exe\" /q /se");
    EXPECT_EQ(static_cast<plat::DWord>(code), 0x40000101u);
    EXPECT_EQ(Usb()->driverInf, "oem0.inf");
    EXPECT_THAT(pc.devices.LowerFilters(*Usb()), ElementsAre("qzusbf"));
    EXPECT_EQ(pc.files.Contents("C:\\Windows\\inf\\oem1.inf"), kVirtualInf);
    // Again: both copies are there already and the controller has the driver.
    EXPECT_EQ(static_cast<plat::DWord>(Run("\"C:\\Program Files\\Brivo\\dpinst.exe\" /q /se")), 0x00000200u);
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\oem2.inf"));

    pc.files.AddFile("C:\\Package\\dpinst.exe", "MZ");
    pc.files.AddFile("C:\\Package\\qzusbf.inf", kTouchInf);
    EXPECT_EQ(Run("dpinst.exe /u qzusbf.inf /d /q /se", "C:\\Package"), 1);
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\oem0.inf"));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\oem0.pnf"));
    EXPECT_TRUE(Usb()->driverInf.empty());
    // Nothing left to remove: nothing done, and no failure, as the stand-in answers.
    EXPECT_EQ(static_cast<plat::DWord>(Run("dpinst.exe /u qzusbf.inf /d /q /se", "C:\\Package")), 0u);
    // A package that is not there is a failure.
    EXPECT_EQ(static_cast<plat::DWord>(Run("dpinst.exe /u missing.inf /d /q /se", "C:\\Package")),
              0x80010000u);
}

TEST_F(ToolModelTest, DevConCreatesTheVirtualDeviceAndRemovesEveryOneOfIt) {
    std::string folder = std::string(kInstall) + "\\";
    EXPECT_EQ(
        Run("devcon.exe install vtouch.inf \"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\"", folder),
        0);
    sim::SimDevice* root = pc.devices.Find("ROOT\\HIDCLASS\\0000");
    ASSERT_NE(root, nullptr);
    EXPECT_THAT(root->hardwareIds, ElementsAre("{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE"));
    EXPECT_EQ(root->classGuid, plat::kGuidClassHid);
    EXPECT_EQ(root->driverInf, "oem0.inf");
    // Its driver reports the HID mapper collection.
    ASSERT_EQ(pc.devices.All().size(), 2u);
    EXPECT_EQ(pc.devices.All()[1]->hid->productId, 0xE7A7);

    EXPECT_EQ(
        Run("devcon.exe install vtouch.inf \"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\"", folder),
        0);
    EXPECT_NE(pc.devices.Find("ROOT\\HIDCLASS\\0001"), nullptr);
    EXPECT_EQ(Run("devcon.exe remove \"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\"", folder), 0);
    EXPECT_TRUE(pc.devices.All().empty());
    EXPECT_EQ(Run("devcon.exe install missing.inf \"X\\Y\"", folder), 2);
    EXPECT_EQ(Run("devcon.exe install vtouch.inf", folder), 3);  // not a command line DevCon takes
    EXPECT_EQ(Run("devcon.exe", folder), 3);
    pc.facts.privilege = 1;
    EXPECT_EQ(Run("devcon.exe remove \"X\\Y\"", folder), 2);
}

TEST_F(ToolModelTest, DevConRemovesConnectedDevicesOnly) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1A2B3C4D&0&1", false);
    EXPECT_EQ(Run("devcon.exe remove \"USB\\VID_0D7A&PID_0306\"", std::string(kInstall) + "\\"), 0);
    EXPECT_NE(Usb(), nullptr);
}

TEST_F(ToolModelTest, SetDev64ChangesStateAndDriverWithTheStandInsExitCodes) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    EXPECT_EQ(Run("C:\\Package\\setdev64.exe \"usb\\VID_0D7A&PID_0306\" 2"), 1);
    EXPECT_FALSE(Usb()->enabled);
    Usb()->restartOnChange = true;
    EXPECT_EQ(Run("C:\\Package\\setdev64.exe \"usb\\VID_0D7A&PID_0306\" 1"), 2);
    EXPECT_TRUE(Usb()->enabled);
    EXPECT_EQ(Run("C:\\Package\\setdev64.exe \"usb\\VID_0D7A&PID_0399\" 2"), 0);
    sim::SimDevice* hid = pc.devices.All()[1];
    hid->driverInf = "oem5.inf";
    EXPECT_EQ(Run("C:\\Package\\setdev64.exe \"HID\\VID_0D7A&PID_0306\" 256 C:\\Windows\\inf\\msmouse.inf"),
              1);
    EXPECT_EQ(hid->driverInf, "msmouse.inf");
    EXPECT_EQ(Run("C:\\Package\\setdev64.exe \"HID\\VID_0D7A&PID_0306\" 256 C:\\Windows\\inf\\msmouse.inf"),
              0);
    EXPECT_EQ(Run("C:\\Package\\setdev64.exe \"HID\\VID_0D7A&PID_0306\" 3"), 0);
}

TEST_F(ToolModelTest, HidFilterAndScMatchTheirCommandLines) {
    std::string hidfilter = "\"C:\\Program Files\\Brivo\\hidfilter.exe\"";
    EXPECT_EQ(Run(hidfilter), 2);
    EXPECT_EQ(Run(hidfilter + " -install -uninstall"), 2);
    EXPECT_EQ(Run(hidfilter + " -INSTALL -silent"), 0);
    EXPECT_TRUE(pc.services.Exists("HIDFltrM"));
    EXPECT_EQ(Run("sc.exe delete hidfltrm"), 0);
    EXPECT_FALSE(pc.services.Exists("HIDFltrM"));
    EXPECT_EQ(Run("sc.exe delete hidfltrm"), static_cast<std::int32_t>(plat::kErrorServiceDoesNotExist));
    EXPECT_EQ(Run(hidfilter + " -uninstall -silent"), 0);
    pc.services.Add("touchpnp", plat::kServiceStopped);
    EXPECT_EQ(Run("sc start touchpnp"), 0);
    EXPECT_EQ(pc.services.Find("touchpnp")->state, plat::kServiceRunning);
    EXPECT_EQ(Run("sc start touchpnp"), static_cast<std::int32_t>(plat::kErrorServiceAlreadyRunning));
    pc.facts.privilege = 1;
    EXPECT_EQ(Run(hidfilter + " -install -silent"), 1);
}

}  // namespace
