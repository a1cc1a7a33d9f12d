// The install run: the product check, the window's busy state and progress,
// the earlier-install check, the registry entries, the package gates and the
// Plug-and-Play ending chosen by product and Windows family.
#include <gmock/gmock.h>

#include "case_name.h"
#include "procedures/procedure_fixture.h"

namespace procedures_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

const std::string kInstalled = "Successfully install, You can use this device now !";
const std::string kEarlier = "Another version detected, You need to uninstall it and run install again !";

class InstallTest : public ProcedureTest {
protected:
    void Prepare(const WindowsFamily& family, std::int32_t product = 0) {
        UseWindows(family);
        form.ProductKind = product;
        if (product == 0) ConnectController();
        pc.ui.SetApplicationTitle("Touch setup");
        pc.ui.ShowMainWindow();
        ForgetRecords();
    }
    std::optional<unsigned> Install() {
        return Run([&] { form.InstallProcedure(); });
    }
    std::string UninstallKey() const {
        return Software() + "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QZ_Touch";
    }
    std::string RunKey() const { return Software() + "\\Microsoft\\Windows\\CurrentVersion\\Run"; }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : pc.windows.boxes) texts.push_back(box.text);
        return texts;
    }
};

TEST_F(InstallTest, WithoutAProductOnlyTheMessageIsShownAndTheWindowStaysUsable) {
    Prepare(kWindows7X64, -1);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Install(), std::nullopt);
    ASSERT_EQ(pc.windows.boxes.size(), 1u);
    EXPECT_EQ(pc.windows.boxes[0].text, "Please select product to install !");
    EXPECT_EQ(pc.windows.boxes[0].caption, "Touch setup");
    EXPECT_EQ(pc.windows.boxes[0].flags, plat::kMbOk);
    EXPECT_EQ(setup::StepCode, 78);
    EXPECT_TRUE(pc.ui.Usable("InstallButton"));
    EXPECT_TRUE(pc.ui.Usable("ExitButton"));
    EXPECT_FALSE(pc.ui.Showing("ProgressBar1"));
    EXPECT_TRUE(pc.files.List("C:\\Temp").empty());
    EXPECT_TRUE(pc.processes.launches.empty());
    EXPECT_TRUE(trace.empty());
}

TEST_F(InstallTest, UsbOnWindows7RunsToTheVistaEndingWithEveryEntryInPlace) {
    Prepare(kWindows7X64);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);
    EXPECT_THAT(BoxTexts(), ElementsAre(kInstalled));
    EXPECT_THAT(trace, Contains("Start Install USB"));
    EXPECT_THAT(trace, Contains("Start VISTA USB PnP procedure"));

    // The window was busy from the staging on: the buttons and the choice
    // disabled, the status strip shown, the progress at its fourth point.
    EXPECT_FALSE(pc.ui.Control("InstallButton").enabled);
    EXPECT_FALSE(pc.ui.Control("ExitButton").enabled);
    EXPECT_FALSE(pc.ui.Control("GroupBox1").enabled);
    EXPECT_TRUE(pc.ui.Control("Panel6").visible);
    EXPECT_EQ(pc.ui.Control("ProgressBar1").position, 4);

    const std::string folder = "C:\\Program Files (x86)\\ExampleTouch";
    EXPECT_EQ(pc.registry.String(Software() + "\\Brivo", "InstallPath"), folder);
    EXPECT_EQ(pc.registry.String(RunKey(), "TS_Mapper"), "\"" + folder + "\\touchcfg.exe\" /i");
    EXPECT_FALSE(pc.registry.Value(RunKey(), "TS_Calib"));
    EXPECT_EQ(pc.registry.String(UninstallKey(), "Displayname"), "Uninstall Example Touch driver");
    EXPECT_EQ(pc.registry.String(UninstallKey(), "UninstallString"), "\"" + folder + "\\uninstall.exe\"");
    EXPECT_EQ(pc.registry.ValueNames(UninstallKey()),
              (std::vector<std::string>{"Displayname", "UninstallString"}));
    // The touch defaults of [calibusb] and the additional files.
    EXPECT_EQ(
        pc.registry.Value("HKLM\\SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters0", "MAX_POINT")
            ->data,
        (std::vector<std::uint8_t>{5, 0, 0, 0}));
    EXPECT_TRUE(pc.files.Exists(folder + "\\manual.txt"));
    EXPECT_TRUE(pc.files.Exists(folder + "\\uninstall.exe"));
    // The staged package stays in the temporary folder.
    EXPECT_TRUE(pc.files.Exists("C:\\Temp\\qzusbf.inf"));
}

TEST_F(InstallTest, RunningTouchToolsAreClosedBeforeTheProductInstall) {
    Prepare(kWindows7X64);
    sim::SimWindow& tool = pc.windows.Add("TSwapFormZZ", "Touch");
    tool.closesOn = std::make_pair(0x480u, plat::WParam{255});
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);
    EXPECT_FALSE(pc.windows.IsOpen(pc.windows.All().front()));
    ASSERT_EQ(pc.windows.All().front().received.size(), 1u);
    const auto closed = std::find(trace.begin(), trace.end(), "CloseAPI");
    EXPECT_LT(closed, std::find(trace.begin(), trace.end(), "Start Install USB"));
}

TEST_F(InstallTest, RunEntriesAreWrittenOnlyIntoAnExistingRunKey) {
    Prepare(kWindowsXp);
    pc.registry.DeleteTree(RunKey());
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);
    EXPECT_FALSE(pc.registry.KeyExists(RunKey()));
    EXPECT_TRUE(pc.registry.String(UninstallKey(), "UninstallString"));
}

TEST_F(InstallTest, CalibrationEntryOnlyWithAlwaysCalibrate) {
    Prepare(kWindows7X86);
    Configure("[system]\r\nalwayscalib=1\r\n");
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);
    EXPECT_EQ(pc.registry.String(RunKey(), "TS_Calib"),
              "\"C:\\Program Files\\ExampleTouch\\touchcfg.exe\" /calib");
}

TEST_F(InstallTest, AnEarlierCalibrationEntryStaysWithoutAlwaysCalibrate) {
    Prepare(kWindows7X86);
    pc.registry.SetString(RunKey(), "TS_Calib", "C:\\Old\\touchcfg.exe /calib");
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);
    EXPECT_EQ(pc.registry.String(RunKey(), "TS_Calib"), "C:\\Old\\touchcfg.exe /calib");
}

struct EarlierCase {
    const char* name;
    const char* entry;  // "UninstallString"; {folder} stands for the earlier install folder
    bool fileThere;
    const char* douninstall;
    std::vector<int> answers;
    std::vector<unsigned> flags;  // of the boxes shown; empty: the install goes on
    bool uninstallerStarted;
};

class EarlierInstallTest : public InstallTest, public ::testing::WithParamInterface<EarlierCase> {};

TEST_P(EarlierInstallTest, StopsOverAnEarlierInstallationWhoseUninstallerIsThere) {
    const EarlierCase& c = GetParam();
    Prepare(kWindows7X64);
    const std::string earlier = "C:\\Program Files (x86)\\Old Touch";
    if (c.fileThere) pc.files.AddFile(earlier + "\\uninstall.exe", "MZ");
    std::string entry = c.entry;
    if (auto at = entry.find("{folder}"); at != std::string::npos) entry.replace(at, 8, earlier);
    pc.registry.SetString(UninstallKey(), "UninstallString", entry);
    Configure(std::string("[system]\r\ndouninstall=") + c.douninstall + "\r\n");
    for (int answer : c.answers) pc.windows.Answer(answer);
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);

    if (c.flags.empty()) {
        EXPECT_THAT(BoxTexts(), ElementsAre(kInstalled));
        EXPECT_EQ(pc.registry.String(UninstallKey(), "UninstallString"),
                  "\"C:\\Program Files (x86)\\ExampleTouch\\uninstall.exe\"");
        return;
    }
    ASSERT_EQ(pc.windows.boxes.size(), c.flags.size());
    EXPECT_EQ(pc.windows.boxes[0].text, kEarlier);
    EXPECT_EQ(pc.windows.boxes[0].caption, "Warning");
    EXPECT_EQ(pc.windows.boxes[0].flags, c.flags[0]);
    EXPECT_TRUE(pc.ui.closed);
    // Nothing of the new install happened: no tool closed, nothing copied.
    EXPECT_THAT(trace, Not(Contains("CloseAPI")));
    EXPECT_FALSE(pc.files.Exists("C:\\Program Files (x86)\\ExampleTouch"));
    EXPECT_EQ(pc.registry.String(UninstallKey(), "UninstallString"), entry);
    if (c.uninstallerStarted) {
        // The earlier uninstaller starts its own setup in turn.
        ASSERT_GE(pc.processes.launches.size(), 1u);
        const sim::Launch& launch = pc.processes.launches[0];
        EXPECT_EQ(launch.commandLine, entry);
        EXPECT_EQ(launch.program, earlier + "\\uninstall.exe");
        EXPECT_EQ(launch.startup.showWindow, plat::kSwShowNormal);
        EXPECT_FALSE(launch.waited);
    } else {
        EXPECT_TRUE(pc.processes.launches.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EarlierInstallTest,
    ::testing::Values(
        EarlierCase{"QuotedEntryUninstallOffered",
                    "\"{folder}\\uninstall.exe\"",
                    true,
                    "1",
                    {plat::kIdYes},
                    {0x34},
                    true},
        EarlierCase{"QuotedEntryUninstallDeclined",
                    "\"{folder}\\uninstall.exe\"",
                    true,
                    "1",
                    {plat::kIdNo},
                    {0x34},
                    false},
        // Entries of earlier versions were written without quotes.
        EarlierCase{"UnquotedEntryUninstallOffered",
                    "{folder}\\uninstall.exe",
                    true,
                    "1",
                    {plat::kIdYes},
                    {0x34},
                    true},
        EarlierCase{"UnquotedEntryTold", "{folder}\\uninstall.exe", true, "0", {plat::kIdOk}, {0x30}, false},
        EarlierCase{
            "QuotedEntryTold", "\"{folder}\\uninstall.exe\"", true, "2", {plat::kIdOk}, {0x30}, false},
        EarlierCase{"UninstallerGone", "\"{folder}\\uninstall.exe\"", false, "1", {}, {}, false},
        EarlierCase{"EntryWithArguments", "\"{folder}\\uninstall.exe\" /x", true, "1", {}, {}, false},
        EarlierCase{"EmptyEntry", "", false, "1", {}, {}, false}),
    test_support::CaseName());

TEST_F(InstallTest, AMultiMonitorPackageDoesNotLookForAnEarlierInstallation) {
    Prepare(kWindows7X64);
    form.MultiMonitor = true;
    pc.files.AddFile("C:\\Old\\uninstall.exe", "MZ");
    pc.registry.SetString(UninstallKey(), "UninstallString", "C:\\Old\\uninstall.exe");
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);
    EXPECT_THAT(BoxTexts(), Not(Contains(kEarlier)));
    EXPECT_THAT(trace, Contains("Start Install USB"));
}

TEST_F(InstallTest, AnUnreadableEarlierEntryDoesNotStopTheInstall) {
    Prepare(kWindows7X64);
    pc.registry.SetDword(UninstallKey(), "UninstallString", 1);
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);
    EXPECT_THAT(BoxTexts(), ElementsAre(kInstalled));

    pc.registry.SetString(UninstallKey(), "UninstallString", "C:\\Old\\uninstall.exe");
    pc.files.AddFile("C:\\Old\\uninstall.exe", "MZ");
    pc.registry.DenyAccess(UninstallKey());
    pc.windows.boxes.clear();
    EXPECT_EQ(Install(), 0u);
    EXPECT_THAT(BoxTexts(), ElementsAre(kInstalled));
}

struct GateCase {
    const char* name;
    WindowsFamily family;
    const char* configuration;
    const char* procedure;  // the trace line of the ending
};

class PackageGateTest : public InstallTest, public ::testing::WithParamInterface<GateCase> {};

TEST_P(PackageGateTest, ChoosesTheEndingByWindowsFamilyAndPackage) {
    Prepare(GetParam().family);
    Configure(GetParam().configuration);
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);
    EXPECT_THAT(trace, Contains(GetParam().procedure));
    EXPECT_THAT(BoxTexts(), ElementsAre(kInstalled));
}

constexpr const char* kVista = "Start VISTA USB PnP procedure";
constexpr const char* k2000 = "Start 2000 USB PnP procedure";

INSTANTIATE_TEST_SUITE_P(
    Gates, PackageGateTest,
    ::testing::Values(GateCase{"Windows7Open", kWindows7X64, "", kVista},
                      GateCase{"VistaOpen", kVistaX86, "[system]\r\nversion=2.10\r\npackage=1\r\n", kVista},
                      GateCase{"VersionBelow210", kWindows7X64, "[system]\r\nversion=2.09\r\n", k2000},
                      GateCase{"VersionTwoPointOne", kVistaX86, "[system]\r\nversion=2.1\r\n", k2000},
                      GateCase{"VersionWithLetters", kWindows7X86, "[system]\r\nversion=v2.1.0b\r\n", kVista},
                      GateCase{"PackageZero", kWindows7X64, "[system]\r\npackage=0\r\n", k2000},
                      GateCase{"Windows2000", kWindows2000, "", k2000},
                      GateCase{"WindowsXp", kWindowsXp, "", k2000},
                      GateCase{"WindowsXpX64", kWindowsXpX64, "", k2000},
                      GateCase{"Server2003", kServer2003, "", k2000}),
    test_support::CaseName());

class SerialInstallRunTest : public InstallTest, public ::testing::WithParamInterface<WindowsFamily> {};

TEST_P(SerialInstallRunTest, RunsTheSerialEndingWhateverTheGatesSay) {
    Prepare(GetParam(), 1);
    Configure("[system]\r\nforcetoreboot=2\r\npackage=0\r\n");
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(Install(), 0u);
    EXPECT_THAT(trace, Contains("Start install 232"));
    EXPECT_THAT(trace, Contains("Start 232 PnP procedure"));
    EXPECT_THAT(BoxTexts(), ElementsAre("Driver installed!"));
    EXPECT_EQ(pc.ui.Control("ProgressBar1").position, 4);
    EXPECT_EQ(pc.registry
                  .Value("HKLM\\SYSTEM\\CurrentControlSet\\Services\\qz232\\Parameters0", "ScreenLowerRightx")
                  ->data,
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0, 0}));
    EXPECT_EQ(pc.registry.String(RunKey(), "TS_Mapper"), "\"" + InstallFolder() + "\\touchcfg.exe\" /i");
}

INSTANTIATE_TEST_SUITE_P(Families, SerialInstallRunTest,
                         ::testing::Values(kWindows2000, kWindowsXp, kWindowsXpX64, kServer2003, kVistaX86,
                                           kWindows7X86, kWindows7X64),
                         [](const auto& family) { return std::string(family.param.name); });

}  // namespace
}  // namespace procedures_test
