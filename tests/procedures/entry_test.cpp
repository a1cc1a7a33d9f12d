// The runs reach the procedures from the program's entry: the install and
// uninstall switches and the Install button, on the sample machine.
#include <gmock/gmock.h>

#include "case_name.h"
#include "e2e/sample_machine.h"
#include "shell/program.h"
#include "sim_fixture.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;

struct EntryCase {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> clicks;
    std::vector<std::string> procedures;  // trace lines of the procedures entered, in order
    std::vector<std::string> boxes;
};

class ProcedureEntryTest : public SimTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(ProcedureEntryTest, ReachesTheProcedureAndEndsAsItDoes) {
    const EntryCase& c = GetParam();
    e2e::BuildSampleMachine(pc);
    pc.devices.AddUsbController("VID_0D7A&PID_0301");
    pc.files.AddFile("C:\\Package\\setdev64.exe", "MZ");
    pc.processes.arguments = c.arguments;
    for (const auto& click : c.clicks) pc.ui.script.push_back("click:" + click);
    pc.windows.AnswerAllWithFirstButton();
    pc.clock.limitMs = 60 * 60 * 1000;
    std::optional<unsigned> exitCode;
    try {
        setup::RunSetupProgram();
    } catch (const sim::ProcessExit& exit) {
        exitCode = exit.exitCode;
    } catch (const sim::HarnessFailure& failure) {
        ADD_FAILURE() << failure.what;
    }
    EXPECT_EQ(exitCode, 0u);
    std::vector<std::string> entered;
    for (const std::string& line : trace)
        if ((line.starts_with("Start ") && !line.starts_with("Start Service ")) || line == "Scan OEM USB")
            entered.push_back(line);
    EXPECT_THAT(entered, ElementsAreArray(c.procedures));
    std::vector<std::string> boxes;
    for (const auto& box : pc.windows.boxes) boxes.push_back(box.text);
    EXPECT_THAT(boxes, ElementsAreArray(c.boxes));
    EXPECT_EQ(pc.services.Find("PcaSvc")->state, plat::kServiceRunning);  // ended through the exit routine
}

const std::string kInstalled = "Installation complete. The touch screen is ready to use.";

INSTANTIATE_TEST_SUITE_P(
    Entries, ProcedureEntryTest,
    ::testing::Values(EntryCase{"InstallUsbSwitch",
                                {"-i", "USB"},
                                {},
                                {"Start Install USB", "Start VISTA USB PnP procedure"},
                                {kInstalled}},
                      EntryCase{"InstallSerialSwitch",
                                {"-i", "232"},
                                {},
                                {"Start install 232", "Start 232 PnP procedure"},
                                {"Driver installed."}},
                      EntryCase{"InstallButton",
                                {},
                                {"InstallButton"},
                                {"Start Install USB", "Start VISTA USB PnP procedure"},
                                {kInstalled}},
                      EntryCase{"InstallButtonSerial",
                                {},
                                {"RadioButton2", "InstallButton"},
                                {"Start install 232", "Start 232 PnP procedure"},
                                {"Driver installed."}},
                      EntryCase{"UninstallSwitch",
                                {"-u"},
                                {},
                                {"Scan OEM USB"},
                                {"Do you really want to uninstall the touch driver and its tools?",
                                 "Windows must be restarted to complete the uninstallation."}}),
    test_support::CaseName());

}  // namespace
