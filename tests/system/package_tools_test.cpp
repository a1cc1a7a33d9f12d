#include "system/package_tools.h"

#include <gtest/gtest.h>

#include "case_name.h"
#include "platform/sim/package_tools.h"
#include "sim_fixture.h"
#include "system/processes.h"

namespace {

struct CommandCase {
    const char* name;
    std::string actual;
    const char* expected;
};

class PackageToolCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(PackageToolCommandTest, BuildsTheExactCommandLine) {
    EXPECT_EQ(GetParam().actual, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, PackageToolCommandTest,
    ::testing::Values(
        CommandCase{"PnpReg", setup::PnpRegCommand("C:\\Pkg\\"), "C:\\Pkg\\pnpreg.exe -u"},
        CommandCase{"PnpRegWithBlank", setup::PnpRegCommand("C:\\My Pkg\\"), "\"C:\\My Pkg\\pnpreg.exe\" -u"},
        CommandCase{"DpInstInstall", setup::DpInstInstallCommand("C:\\Program Files\\Brivo"),
                    "\"C:\\Program Files\\Brivo\\dpinst.exe\" /q /se"},
        CommandCase{"DpInstUninstall", setup::DpInstUninstallCommand("C:\\Pkg\\"),
                    "C:\\Pkg\\dpinst.exe /u qzusbf.inf /d /q /se"},
        CommandCase{"DpInstUninstallVirtualTouch",
                    setup::DpInstUninstallVirtualTouchCommand("C:\\Program Files\\Brivo\\"),
                    "\"C:\\Program Files\\Brivo\\dpinst.exe\" /u vtouch.inf /d /q /se"},
        CommandCase{"DpInstUninstallBare", setup::DpInstUninstallCommandBare(),
                    "dpinst.exe /u qzusbf.inf /d /q /se"},
        CommandCase{"DevConInstall", setup::DevConInstallVirtualTouchCommand("C:\\Program Files\\Brivo"),
                    "\"C:\\Program Files\\Brivo\\devcon.exe\" install vtouch.inf "
                    "\"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\""},
        CommandCase{"DevConRemove", setup::DevConRemoveVirtualTouchCommand("C:\\Brivo"),
                    "C:\\Brivo\\devcon.exe remove \"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\""},
        CommandCase{"SetDevDisable", setup::SetDev64DisableEnableCommand("C:\\Pkg\\", "VID_0D7A&PID_0301", 2),
                    "C:\\Pkg\\setdev64.exe \"usb\\VID_0D7A&PID_0301\" 2"},
        CommandCase{"SetDevUpdate",
                    setup::SetDev64UpdateDriverCommand("C:\\Pkg\\", "VID_0D7A&PID_0301", "C:\\Windows"),
                    "C:\\Pkg\\setdev64.exe \"HID\\VID_0D7A&PID_0301\" 256 C:\\Windows\\inf\\msmouse.inf"},
        CommandCase{"HidFilter", setup::HidFilterInstallCommand("C:\\Program Files\\Brivo"),
                    "\"C:\\Program Files\\Brivo\\hidfilter.exe\" -install -silent"},
        // Formerly unquoted, so that Windows tried "C:\Program.exe" first.
        CommandCase{"RunEntry", setup::TouchCfgRunEntry("C:\\Program Files\\Brivo"),
                    "\"C:\\Program Files\\Brivo\\touchcfg.exe\" /i"},
        CommandCase{"CalibEntry", setup::TouchCfgCalibEntry("C:\\Program Files\\Brivo"),
                    "\"C:\\Program Files\\Brivo\\touchcfg.exe\" /calib"},
        CommandCase{"UninstallEntry", setup::UninstallEntry("C:\\Program Files\\Brivo"),
                    "\"C:\\Program Files\\Brivo\\uninstall.exe\""},
        CommandCase{"UninstallEntryFileQuoted", setup::UninstallEntryFile("\"C:\\A B\\uninstall.exe\""),
                    "C:\\A B\\uninstall.exe"},
        CommandCase{"UninstallEntryFileEarlierForm", setup::UninstallEntryFile("C:\\A B\\uninstall.exe"),
                    "C:\\A B\\uninstall.exe"},
        CommandCase{"UninstallEntryFileWithArguments", setup::UninstallEntryFile("\"C:\\A\\u.exe\" /x"),
                    "\"C:\\A\\u.exe\" /x"},
        CommandCase{"UninstallEntryFileLoneQuote", setup::UninstallEntryFile("\""), "\""}),
    test_support::CaseName());

using PackageLibraryTest = SimTest;

TEST_F(PackageLibraryTest, LoadsFromTheProgramFolderThenTheSystemFolderOnly) {
    sim::ModelPackageTools(pc);
    pc.files.AddFile("C:\\Windows\\SysWOW64\\tsutils.dll", "MZ");  // what System32 is for a 32-bit program
    EXPECT_EQ(setup::ReScanDevice("C:\\Pkg\\", "C:\\Windows\\System32"), 0);
    EXPECT_EQ(pc.libraries.loads.back(), "C:\\Windows\\SysWOW64\\tsutils.dll");  // the 32-bit system folder
    EXPECT_EQ(pc.libraries.LoadedCount(), 0u);                                   // released again

    pc.files.AddFile("C:\\Pkg\\tsutils.dll", "MZ");
    EXPECT_EQ(setup::ReScanDevice("C:\\Pkg\\", "C:\\Windows\\System32"), 0);
    EXPECT_EQ(pc.libraries.loads.back(), "C:\\Pkg\\tsutils.dll");
}

TEST_F(PackageLibraryTest, MissingLibraryOrEntryPoint) {
    pc.files.AddFolder("C:\\Pkg");
    EXPECT_EQ(setup::GetSetupFlag("C:\\Pkg\\", "C:\\Windows\\System32"), std::nullopt);
    EXPECT_EQ(setup::ReScanDevice("C:\\Pkg\\", "C:\\Windows\\System32"), 1);  // counted as "restart needed"
    pc.libraries.AddLibrary("C:\\Pkg\\setup.dll", {});
    EXPECT_EQ(setup::GetSetupFlag("C:\\Pkg\\", "C:\\Windows\\System32"), std::nullopt);
    EXPECT_EQ(pc.libraries.LoadedCount(), 0u);
}

TEST_F(PackageLibraryTest, MultiMonitorPackageIsMarkedByAFile) {
    sim::ModelPackageTools(pc);
    pc.files.AddFile("C:\\Pkg\\setup.dll", "MZ");
    EXPECT_EQ(setup::GetSetupFlag("C:\\Pkg\\", ""), 0);
    pc.files.AddFile("C:\\Pkg\\multimonitor", "");
    EXPECT_EQ(setup::GetSetupFlag("C:\\Pkg\\", ""), 1);
}

}  // namespace

namespace {

using PackageToolModelTest = SimTest;

TEST_F(PackageToolModelTest, ToolsHaveTheirObservableEffects) {
    sim::ModelPackageTools(pc);
    pc.files.AddFile("C:\\Program Files\\Touch Test\\uninstall.exe", "MZ");
    pc.files.AddFile("C:\\Program Files\\Touch Test\\setup.exe", "MZ");
    pc.files.AddFile("C:\\Program Files\\Touch Test\\hidfilter.exe", "MZ");
    pc.files.AddFile("C:\\Pkg\\pnpreg.exe", "MZ");
    pc.files.AddFile("C:\\Pkg\\setdev64.exe", "MZ");

    EXPECT_EQ(setup::RunCommandExitCode("C:\\Pkg\\pnpreg.exe -u", 0, true), 0);
    EXPECT_EQ(setup::RunCommandExitCode("C:\\Pkg\\pnpreg.exe", 0, true), 1);

    setup::RunCommand("\"C:\\Program Files\\Touch Test\\hidfilter.exe\" -install -silent", 0, true);
    EXPECT_TRUE(pc.services.Exists("HIDFltrM"));

    // The uninstaller announces itself and starts the installed setup with -u, quoted.
    setup::RunCommand("\"C:\\Program Files\\Touch Test\\uninstall.exe\"", 1, false);
    EXPECT_NE(pc.windows.FindWindowA(std::string("TUN_INST"), std::string(".UN_INST.")), 0u);
    EXPECT_EQ(pc.processes.launches.back().commandLine, "\"C:\\Program Files\\Touch Test\\setup.exe\" -u");
    EXPECT_EQ(pc.processes.launches.back().currentDirectory, "C:\\Program Files\\Touch Test");

    // setdev64.exe is an x64 program: it runs on 64-bit Windows only.
    pc.devices.AddUsbController("VID_0D7A&PID_0301");
    EXPECT_EQ(setup::RunCommandExitCode("C:\\Pkg\\setdev64.exe \"usb\\VID_0D7A&PID_0301\" 2", 0, true), 1);
    pc.facts.is64Bit = false;
    EXPECT_FALSE(setup::RunCommand("C:\\Pkg\\setdev64.exe \"usb\\VID_0D7A&PID_0301\" 2", 0, true));
}

}  // namespace
