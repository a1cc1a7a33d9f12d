#include <gmock/gmock.h>

#include "case_name.h"
#include "shell/shell_fixture.h"

using ::testing::Contains;

namespace {

using StartupTest = ShellTest;

struct SwitchCase {
    const char* name;
    std::vector<std::string> arguments;
    std::int32_t stepCode;  // the routine entered last
    std::int32_t productKind;
    const char* box;  // the procedure's first box: here its end
    int answer;
};

class CommandLineRunTest : public ShellTest, public ::testing::WithParamInterface<SwitchCase> {};

// The package has no INF template, so an install stops at its staging; the
// uninstall is not confirmed.
TEST_P(CommandLineRunTest, RunsTheProcedureAtTimeCriticalPriorityAndExits) {
    WritePackageIniWithoutPacks("[system]\r\nproduct=1\r\n[INFData]\r\nmanufacturer=Acme\r\n");
    pc.windows.Answer(GetParam().answer);
    setup::TVEXA_Form1 form;
    EXPECT_EQ(CreateForm(form, GetParam().arguments), 0u);
    EXPECT_EQ(setup::StepCode, GetParam().stepCode);
    EXPECT_EQ(form.ProductKind, GetParam().productKind);
    EXPECT_EQ(pc.processes.threadPriority, plat::kThreadPriorityTimeCritical);
    EXPECT_FALSE(pc.ui.shown);
    EXPECT_EQ(OnlyBox().text, GetParam().box);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLineRunTest,
    ::testing::Values(
        SwitchCase{
            "InstallUsbUpperCaseSwitch", {"-I", "USB"}, 39, 0, "Error while parsing INF file", plat::kIdOk},
        SwitchCase{"InstallSerial", {"-i", "232"}, 39, 1, "Error while parsing INF file", plat::kIdOk},
        // The uninstall keeps the configured product.
        SwitchCase{"UninstallIgnoresSecond",
                   {"-u", "xyz"},
                   74,
                   1,
                   "Are you sure to uninstall Brivo driver and utility ?",
                   plat::kIdNo}),
    test_support::CaseName());

TEST_F(StartupTest, WrongProductShowsWarningAndEnds) {
    WritePackageIni();
    for (std::vector<std::string> arguments :
         {std::vector<std::string>{"-i", "usb"}, std::vector<std::string>{"-i"}}) {
        pc.windows.boxes.clear();
        pc.windows.Answer(plat::kIdOk);
        setup::TVEXA_Form1 form;
        EXPECT_EQ(CreateForm(form, arguments), 0u);
        const sim::BoxRecord& box = OnlyBox();
        EXPECT_EQ(box.text, "Please specify product to install !");
        EXPECT_EQ(box.caption, "WARNING");
        EXPECT_EQ(box.flags, 0x30u);
        EXPECT_EQ(setup::StepCode, 37);  // the install never started
        EXPECT_EQ(pc.processes.threadPriority, plat::kThreadPriorityNormal);
    }
}

TEST_F(StartupTest, UninstallOnXpMarksVistaOnlyWhenKernelHasTheVistaExport) {
    pc.facts.major = 5;
    pc.facts.minor = 1;
    pc.facts.servicePack = "Service Pack 3";
    pc.facts.is64Bit = false;
    WritePackageIni();
    pc.windows.AnswerAllWith(plat::kIdNo);  // the uninstall is not confirmed
    setup::TVEXA_Form1 xp;
    EXPECT_EQ(CreateForm(xp, {"-u"}), 0u);
    EXPECT_FALSE(xp.IsVistaOrLater);

    // The decision follows the export, not the version number.
    pc.libraries.SetSystemExport("kernel32.dll", "GetLocaleInfoEx", true);
    setup::TVEXA_Form1 patched;
    EXPECT_EQ(CreateForm(patched, {"-u"}), 0u);
    EXPECT_TRUE(patched.IsVistaOrLater);
}

TEST_F(StartupTest, PcaServiceStoppedByStartupIsRestartedOnExit) {
    WritePackageIni();
    auto& pca = pc.services.Add("PcaSvc", plat::kServiceRunning);
    pc.ui.script = {"click:ExitButton"};
    EXPECT_EQ(RunProgram(), 0u);
    EXPECT_EQ(pca.stopRequests, 1);
    EXPECT_EQ(pca.startRequests, 1);
    EXPECT_EQ(pca.state, plat::kServiceRunning);
}

TEST_F(StartupTest, PcaServiceStoppedBeforeIsLeftStopped) {
    WritePackageIni();
    auto& pca = pc.services.Add("PcaSvc", plat::kServiceStopped);
    pc.ui.script = {"click:ExitButton"};
    EXPECT_EQ(RunProgram(), 0u);
    EXPECT_EQ(pca.startRequests, 0);
    EXPECT_EQ(pca.state, plat::kServiceStopped);
}

TEST_F(StartupTest, CloseBoxEndsWithZeroAndRestartsPca) {
    WritePackageIni();
    auto& pca = pc.services.Add("PcaSvc", plat::kServiceRunning);
    pc.ui.script = {"close"};
    EXPECT_EQ(RunProgram(), 0u);
    EXPECT_EQ(pca.startRequests, 1);
    EXPECT_EQ(pca.state, plat::kServiceRunning);
}

TEST_F(StartupTest, InstalledModeEndsWithoutWindow) {
    pc.files.AddFile("C:\\Package\\setup.ini", "[INFData]\r\nmanufacturer=Acme\r\n");
    EXPECT_EQ(RunProgram(), 0u);
    EXPECT_FALSE(pc.ui.shown);
    EXPECT_TRUE(pc.windows.boxes.empty());
    // Startup still ran to its end: the package tool was started twice.
    EXPECT_EQ(pc.processes.launches.size(), 2u);
}

TEST_F(StartupTest, MissingConfigurationStopsWithUntitledBox) {
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(RunProgram(), 0u);
    const sim::BoxRecord& box = OnlyBox();
    EXPECT_EQ(box.kind, sim::BoxKind::InfoBox);
    EXPECT_EQ(box.text, "ERROR : Can't retrieve setup configuration file#1! Setup aborted!");
    EXPECT_EQ(box.caption, "");
    EXPECT_FALSE(pc.ui.shown);
}

TEST_F(StartupTest, UninstallerWindowGetsFivePosts) {
    WritePackageIni();
    auto& uninstaller = pc.windows.Add("TUN_INST", ".UN_INST.");
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    ASSERT_EQ(uninstaller.received.size(), 5u);
    for (const auto& message : uninstaller.received) {
        EXPECT_TRUE(message.posted);
        EXPECT_EQ(message.message, 0x480u);
        EXPECT_EQ(message.wParam, 0x100u);
    }
}

TEST_F(StartupTest, PackageToolPathWithBlankIsQuoted) {
    pc.processes.ownPath = "C:\\Users\\Public\\Driver Package\\setup.exe";
    pc.files.AddFile("C:\\Users\\Public\\Driver Package\\default.ini", kPackageIni);
    sim::LibraryModel setupDll;
    setupDll.exports["VEXA_GetSetupFlag"] = [](sim::SimPc&) { return 0; };
    pc.libraries.AddLibrary("C:\\Users\\Public\\Driver Package\\setup.dll", setupDll);
    pc.processes.AddProgram("C:\\Users\\Public\\Driver Package\\pnpreg.exe");
    pc.processes.AddProgram("C:\\Users\\Public\\Driver.exe");
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    ASSERT_EQ(pc.processes.launches.size(), 2u);
    for (const auto& launch : pc.processes.launches) {
        EXPECT_EQ(launch.commandLine, "\"C:\\Users\\Public\\Driver Package\\pnpreg.exe\" -u");
        EXPECT_EQ(launch.program, "C:\\Users\\Public\\Driver Package\\pnpreg.exe");
        EXPECT_EQ(launch.startup.showWindow, 0);
        EXPECT_FALSE(launch.waited);
    }
}

TEST_F(StartupTest, CompatibilityLayerEntryForThePackageEndsAtOnce) {
    WritePackageIni();
    plat::HKey key = 0;
    ASSERT_EQ(
        pc.registry.RegCreateKeyExA(plat::kHkeyLocalMachine,
                                    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
                                    0, plat::kKeyAllAccess, &key, nullptr),
        0);
    std::string layer = "WINXPSP3";
    std::vector<std::uint8_t> data(layer.begin(), layer.end());
    data.push_back(0);
    pc.registry.RegSetValueExA(key, "C:\\Package\\setup.exe", plat::kRegSz, data);
    pc.registry.RegSetValueExA(key, "C:\\Other\\tool.exe", plat::kRegSz, data);
    pc.registry.RegCloseKey(key);
    auto& pca = pc.services.Add("PcaSvc", plat::kServiceRunning);
    pc.windows.Answer(plat::kIdOk);

    EXPECT_EQ(RunProgram(), 0u);
    EXPECT_EQ(OnlyBox().text, "Please reinstall!");
    EXPECT_EQ(pca.stopRequests, 0);  // ended before the service was touched
    ASSERT_EQ(
        pc.registry.RegOpenKeyExA(plat::kHkeyLocalMachine,
                                  "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
                                  0, plat::kKeyRead, &key),
        0);
    std::string name;
    plat::DWord type = 0;
    ASSERT_EQ(pc.registry.RegEnumValueA(key, 0, &name, &type), 0);
    EXPECT_EQ(name, "C:\\Other\\tool.exe");
    EXPECT_NE(pc.registry.RegEnumValueA(key, 1, &name, &type), 0);
    pc.registry.RegCloseKey(key);
}

}  // namespace
