// Startup under conditions that the fault sweep found handled wrongly: a
// "PcaSvc" whose stop outlasts the wait, a program path that cannot be read,
// a configuration file that is there but cannot be read.
#include <gmock/gmock.h>

#include "case_name.h"
#include "shell/shell_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using StartupFaultTest = ShellTest;

struct PcaCase {
    const char* name;
    std::vector<plat::DWord> afterStop;
    bool firstPollFails;
    bool refuseStop;
    int startRequests;  // by the exit routine: none when startup stopped nothing
};

class PcaStopTest : public ShellTest, public ::testing::WithParamInterface<PcaCase> {};

// Formerly only a wait that saw the service stopped counted: a stop that took
// longer than the poll limit, or a failed status poll, left PcaSvc stopped
// after setup.
TEST_P(PcaStopTest, AcceptedStopIsRestartedOnExitWhateverTheWaitReported) {
    WritePackageIni();
    auto& pca = pc.services.Add("PcaSvc", plat::kServiceRunning);
    pca.afterStop = GetParam().afterStop;
    pca.refuseStop = GetParam().refuseStop;
    // The first query looks at the state before the stop request; the second is the first poll.
    if (GetParam().firstPollFails)
        pc.FailCallOn("QueryServiceStatus", "PcaSvc", plat::kErrorAccessDenied, 1, 1);
    pc.ui.script = {"click:ExitButton"};
    EXPECT_EQ(RunProgram(), 0u);
    EXPECT_EQ(pca.stopRequests, 1);
    EXPECT_EQ(pca.startRequests, GetParam().startRequests);
    EXPECT_EQ(pca.state, plat::kServiceRunning);
}

std::vector<plat::DWord> SlowStop() {
    std::vector<plat::DWord> states(11, plat::kServiceStopPending);  // one poll more than the limit of 10
    states.push_back(plat::kServiceStopped);
    return states;
}

INSTANTIATE_TEST_SUITE_P(
    Stops, PcaStopTest,
    ::testing::Values(
        PcaCase{"StoppedInTime", {plat::kServiceStopPending, plat::kServiceStopped}, false, false, 1},
        PcaCase{"StopOutlastsThePollLimit", SlowStop(), false, false, 1},
        PcaCase{"StatusPollFailsAfterTheStop", {}, true, false, 1},
        // Still stopping at the exit: the first start request is refused.
        PcaCase{"StatusPollFailsWhileStopping",
                {plat::kServiceStopPending, plat::kServiceStopPending, plat::kServiceStopPending,
                 plat::kServiceStopped},
                true,
                false,
                2},
        PcaCase{"StopRefused", {}, false, true, 0}),
    test_support::CaseName());

// Formerly the empty folder matched every value name, so every other
// program's compatibility entry was deleted and setup stopped with "Please reinstall!".
TEST_F(StartupFaultTest, UnreadableProgramPathRemovesNoCompatibilityEntry) {
    WritePackageIni();
    const char* const kLayers = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
    plat::HKey key = 0;
    ASSERT_EQ(
        pc.registry.RegCreateKeyExA(plat::kHkeyLocalMachine, kLayers, 0, plat::kKeyAllAccess, &key, nullptr),
        0);
    const std::vector<std::uint8_t> layer = {'W', 'I', 'N', 'X', 'P', 'S', 'P', '3', 0};
    pc.registry.RegSetValueExA(key, "C:\\Other\\tool.exe", plat::kRegSz, layer);
    pc.registry.RegSetValueExA(key, "C:\\Package\\setup.exe", plat::kRegSz, layer);
    pc.registry.RegCloseKey(key);
    pc.FailCall("GetModuleFileNameA", 8);  // ERROR_NOT_ENOUGH_MEMORY, at the first of the two reads

    pc.ui.script = {"click:ExitButton"};
    EXPECT_EQ(RunProgram(), 0u);
    EXPECT_THAT(pc.windows.boxes, IsEmpty());
    EXPECT_TRUE(pc.ui.shown);
    std::string path =
        "HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
    if (!pc.registry.KeyExists(path)) path = std::string("HKLM\\") + kLayers;
    EXPECT_THAT(pc.registry.ValueNames(path), ElementsAre("C:\\Other\\tool.exe", "C:\\Package\\setup.exe"));
}

struct UnreadableCase {
    const char* name;
    const char* packageIni;
    const char* lockedFile;
    int stepCode;
};

class UnreadableConfigurationTest : public ShellTest, public ::testing::WithParamInterface<UnreadableCase> {};

// Formerly such a file read as empty: every key gave its default (the install
// folder "Brivo", no product, the built-in texts) and the run went on.
TEST_P(UnreadableConfigurationTest, EndsInTheFatalReportNamingTheFile) {
    WritePackageIni(GetParam().packageIni);
    pc.files.AddFile("C:\\Package\\lang\\language.ENU", "[SetupText]\r\nText5=Go\r\n");
    pc.files.LockFile(GetParam().lockedFile, false);
    auto& pca = pc.services.Add("PcaSvc", plat::kServiceRunning);
    pc.windows.Answer(plat::kIdOk);

    EXPECT_EQ(RunProgram({"-i", "USB"}), 0u);
    const sim::BoxRecord& box = OnlyBox();
    EXPECT_EQ(box.caption, "Fatal error !!!");
    EXPECT_EQ(box.text,
              "This program can't continue to complete the task !!!\n"
              "Please report below messages to support center\n"
              "SOURCE=" +
                  std::to_string(GetParam().stepCode) + "\nERROR MSG=Unable to read " +
                  GetParam().lockedFile);
    EXPECT_FALSE(pc.ui.shown);
    EXPECT_EQ(pca.state, plat::kServiceRunning);  // the exit routine still ran
}

constexpr const char* kWithLanguagePacks =
    "[LanguagePacks]\r\nlanguage=auto\r\nfolder=lang\r\n[INFData]\r\nmanufacturer=Acme\r\n";

INSTANTIATE_TEST_SUITE_P(Files, UnreadableConfigurationTest,
                         ::testing::Values(UnreadableCase{"PackageConfiguration", kWithLanguagePacks,
                                                          "C:\\Package\\default.ini", 30},
                                           UnreadableCase{"LanguagePack", kWithLanguagePacks,
                                                          "C:\\Package\\lang\\language.ENU", 32}),
                         test_support::CaseName());

}  // namespace
