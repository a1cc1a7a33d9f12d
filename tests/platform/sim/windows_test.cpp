// The simulated message boxes answer only what their buttons can answer, and
// other programs' windows live as long as their programs.
#include <gtest/gtest.h>

#include "case_name.h"
#include "sim_fixture.h"

namespace {

struct BoxCase {
    const char* name;
    plat::UInt flags;
    int answer;
    bool possible;
};

const BoxCase kBoxCases[] = {
    {"OkBoxAnsweredOk", plat::kMbOk | plat::kMbIconExclamation, plat::kIdOk, true},
    {"OkBoxAnsweredCancel", plat::kMbOk, plat::kIdCancel, false},
    {"OkCancelBoxAnsweredCancel", plat::kMbOkCancel, plat::kIdCancel, true},
    {"YesNoBoxAnsweredNo", plat::kMbYesNo | plat::kMbSystemModal, plat::kIdNo, true},
    {"YesNoBoxAnsweredOk", plat::kMbYesNo, plat::kIdOk, false},
    {"YesNoBoxAnsweredCancel", plat::kMbYesNo, plat::kIdCancel, false},
    {"YesNoCancelBoxAnsweredCancel", 0x3, plat::kIdCancel, true},
    {"RetryCancelBoxAnsweredYes", 0x5, plat::kIdYes, false},
};

class BoxAnswers : public SimTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(BoxAnswers, ScriptedAnswerMustBeOneTheButtonsGive) {
    const BoxCase& c = GetParam();
    pc.windows.Answer(c.answer);
    if (c.possible) {
        EXPECT_EQ(pc.windows.MessageBoxA(0, "Go on?", "Setup", c.flags), c.answer);
        return;
    }
    try {
        pc.windows.MessageBoxA(0, "Go on?", "Setup", c.flags);
        ADD_FAILURE() << "an impossible answer was taken";
    } catch (const sim::HarnessFailure& failure) {
        EXPECT_NE(failure.what.find("\"Go on?\""), std::string::npos) << failure.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, BoxAnswers, ::testing::ValuesIn(kBoxCases), test_support::CaseName{});

TEST_F(SimTest, DefaultAnswerIsCheckedAgainstEachBox) {
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(pc.windows.MessageBoxA(0, "Done", "", plat::kMbOk), plat::kIdOk);
    EXPECT_THROW(pc.windows.MessageBoxA(0, "Restart now?", "", plat::kMbYesNo), sim::HarnessFailure);
}

TEST_F(SimTest, FirstButtonAnswersEveryKindOfBox) {
    pc.windows.Answer(plat::kIdNo);
    pc.windows.AnswerAllWithFirstButton();
    EXPECT_EQ(pc.windows.MessageBoxA(0, "Uninstall?", "", plat::kMbYesNo), plat::kIdNo);  // queued first
    EXPECT_EQ(pc.windows.MessageBoxA(0, "Uninstall?", "", plat::kMbYesNo | 0x30), plat::kIdYes);
    EXPECT_EQ(pc.windows.MessageBoxA(0, "Restart?", "", plat::kMbOkCancel), plat::kIdOk);
    EXPECT_EQ(pc.windows.MessageBoxA(0, "Done", "", plat::kMbOk), plat::kIdOk);
    EXPECT_EQ(pc.windows.MessageBoxA(0, "Retry?", "", 0x5), 4);
}

TEST_F(SimTest, WindowOfAProgramClosesWhenTheProgramEnds) {
    sim::SimWindow& window = pc.windows.Add("TUN_INST", ".UN_INST.");
    window.closesAt = 1000;
    plat::Hwnd hwnd = pc.windows.FindWindowA(std::string("TUN_INST"), std::string(".UN_INST."));
    ASSERT_NE(hwnd, 0u);
    EXPECT_EQ(pc.windows.PostMessageA(hwnd, 0x480, 256, 0), 1);
    pc.clock.Sleep(1000);
    EXPECT_EQ(pc.windows.FindWindowA(std::string("TUN_INST"), std::nullopt), 0u);
    EXPECT_EQ(pc.windows.PostMessageA(hwnd, 0x480, 256, 0), 0);
    EXPECT_EQ(pc.GetLastError(), 1400u);
}

}  // namespace
