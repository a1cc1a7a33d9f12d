#include <gmock/gmock.h>

#include <stdexcept>

#include "case_name.h"
#include "shell/errors.h"
#include "shell/shell_fixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

using FormTest = ShellTest;

TEST_F(FormTest, WindowShowsAndExitButtonEndsWithZero) {
    WritePackageIni();
    pc.ui.script = {"click:ExitButton"};
    EXPECT_EQ(RunProgram(), 0u);
    EXPECT_TRUE(pc.ui.shown);
    EXPECT_TRUE(pc.ui.closed);
    EXPECT_EQ(pc.ui.window.className, "TVEXA_Form1");
    EXPECT_EQ(pc.ui.window.clientWidth, 525);
    EXPECT_EQ(pc.ui.window.clientHeight, 346);
    EXPECT_TRUE(pc.windows.boxes.empty());
}

TEST_F(FormTest, ControlsAfterStartup) {
    WritePackageIni();
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_EQ(pc.ui.Control("InstallButton").text, "Install (&i)");
    EXPECT_EQ(pc.ui.Control("ExitButton").text, "Quit (&x)");
    EXPECT_FALSE(pc.ui.Control("Panel4").visible);
    EXPECT_FALSE(pc.ui.Control("Panel6").visible);
    EXPECT_TRUE(pc.ui.Control("RadioButton1").checked);
    EXPECT_FALSE(pc.ui.Control("RadioButton2").checked);
    EXPECT_EQ(pc.ui.Control("ProgressBar1").design.rangeMax, 4);
    EXPECT_EQ(pc.ui.Control("Label1").text, "     ");
    const auto& group = pc.ui.Control("GroupBox1").design;
    EXPECT_EQ((std::vector<int>{group.left, group.top, group.width, group.height}),
              (std::vector<int>{249, 141, 250, 73}));
    // Tab order: product choice, then Exit, then Install.
    EXPECT_LT(pc.ui.Control("GroupBox1").design.tabOrder, pc.ui.Control("ExitButton").design.tabOrder);
    EXPECT_LT(pc.ui.Control("ExitButton").design.tabOrder, pc.ui.Control("InstallButton").design.tabOrder);
    for (const char* button : {"InstallButton", "ExitButton", "UninstallButton"})
        EXPECT_TRUE(pc.ui.Control(button).design.handCursor) << button;
}

TEST_F(FormTest, CaptionWithAmpersandIsKept) {
    WritePackageIni(std::string(kPackageIni) + "[SetupText]\r\nText5=&Setup\r\nText7=E&nd\r\n");
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_EQ(pc.ui.Control("InstallButton").text, "&Setup");
    EXPECT_EQ(pc.ui.Control("ExitButton").text, "E&nd");
}

TEST_F(FormTest, OptionClickRunsOnlyWhenTheSelectionChanges) {
    WritePackageIniWithoutPacks("[INFData]\r\nmanufacturer=Acme\r\n");  // no product preselection
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    pc.ui.ShowMainWindow();
    EXPECT_EQ(form.ProductKind, -1);
    setup::StepCode = 0;
    pc.ui.Click("RadioButton1");  // already selected
    EXPECT_EQ(form.ProductKind, -1);
    EXPECT_EQ(setup::StepCode, 0);
    pc.ui.Click("RadioButton2");
    EXPECT_EQ(form.ProductKind, 1);
    EXPECT_EQ(setup::StepCode, 76);
    EXPECT_FALSE(pc.ui.Control("RadioButton1").checked);
    pc.ui.Click("RadioButton1");
    EXPECT_EQ(form.ProductKind, 0);
    EXPECT_EQ(setup::StepCode, 75);
}

TEST_F(FormTest, FocusGoesToTheProductChoice) {
    WritePackageIni();
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    pc.ui.ShowMainWindow();
    EXPECT_EQ(pc.ui.focus, setup::GroupBox1);
}

TEST_F(FormTest, FocusGoesToInstallWhenTheChoiceIsHidden) {
    WritePackageIniWithoutPacks("[system]\r\nusbonly=1\r\n[INFData]\r\nmanufacturer=A\r\n");
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    pc.ui.ShowMainWindow();
    EXPECT_FALSE(pc.ui.Control("GroupBox1").visible);
    EXPECT_EQ(pc.ui.focus, setup::InstallButton);
    EXPECT_EQ(form.ProductKind, -1);
}

struct AboutCase {
    const char* name;
    const char* system;
    const char* text;
};

class AboutTest : public ShellTest, public ::testing::WithParamInterface<AboutCase> {};

TEST_P(AboutTest, ShowsVersionFromTheConfiguration) {
    WritePackageIniWithoutPacks(std::string("[system]\r\n") + GetParam().system +
                                "[INFData]\r\nmanufacturer=Acme\r\n");
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    pc.ui.ShowMainWindow();
    pc.windows.Answer(plat::kIdOk);
    pc.ui.Click("Label1");
    const sim::BoxRecord& box = OnlyBox();
    EXPECT_EQ(box.kind, sim::BoxKind::InfoBox);
    EXPECT_EQ(box.text, GetParam().text);
    EXPECT_EQ(box.caption, pc.ui.caption);  // the application title is the window caption
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AboutTest,
    ::testing::Values(AboutCase{"Defaults", "",
                                "*Ostrel Touch Screen Setup Program version 2.83.3.23.0.R100614"},
                      AboutCase{"Given", "version=1.05\r\npackage=2\r\nrelease=R200101\r\n",
                                "*Ostrel Touch Screen Setup Program version 2.83.1.05.2.R200101"}),
    test_support::CaseName());

TEST_F(FormTest, FatalReportNamesTheStepCodeAndEndsThroughExitSetup) {
    WritePackageIni();
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    pc.windows.Answer(plat::kIdOk);
    unsigned code = 99;
    try {
        form.HandleEvent([] {
            setup::StepCode = 43;
            throw setup::SetupError("Index 3 out of range");
        });
    } catch (const sim::ProcessExit& exit) {
        code = exit.exitCode;
    }
    EXPECT_EQ(code, 0u);
    const sim::BoxRecord& box = OnlyBox();
    EXPECT_EQ(box.kind, sim::BoxKind::MessageBox);
    EXPECT_EQ(box.owner, pc.ui.MainWindow());
    EXPECT_EQ(box.caption, "Fatal error !!!");
    EXPECT_EQ(box.flags, 0x30u);
    EXPECT_EQ(box.text,
              "This program can't continue to complete the task !!!\n"
              "Please report below messages to support center\n"
              "SOURCE=43\n"
              "ERROR MSG=Index 3 out of range");
}

TEST_F(FormTest, FatalReportWithEmptyMessageAndAnyStdError) {
    WritePackageIni();
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    pc.windows.AnswerAllWith(plat::kIdOk);
    for (auto thrower : {+[] { throw std::runtime_error(""); }, +[] { throw std::out_of_range("vector"); }}) {
        try {
            form.HandleEvent(thrower);
        } catch (const sim::ProcessExit&) {
        }
    }
    ASSERT_EQ(pc.windows.boxes.size(), 2u);
    EXPECT_TRUE(pc.windows.boxes[0].text.ends_with("\nERROR MSG="));
    EXPECT_TRUE(pc.windows.boxes[1].text.ends_with("\nERROR MSG=vector"));
}

TEST_F(FormTest, WaitWithMessagesRoundsOnTheSimulatedClock) {
    setup::TVEXA_Form1 form;
    struct Case {
        std::int32_t rounds;
        std::uint64_t ms;
        int pumps;
    };
    for (Case c : {Case{-1, 0, 0}, Case{0, 10, 1}, Case{5, 60, 6}, Case{1000, 10010, 1001}}) {
        pc.clock.now = 0;
        pc.ui.processMessagesCalls = 0;
        form.WaitWithMessages(c.rounds);
        EXPECT_EQ(pc.clock.now, c.ms) << c.rounds;
        EXPECT_EQ(pc.ui.processMessagesCalls, c.pumps) << c.rounds;
        EXPECT_EQ(setup::StepCode, 77);
    }
}

TEST_F(FormTest, StopTouchToolsWithoutToolReturnsAtOnce) {
    setup::TVEXA_Form1 form;
    form.StopTouchTools();
    EXPECT_EQ(pc.clock.now, 0u);
    EXPECT_EQ(setup::StepCode, 72);
    EXPECT_THAT(trace, ElementsAre("CloseAPI"));
}

TEST_F(FormTest, StopTouchToolsAsksUntilTheToolCloses) {
    auto& tool = pc.windows.Add("TSwapFormZZ", "any title");
    tool.closesOn = std::make_pair(0x480u, plat::WParam{255});
    setup::TVEXA_Form1 form;
    form.StopTouchTools();
    EXPECT_FALSE(tool.open);
    ASSERT_EQ(tool.received.size(), 1u);
    EXPECT_EQ(tool.received[0].message, 0x480u);
    EXPECT_EQ(tool.received[0].wParam, 255u);
    EXPECT_EQ(tool.received[0].lParam, 0);
    EXPECT_FALSE(tool.received[0].posted);
    EXPECT_EQ(pc.clock.now, 1000u);
}

TEST_F(FormTest, StopTouchToolsGivesUpOnAHungTool) {
    auto& tool = pc.windows.Add("TSwapFormZZ", "");
    setup::TVEXA_Form1 form;
    form.StopTouchTools();
    EXPECT_TRUE(tool.open);
    EXPECT_EQ(tool.received.size(), static_cast<size_t>(setup::TVEXA_Form1::kStopTouchToolsRounds));
    EXPECT_EQ(pc.clock.now, 1000u * setup::TVEXA_Form1::kStopTouchToolsRounds);
}

}  // namespace
