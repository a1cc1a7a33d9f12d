// The restart offer, the double-click time and the device rescan.
#include "system/desktop_settings.h"

#include <gmock/gmock.h>

#include "case_name.h"
#include "routine_fixture.h"

namespace {

using ::testing::ElementsAre;

using RestartTest = RoutineTest;

TEST_F(RestartTest, OkRestartsWindowsWithTheShutdownPrivilegeAndEnds) {
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Run([&] { form.RebootWindows("You must REBOOT Windows to complete the UnInstallation"); }), 0u);
    ASSERT_EQ(pc.windows.boxes.size(), 1u);
    EXPECT_EQ(pc.windows.boxes[0].text, "You must REBOOT Windows to complete the UnInstallation");
    EXPECT_EQ(pc.windows.boxes[0].caption, "Warning");
    EXPECT_EQ(pc.windows.boxes[0].flags, plat::kMbOkCancel);
    EXPECT_EQ(pc.system.exitWindowsRequests, std::vector<plat::UInt>{2});
    EXPECT_TRUE(pc.system.shutdownPrivilegeEnabled);
    EXPECT_EQ(pc.system.OpenTokens(), 0u);
    EXPECT_EQ(setup::StepCode, 60);
}

TEST_F(RestartTest, TokenFailuresStillAskForTheRestart) {
    pc.windows.Answer(plat::kIdOk);
    pc.FailCall("OpenProcessToken", plat::kErrorAccessDenied);
    EXPECT_EQ(Run([&] { form.RebootWindows("Restart?"); }), 0u);
    // Without the privilege Windows refuses; the process ends all the same.
    EXPECT_TRUE(pc.system.exitWindowsRequests.empty());
    EXPECT_TRUE(pc.processes.exited);
}

TEST_F(RestartTest, CancelWarnsClosesTheWindowAndEnds) {
    form.UiTexts[0] = "Touch Setup";
    pc.windows.Answer(plat::kIdCancel);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Run([&] { form.RebootWindows("Restart?"); }), 0u);
    ASSERT_EQ(pc.windows.boxes.size(), 2u);
    EXPECT_EQ(pc.windows.boxes[1].text, "Device may be will not work properly, until windows rebooted !");
    EXPECT_EQ(pc.windows.boxes[1].caption, "Touch Setup");
    EXPECT_EQ(pc.windows.boxes[1].flags, 0x30u);
    EXPECT_TRUE(pc.ui.closed);
    EXPECT_TRUE(pc.system.exitWindowsRequests.empty());
}

TEST_F(RestartTest, EndRestartsTheServiceStartupStopped) {
    form.PcaStoppedBySetup = true;
    pc.services.Add("PcaSvc", plat::kServiceStopped);
    pc.windows.Answer(plat::kIdCancel);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Run([&] { form.RebootWindows("Restart?"); }), 0u);
    EXPECT_EQ(pc.services.Find("PcaSvc")->state, plat::kServiceRunning);
}

struct DoubleClickCase {
    const char* name;
    std::int32_t milliseconds;
    const char* stored;
    plat::UInt inEffect;
};

class DoubleClickTest : public RoutineTest, public ::testing::WithParamInterface<DoubleClickCase> {};

TEST_P(DoubleClickTest, AppliesAndStoresTheTime) {
    setup::SetDoubleClickSpeed(GetParam().milliseconds);
    EXPECT_EQ(pc.registry.String("HKCU\\Control Panel\\Mouse", "DoubleClickSpeed"), GetParam().stored);
    EXPECT_EQ(pc.system.doubleClickTime, GetParam().inEffect);
    EXPECT_EQ(setup::StepCode, 7);
}

INSTANTIATE_TEST_SUITE_P(Cases, DoubleClickTest,
                         ::testing::Values(DoubleClickCase{"FiveSteps", 400, "400", 400},
                                           DoubleClickCase{"DefaultNine", 0, "0", 500}),
                         test_support::CaseName());

TEST_F(RoutineTest, DoubleClickKeyThatCannotBeOpenedIsSkipped) {
    pc.registry.DenyAccess("HKCU\\Control Panel\\Mouse");
    setup::SetDoubleClickSpeed(400);
    EXPECT_EQ(pc.system.doubleClickTime, 400u);
    EXPECT_FALSE(pc.registry.Value("HKCU\\Control Panel\\Mouse", "DoubleClickSpeed"));
}

TEST_F(RoutineTest, RescanAsksThePackageLibraryAndCountsItsAbsenceAsARestart) {
    EXPECT_EQ(form.RescanDevices(), 1);
    EXPECT_EQ(setup::StepCode, 79);
    sim::LibraryModel tsutils;
    tsutils.exports["VEXA_ReScanDevice"] = [](sim::SimPc&) { return 0; };
    pc.libraries.AddLibrary("C:\\Package\\tsutils.dll", tsutils);
    EXPECT_EQ(form.RescanDevices(), 0);
}

}  // namespace
