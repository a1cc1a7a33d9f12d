// The uninstall run: the confirmation, the removal of the driver package,
// devices, services, files and entries for each product, the restart offer
// that ends it, and the installed copy that removes itself at the restart.
#include <gmock/gmock.h>

#include "case_name.h"
#include "procedures/procedure_fixture.h"

namespace procedures_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kConfirm = "Are you sure to uninstall Brivo driver and utility ?";
const std::string kRestart = "You must REBOOT Windows to complete the UnInstallation";
const std::string kDeclined = "Device may be will not work properly, until windows rebooted !";
constexpr const char* kRemoveVirtualTouch = " remove \"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\"";

class UninstallTest : public ProcedureTest {
protected:
    // A whole install of the product, then the records forgotten.
    void Installed(const WindowsFamily& family, std::int32_t product) {
        UseWindows(family);
        form.ProductKind = product;
        if (product == 0) ConnectController();
        pc.ui.SetApplicationTitle("Touch setup");
        pc.windows.AnswerAllWith(plat::kIdOk);
        ASSERT_EQ(Run([&] { form.InstallProcedure(); }), 0u);
        pc.ui.closed = false;
        pc.system.exitWindowsRequests.clear();
        form.IsVistaOrLater = family.major == 6;  // the gates may have cleared it; startup sets it afresh
        ForgetRecords();
    }
    std::optional<unsigned> Uninstall(std::vector<int> answers = {plat::kIdYes, plat::kIdOk}) {
        for (int answer : answers) pc.windows.Answer(answer);
        return Run([&] { form.UninstallProcedure(); });
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : pc.windows.boxes) texts.push_back(box.text);
        return texts;
    }
    std::vector<std::string> OemInfs() const {
        std::vector<std::string> infs;
        for (const std::string& name : pc.files.List("C:\\Windows\\inf"))
            if (name.starts_with("oem") && name.ends_with(".inf")) infs.push_back(name);
        return infs;
    }
    // The uninstall entry's run: the installed setup.exe, started by the
    // uninstaller in the install folder.
    void RunFromTheInstalledCopy() {
        pc.processes.ownPath = InstallFolder() + "\\setup.exe";
        form.SourceDir = InstallFolder() + "\\";
        pc.files.SetCurrentDirectoryA(InstallFolder());
    }
    std::string RunKey() const { return Software() + "\\Microsoft\\Windows\\CurrentVersion\\Run"; }
    std::string UninstallKey() const {
        return Software() + "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QZ_Touch";
    }
};

TEST_F(UninstallTest, WithoutAProductOnlyTheMessageIsShown) {
    UseWindows(kWindows7X64);
    form.ProductKind = -1;
    EXPECT_EQ(Uninstall({plat::kIdOk}), std::nullopt);
    EXPECT_THAT(BoxTexts(), ElementsAre("Please select product to install !"));
    EXPECT_EQ(pc.windows.boxes[0].flags, plat::kMbOk);
    EXPECT_EQ(setup::StepCode, 74);
}

TEST_F(UninstallTest, AnsweringNoLeavesTheMachineAsItWas) {
    Installed(kWindows7X64, 0);
    const std::vector<std::string> files = pc.files.AllPaths();
    const std::size_t devices = pc.devices.All().size();
    EXPECT_EQ(Uninstall({plat::kIdNo}), std::nullopt);
    ASSERT_EQ(pc.windows.boxes.size(), 1u);
    EXPECT_EQ(pc.windows.boxes[0].text, kConfirm);
    EXPECT_EQ(pc.windows.boxes[0].caption, "Warning");
    EXPECT_EQ(pc.windows.boxes[0].flags, 0x34u);
    EXPECT_EQ(pc.files.AllPaths(), files);
    EXPECT_EQ(pc.devices.All().size(), devices);
    EXPECT_TRUE(pc.processes.launches.empty());
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(setup::StepCode, 74);
}

TEST_F(UninstallTest, UsbOnWindows7RemovesEverythingTheInstallPlacedButTheInstallPath) {
    Installed(kWindows7X64, 0);
    ASSERT_EQ(OemInfs().size(), 2u);  // the USB driver's package and the virtual touch device's
    ASSERT_TRUE(pc.services.Exists("HIDFltrM"));
    ASSERT_FALSE(pc.devices.WithHardwareId(kVirtualTouchId).empty());
    const std::string folder = "C:\\Program Files (x86)\\ExampleTouch";
    RunFromTheInstalledCopy();
    EXPECT_EQ(Uninstall(), 0u);

    EXPECT_THAT(Commands(),
                ElementsAre(Command{"\"" + folder + "\\dpinst.exe\" /u qzusbf.inf /d /q /se", folder},
                            Command{"dpinst.exe /u qzusbf.inf /d /q /se", folder},
                            Command{"\"" + folder + "\\dpinst.exe\" /u vtouch.inf /d /q /se", folder},
                            Command{"sc.exe delete hidfltrm", folder},
                            Command{"\"" + folder + "\\devcon.exe\"" + kRemoveVirtualTouch, folder}));
    EXPECT_EQ(pc.processes.launches[1].program, folder + "\\dpinst.exe");
    // The multi-port filter's stop (one second), then 51 rounds of 100 ms.
    EXPECT_EQ(pc.clock.sleptMs, 1000u + 51 * 100);
    EXPECT_GE(pc.ui.processMessagesCalls, 51);
    EXPECT_THAT(BoxTexts(), ElementsAre(kConfirm, kRestart));
    EXPECT_EQ(pc.windows.boxes[1].caption, "Warning");
    EXPECT_EQ(pc.windows.boxes[1].flags, plat::kMbOkCancel);
    EXPECT_EQ(pc.system.exitWindowsRequests.size(), 1u);
    EXPECT_EQ(setup::StepCode, 60);

    EXPECT_EQ(pc.devices.Find("USB\\VID_0D7A&PID_0301\\5&1A2B3C4D&0&1"), nullptr);
    EXPECT_TRUE(pc.devices.WithHardwareId(kVirtualTouchId).empty());
    EXPECT_FALSE(pc.services.Exists("HIDFltrM"));
    EXPECT_THAT(OemInfs(), IsEmpty());
    EXPECT_FALSE(pc.files.Exists(folder));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\System32\\Drivers\\qzusbf.sys"));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\System32\\touchcfg.cpl"));
    EXPECT_FALSE(pc.files.Exists("C:\\Users\\Public\\Desktop\\Touch control panel.lnk"));
    EXPECT_FALSE(pc.files.Exists("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Example Touch"));
    EXPECT_FALSE(pc.registry.Value(RunKey(), "TS_Mapper"));
    EXPECT_FALSE(pc.registry.KeyExists(UninstallKey()));
    EXPECT_FALSE(pc.registry.KeyExists("HKLM\\SYSTEM\\CurrentControlSet\\Services\\qzusbf"));
    EXPECT_EQ(pc.registry.String(Software() + "\\Brivo", "InstallPath"), folder);  // stays
}

// The package carries no DPInst: the driver store is left as it is.
TEST_F(UninstallTest, UsbFromThePackageFindsNoDpInst) {
    Installed(kWindows7X64, 0);
    EXPECT_EQ(Uninstall(), 0u);
    ASSERT_GE(pc.processes.launches.size(), 3u);
    EXPECT_THAT(Commands()[0], (Command{"C:\\Package\\dpinst.exe /u qzusbf.inf /d /q /se", "C:\\Package"}));
    EXPECT_THAT(Commands()[1], (Command{"dpinst.exe /u qzusbf.inf /d /q /se", "C:\\Package"}));
    EXPECT_FALSE(pc.processes.launches[0].created);
    EXPECT_FALSE(pc.processes.launches[1].created);
    EXPECT_EQ(OemInfs().size(), 2u);
    // The rest goes, the install folder with the additional files in it too.
    EXPECT_FALSE(pc.files.Exists(InstallFolder()));
    EXPECT_TRUE(pc.devices.WithHardwareId(kVirtualTouchId).empty());
}

TEST_F(UninstallTest, UsbOnXpSkipsDpInstAndStillRemovesTheRest) {
    Installed(kWindowsXp, 0);
    const std::string folder = "C:\\Program Files\\ExampleTouch";
    EXPECT_EQ(Uninstall(), 0u);
    EXPECT_THAT(CommandLines(), ElementsAre("sc.exe delete hidfltrm",
                                            "\"" + folder + "\\devcon.exe\"" + kRemoveVirtualTouch));
    EXPECT_FALSE(pc.processes.launches[1].created);  // XP has no DevCon copy
    EXPECT_EQ(pc.devices.Find("USB\\VID_0D7A&PID_0301\\5&1A2B3C4D&0&1"), nullptr);
    // The package DPInst put into the store on XP stays: the USB removal of
    // OEM copies knows only the earlier INFs' model keys.
    EXPECT_EQ(OemInfs().size(), 1u);
    EXPECT_FALSE(pc.files.Exists(folder));
    EXPECT_FALSE(pc.registry.KeyExists(UninstallKey()));
    EXPECT_THAT(BoxTexts(), ElementsAre(kConfirm, kRestart));
}

TEST_F(UninstallTest, EveryModelOfTheTableIsRemovedWhateverTheLetterCase) {
    Installed(kWindows7X86, 0);
    pc.devices.AddUsbController("VID_0D7A&PID_031A", "5&2&0&3", false);
    pc.devices.AddUsbController("VID_0D7A&PID_031F", "5&2&0&4", true);
    pc.devices.AddUsbController("VID_0D7A&PID_0320", "5&2&0&5", true);  // not a model of the table
    EXPECT_EQ(Uninstall(), 0u);
    std::vector<std::string> left;
    for (sim::SimDevice* device : pc.devices.All()) left.push_back(device->instanceId);
    EXPECT_THAT(left, ElementsAre("USB\\VID_0D7A&PID_0320\\5&2&0&5",
                                  ::testing::StartsWith("HID\\VID_0D7A&PID_0320")));
}

TEST_F(UninstallTest, SerialRemovesDevicesDriverPackageFilesAndEntries) {
    Installed(kWindows7X64, 1);
    sim::SimDevice device;
    device.instanceId = "SERENUM\\QVR0002\\1";
    device.hardwareIds = {"SERENUM\\QVR0002"};
    device.className = "Mouse";
    device.classGuid = plat::kGuidClassMouse;
    pc.devices.Add(device);
    pc.files.AddFile("C:\\Windows\\inf\\oem9.inf", "[QZMfg]\r\n%QZ232_1%=QZ232_Inst, SERENUM\\QVR0001\r\n");
    EXPECT_EQ(Uninstall(), 0u);
    EXPECT_TRUE(pc.processes.launches.empty());
    EXPECT_EQ(pc.devices.Find("SERENUM\\QVR0002\\1"), nullptr);
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\oem9.inf"));
    EXPECT_FALSE(pc.files.Exists(InstallFolder()));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\System32\\Drivers\\qz232.sys"));
    EXPECT_FALSE(pc.registry.Value(RunKey(), "TS_Mapper"));
    EXPECT_FALSE(pc.registry.KeyExists(UninstallKey()));
    EXPECT_THAT(BoxTexts(), ElementsAre(kConfirm, kRestart));
    EXPECT_EQ(pc.clock.sleptMs, 0u);
}

TEST_F(UninstallTest, RunningTouchToolsAreClosedFirst) {
    Installed(kWindows7X64, 1);
    pc.windows.Add("TSwapFormZZ", "Touch").closesOn = std::make_pair(0x480u, plat::WParam{255});
    EXPECT_EQ(Uninstall(), 0u);
    EXPECT_FALSE(pc.windows.IsOpen(pc.windows.All().front()));
    EXPECT_EQ(trace.front(), "CloseAPI");
    EXPECT_EQ(trace[1], "Handling VISTA Virtualization");
    EXPECT_EQ(pc.clock.sleptMs, 1000u);  // the tool's one round
}

TEST_F(UninstallTest, DecliningTheRestartStillEndsTheRun) {
    Installed(kWindows7X64, 1);
    EXPECT_EQ(Uninstall({plat::kIdYes, plat::kIdCancel, plat::kIdOk}), 0u);
    EXPECT_THAT(BoxTexts(), ElementsAre(kConfirm, kRestart, kDeclined));
    EXPECT_TRUE(pc.system.exitWindowsRequests.empty());
    EXPECT_TRUE(pc.ui.closed);
}

TEST_F(UninstallTest, EntriesAlreadyRemovedByHandDoNotStopTheRun) {
    Installed(kWindows7X64, 0);
    pc.registry.DeleteTree(UninstallKey());
    pc.registry.DeleteTree(RunKey());
    EXPECT_EQ(Uninstall(), 0u);
    EXPECT_THAT(BoxTexts(), ElementsAre(kConfirm, kRestart));
    EXPECT_FALSE(pc.files.Exists(InstallFolder()));
}

TEST_F(UninstallTest, ACalibrationEntryGoesToo) {
    Installed(kWindows7X64, 1);
    pc.registry.SetString(RunKey(), "TS_Calib", "C:\\Old\\touchcfg.exe /calib");
    pc.registry.SetString(RunKey(), "Other", "C:\\Other\\tool.exe");
    EXPECT_EQ(Uninstall(), 0u);
    EXPECT_THAT(pc.registry.ValueNames(RunKey()), ElementsAre("Other"));
}

struct InstalledCopyCase {
    const char* name;
    std::int32_t product;
    bool userFile;  // a file of the user's in the install folder
};

class InstalledCopyTest : public UninstallTest, public ::testing::WithParamInterface<InstalledCopyCase> {};

// Formerly the running setup.exe, the uninstaller waiting for it and so the
// install folder stayed behind for good.
TEST_P(InstalledCopyTest, RemovesTheRunningCopyAndTheInstallFolderAtTheRestart) {
    const InstalledCopyCase& c = GetParam();
    Installed(kWindows7X64, c.product);
    const std::string folder = InstallFolder();
    RunFromTheInstalledCopy();
    pc.files.LockFile(folder + "\\setup.exe");
    pc.files.LockFile(folder + "\\uninstall.exe");
    if (c.userFile) pc.files.AddFile(folder + "\\my notes.txt", "mine");
    EXPECT_EQ(Uninstall(), 0u);

    using Pending = sim::SimFiles::PendingOperation;
    std::vector<Pending> inFolder;
    for (const Pending& operation : pc.files.PendingOperations())
        if (operation.from.starts_with(folder)) inFolder.push_back(operation);
    EXPECT_THAT(inFolder, ElementsAre(Pending{folder + "\\setup.exe", ""},
                                      Pending{folder + "\\uninstall.exe", ""}, Pending{folder, ""}));
    EXPECT_THAT(trace, Contains("Delete at restart " + folder));
    EXPECT_THAT(BoxTexts(), ElementsAre(kConfirm, kRestart));

    pc.files.UnlockFile(folder + "\\setup.exe");
    pc.files.UnlockFile(folder + "\\uninstall.exe");
    pc.files.ApplyPendingOperations();  // the restart
    EXPECT_EQ(pc.files.Exists(folder), c.userFile);
    if (c.userFile) {
        EXPECT_EQ(pc.files.List(folder), std::vector<std::string>{"my notes.txt"});
    }
}

INSTANTIATE_TEST_SUITE_P(Products, InstalledCopyTest,
                         ::testing::Values(InstalledCopyCase{"Usb", 0, false},
                                           InstalledCopyCase{"Serial", 1, false},
                                           InstalledCopyCase{"UserFileStays", 1, true}),
                         test_support::CaseName());

TEST_F(UninstallTest, FromThePackageNothingIsLeftForTheRestart) {
    Installed(kWindows7X64, 1);
    pc.files.AddFile(InstallFolder() + "\\my notes.txt", "mine");
    EXPECT_EQ(Uninstall(), 0u);
    for (const auto& operation : pc.files.PendingOperations())
        EXPECT_FALSE(operation.from.starts_with(InstallFolder())) << operation.from;
    EXPECT_THAT(pc.files.List(InstallFolder()), ElementsAre("my notes.txt"));
}

}  // namespace
}  // namespace procedures_test
