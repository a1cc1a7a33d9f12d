#include "system/processes.h"

#include <gmock/gmock.h>

#include "case_name.h"
#include "sim_fixture.h"

using ::testing::ElementsAre;

namespace {

using ProcessRoutinesTest = SimTest;

sim::ProgramModel ExitsWith(plat::DWord code, plat::DWord runtimeMs) {
    return {[code](sim::SimPc&, const sim::Launch&) { return code; }, runtimeMs};
}

TEST_F(ProcessRoutinesTest, LaunchSettingsAreFixed) {
    pc.processes.AddProgram("C:\\Tools\\tool.exe");
    ASSERT_TRUE(setup::RunCommand("C:\\Tools\\tool.exe /q", 0, true));
    const sim::Launch& launch = pc.processes.launches.at(0);
    EXPECT_EQ(launch.applicationName, "");
    EXPECT_EQ(launch.commandLine, "C:\\Tools\\tool.exe /q");
    EXPECT_EQ(launch.creationFlags, 0x220u);
    EXPECT_EQ(launch.inheritHandles, 0);
    EXPECT_EQ(launch.startup.cb, 68u);
    EXPECT_EQ(launch.startup.flags, 1u);
    EXPECT_EQ(launch.startup.showWindow, 0);
    EXPECT_TRUE(launch.waited);
    EXPECT_EQ(pc.processes.OpenHandles(), 0u);
}

TEST_F(ProcessRoutinesTest, WaitPumpsMessagesEveryHundredMilliseconds) {
    pc.processes.AddProgram("C:\\Tools\\slow.exe", ExitsWith(0, 450));
    EXPECT_TRUE(setup::RunCommand("C:\\Tools\\slow.exe", 0, true));
    EXPECT_EQ(pc.clock.now, 450u);
    EXPECT_EQ(pc.ui.processMessagesCalls, 4);  // after each of the four time-outs
    EXPECT_EQ(setup::StepCode, 5);
    EXPECT_THAT(trace, ElementsAre("@1C:\\Tools\\slow.exe", "--OK!"));
}

TEST_F(ProcessRoutinesTest, MissingProgramIsReportedWithoutWaiting) {
    EXPECT_FALSE(setup::RunCommand("C:\\Tools\\missing.exe -x", 0, true));
    EXPECT_EQ(setup::RunCommandExitCode("C:\\Tools\\missing.exe -x", 0, true), 0);
    EXPECT_EQ(pc.clock.now, 0u);
    EXPECT_THAT(trace, ElementsAre("@1C:\\Tools\\missing.exe -x", "--Failed!", "@2C:\\Tools\\missing.exe -x",
                                   "--RC=0"));
    EXPECT_EQ(setup::StepCode, 6);
}

struct ExitCodeCase {
    const char* name;
    bool wait;
    std::int32_t result;
    std::uint64_t ms;
};

class ExitCodeTest : public SimTest, public ::testing::WithParamInterface<ExitCodeCase> {};

TEST_P(ExitCodeTest, ReturnsTheExitCodeOnlyAfterWaiting) {
    pc.processes.AddProgram("C:\\Tools\\two.exe", ExitsWith(2, 300));
    EXPECT_EQ(setup::RunCommandExitCode("C:\\Tools\\two.exe", 0, GetParam().wait), GetParam().result);
    EXPECT_EQ(pc.clock.now, GetParam().ms);
    EXPECT_EQ(trace.back(), "--RC=" + std::to_string(GetParam().result));
    EXPECT_EQ(pc.processes.launches.at(0).waited, GetParam().wait);
}

INSTANTIATE_TEST_SUITE_P(Waiting, ExitCodeTest,
                         ::testing::Values(ExitCodeCase{"Waits", true, 2, 300},
                                           ExitCodeCase{"DoesNotWait", false, 0, 0}),
                         test_support::CaseName());

TEST_F(ProcessRoutinesTest, RunCommandWithoutWaitReturnsOnceCreated) {
    pc.processes.AddProgram("C:\\Tools\\long.exe", ExitsWith(0, 60000));
    EXPECT_TRUE(setup::RunCommand("C:\\Tools\\long.exe", 0, false));
    EXPECT_EQ(pc.clock.now, 0u);
    EXPECT_FALSE(pc.processes.launches.at(0).waited);
}

// The first token of a command line is found by the Windows search rules.
struct SearchCase {
    const char* name;
    const char* programAt;
    const char* commandLine;
};

class CommandSearchTest : public SimTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(CommandSearchTest, FindsTheProgram) {
    pc.processes.ownPath = "C:\\Package\\setup.exe";
    pc.processes.searchPath = {"C:\\Bin"};
    pc.files.AddFolder("C:\\Work");
    pc.files.SetCurrentDirectoryA("C:\\Work");
    pc.processes.AddProgram(GetParam().programAt);
    ASSERT_TRUE(setup::RunCommand(GetParam().commandLine, 0, true));
    EXPECT_TRUE(pc.processes.launches.at(0).program == pc.files.Resolve(GetParam().programAt));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CommandSearchTest,
    ::testing::Values(SearchCase{"OwnFolder", "C:\\Package\\pnpreg.exe", "pnpreg.exe -u"},
                      SearchCase{"CurrentFolder", "C:\\Work\\devcon.exe", "devcon.exe remove x"},
                      SearchCase{"System32", "C:\\Windows\\SysWOW64\\sc.exe", "sc.exe delete hidfltrm"},
                      SearchCase{"WindowsFolder", "C:\\Windows\\tool.exe", "tool /x"},
                      SearchCase{"Path", "C:\\Bin\\other.exe", "other.exe"},
                      SearchCase{"QuotedWithBlank", "C:\\Users\\Public\\Driver Package\\pnpreg.exe",
                                 "\"C:\\Users\\Public\\Driver Package\\pnpreg.exe\" -u"}),
    test_support::CaseName());

TEST_F(ProcessRoutinesTest, UnquotedPathWithBlankStartsAPlantedPrefixProgram) {
    // Why program paths with blanks are quoted: Windows tries the shortest prefix first.
    pc.processes.AddProgram("C:\\Users\\Public\\Driver Package\\pnpreg.exe");
    pc.processes.AddProgram("C:\\Users\\Public\\Driver.exe");
    ASSERT_TRUE(setup::RunCommand("C:\\Users\\Public\\Driver Package\\pnpreg.exe -u", 0, false));
    EXPECT_EQ(pc.processes.launches.at(0).program, "C:\\Users\\Public\\Driver.exe");

    std::string quoted = setup::CommandProgram("C:\\Users\\Public\\Driver Package\\pnpreg.exe") + " -u";
    EXPECT_EQ(quoted, "\"C:\\Users\\Public\\Driver Package\\pnpreg.exe\" -u");
    ASSERT_TRUE(setup::RunCommand(quoted, 0, false));
    EXPECT_EQ(pc.processes.launches.at(1).program, "C:\\Users\\Public\\Driver Package\\pnpreg.exe");
    EXPECT_EQ(setup::CommandProgram("C:\\Package\\pnpreg.exe"), "C:\\Package\\pnpreg.exe");
}

}  // namespace
