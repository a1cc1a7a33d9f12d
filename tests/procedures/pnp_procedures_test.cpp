// The Plug-and-Play endings of an install: the Vista USB, 2000 USB and 232
// procedures, their waits, command lines, tools, messages and restart rules,
// on 64-bit Windows through setdev64.exe and on 32-bit Windows through the
// Setup API.
#include <gmock/gmock.h>

#include <deque>

#include "case_name.h"
#include "procedures/procedure_fixture.h"

namespace procedures_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr const char* kSetDev = "C:\\Package\\setdev64.exe";
const std::string kInstall64 = "C:\\Program Files (x86)\\ExampleTouch";
const std::string kInstall32 = "C:\\Program Files\\ExampleTouch";
constexpr const char* kMouseUpdate64 =
    "C:\\Package\\setdev64.exe \"HID\\VID_0D7A&PID_0301\" 256 C:\\Windows\\inf\\msmouse.inf";
constexpr const char* kVirtualTouchParameters =
    "HKLM\\SYSTEM\\CurrentControlSet\\Services\\vtouch\\Parameters";

std::string SetDev(int state) {
    return std::string(kSetDev) + " \"usb\\VID_0D7A&PID_0301\" " + std::to_string(state);
}

class PnpProcedureTest : public ProcedureTest {
protected:
    sim::SimDevice* Controller() { return pc.devices.Find("USB\\VID_0D7A&PID_0301\\5&1A2B3C4D&0&1"); }
    sim::SimDevice* HidCollection() {
        for (sim::SimDevice* device : pc.devices.All())
            if (device->instanceId.starts_with("HID\\VID_0D7A&PID_0301\\")) return device;
        return nullptr;
    }
    sim::SimDevice* VirtualTouchDevice() {
        auto found = pc.devices.WithHardwareId(kVirtualTouchId);
        return found.empty() ? nullptr : found.front();
    }
    // setdev64.exe with scripted exit codes for its driver updates (each
    // other call as the tool does it).
    void ScriptMouseUpdates(std::deque<plat::DWord> exitCodes) {
        sim::ProgramModel model;
        model.is64BitImage = true;
        model.runtimeMs = 1500;
        auto codes = std::make_shared<std::deque<plat::DWord>>(std::move(exitCodes));
        model.run = [codes](sim::SimPc&, const sim::Launch& launch) -> plat::DWord {
            if (launch.commandLine.find(" 256 ") == std::string::npos) return 1;
            plat::DWord code = codes->empty() ? 1 : codes->front();
            if (!codes->empty()) codes->pop_front();
            return code;
        };
        pc.processes.ModelByName("setdev64.exe", model);
    }
    std::optional<unsigned> Vista() {
        return Run([&] { form.VistaUsbProcedure(); });
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : pc.windows.boxes) texts.push_back(box.text);
        return texts;
    }
};

TEST_F(PnpProcedureTest, Vista64BitRunsTheDeviceStepsThroughSetDev64) {
    InstallUsbFirst(kWindows7X64);
    pc.files.AddFile("C:\\Windows\\System32\\qzusbf.sys", "left by DPInst");
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);

    const std::string dpinst = "\"" + kInstall64 + "\\dpinst.exe\" /q /se";
    const std::string devcon =
        "\"" + kInstall64 +
        "\\devcon.exe\" install vtouch.inf \"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\"";
    const std::string hidfilter = "\"" + kInstall64 + "\\hidfilter.exe\" -install -silent";
    EXPECT_THAT(Commands(),
                ElementsAre(Command{SetDev(2), "C:\\Package"}, Command{SetDev(1), "C:\\Package"},
                            Command{dpinst, "C:\\Package"}, Command{devcon, kInstall64},
                            Command{kMouseUpdate64, "C:\\Package"}, Command{SetDev(2), "C:\\Package"},
                            Command{SetDev(1), "C:\\Package"}, Command{kMouseUpdate64, "C:\\Package"},
                            Command{hidfilter, "C:\\Package"}));
    for (const auto& launch : pc.processes.launches) {
        EXPECT_EQ(launch.startup.showWindow, plat::kSwHide) << launch.commandLine;
        EXPECT_TRUE(launch.waited) << launch.commandLine;
    }
    // 6.1 s after DPInst without messages, 1.1 s between the passes, the
    // short and the long message waits, and the multi-port service's start.
    EXPECT_EQ(pc.clock.sleptMs, 6100u + 1100u + 6 * 10 + 1001 * 10 + 1000);
    EXPECT_EQ(Elapsed(), pc.clock.sleptMs + 6 * 1500 + 3000 + 1000 + 500);

    ASSERT_EQ(pc.windows.boxes.size(), 1u);
    EXPECT_EQ(pc.windows.boxes[0].text, "Successfully install, You can use this device now !");
    EXPECT_EQ(pc.windows.boxes[0].caption, "Touch setup");
    EXPECT_EQ(pc.windows.boxes[0].flags, 0x30u);
    EXPECT_EQ(pc.windows.boxes[0].owner, sim::SimUi::kMainWindow);
    EXPECT_TRUE(pc.ui.closed);

    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\System32\\qzusbf.sys"));
    EXPECT_TRUE(pc.files.Redirection());
    EXPECT_THAT(pc.devices.LowerFilters(*Controller()), ElementsAre("qzusbf"));
    EXPECT_EQ(pc.devices.FriendlyName(*Controller()), "Example Touch USB Controller (wide screen)");
    EXPECT_TRUE(Controller()->enabled);
    ASSERT_NE(VirtualTouchDevice(), nullptr);
    EXPECT_EQ(pc.registry.Value(kVirtualTouchParameters, "RunningMode")->type, plat::kRegDword);
    EXPECT_EQ(pc.registry.Dword(kVirtualTouchParameters, "RunningMode"), 1u);  // Windows 7, AllowMultiTouch=1
    EXPECT_EQ(pc.services.Find("HIDFltrM")->state, plat::kServiceRunning);
    EXPECT_THAT(trace, Contains("Start VISTA USB PnP procedure"));
    EXPECT_THAT(trace, Contains("---Try reinstall VISTA"));
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "--SetDIR OK"), 2);
    EXPECT_EQ(pc.files.Resolve("."), "C:\\Package");  // the folder is changed back
}

TEST_F(PnpProcedureTest, Vista32BitRunsTheDeviceStepsItself) {
    InstallUsbFirst(kVistaX86);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);
    const std::string dpinst = "\"" + kInstall32 + "\\dpinst.exe\" /q /se";
    const std::string devcon =
        "\"" + kInstall32 +
        "\\devcon.exe\" install vtouch.inf \"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\"";
    const std::string hidfilter = "\"" + kInstall32 + "\\hidfilter.exe\" -install -silent";
    EXPECT_THAT(Commands(), ElementsAre(Command{dpinst, "C:\\Package"}, Command{devcon, kInstall32},
                                        Command{hidfilter, "C:\\Package"}));
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "SetDev32=VID_0D7A&PID_0301 to 2"), 2);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "SetDev32=VID_0D7A&PID_0301 to 1"), 2);
    EXPECT_TRUE(Controller()->enabled);
    EXPECT_EQ(pc.registry.Dword(kVirtualTouchParameters, "RunningMode"), 0u);  // Vista: no multi-touch
    // The collection has Windows' mouse driver already: no better driver, no restart.
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "UpdatePnP failed=259"), 2);
    EXPECT_THAT(BoxTexts(), ElementsAre("Successfully install, You can use this device now !"));
}

TEST_F(PnpProcedureTest, Vista32BitFirstDriverUpdateAsksForARestartAndTheSecondDoesNot) {
    InstallUsbFirst(kWindows7X86);
    HidCollection()->driverInf.clear();
    HidCollection()->restartOnChange = true;
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "UpdatePnP OK!"), 1);
    EXPECT_EQ(HidCollection()->driverInf, "msmouse.inf");
    EXPECT_THAT(BoxTexts(), ElementsAre("Successfully install, You can use this device now !"));
}

struct RestartCase {
    const char* name;
    std::deque<plat::DWord> mouseUpdates;  // exit codes of setdev64's two driver updates
    const char* configuration;
    std::vector<int> answers;
    std::vector<std::string> boxes;
    bool restartRequested;
};

class VistaRestartTest : public PnpProcedureTest, public ::testing::WithParamInterface<RestartCase> {};

const std::string kInstalled = "Successfully install, You can use this device now !";
const std::string kRestart = "You must REBOOT Windows to complete the Installation";
const std::string kDeclined = "Device may be will not work properly, until windows rebooted !";

TEST_P(VistaRestartTest, OnlyTheLastDriverUpdateOrTheConfigurationAsksForARestart) {
    const RestartCase& c = GetParam();
    InstallUsbFirst(kWindows7X64);
    ScriptMouseUpdates(c.mouseUpdates);
    Configure(c.configuration);
    for (int answer : c.answers) pc.windows.Answer(answer);
    EXPECT_EQ(Vista(), 0u);
    EXPECT_EQ(BoxTexts(), c.boxes);
    EXPECT_EQ(!pc.system.exitWindowsRequests.empty(), c.restartRequested);
    EXPECT_TRUE(pc.ui.closed || c.restartRequested);
    for (const auto& box : pc.windows.boxes) {
        if (box.text == kRestart) {
            EXPECT_EQ(box.caption, "Warning");
            EXPECT_EQ(box.flags, plat::kMbOkCancel);
        }
        if (box.text == kDeclined) {
            EXPECT_EQ(box.flags, 0x30u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Endings, VistaRestartTest,
    ::testing::Values(
        RestartCase{"NoRestart", {1, 1}, "", {plat::kIdOk}, {kInstalled}, false},
        RestartCase{"FirstUpdateOnly", {2, 1}, "", {plat::kIdOk}, {kInstalled}, false},
        RestartCase{"SecondUpdateAccepted", {1, 2}, "", {plat::kIdOk}, {kRestart}, true},
        RestartCase{
            "SecondUpdateDeclined", {1, 2}, "", {plat::kIdCancel, plat::kIdOk}, {kRestart, kDeclined}, false},
        RestartCase{"BothUpdates", {2, 2}, "", {plat::kIdOk}, {kRestart}, true},
        RestartCase{"FailedUpdateIsNoRestart", {0, 0}, "", {plat::kIdOk}, {kInstalled}, false},
        RestartCase{
            "ForcedRestart", {1, 1}, "[system]\r\nforcetoreboot=2\r\n", {plat::kIdOk}, {kRestart}, true},
        RestartCase{"ForcedRestartDeclined",
                    {1, 1},
                    "[system]\r\nforcetoreboot=2\r\n",
                    {plat::kIdCancel, plat::kIdOk},
                    {kRestart, kDeclined},
                    false},
        RestartCase{"ForceOneIsNoRestart",
                    {1, 1},
                    "[system]\r\nforcetoreboot=1\r\n",
                    {plat::kIdOk},
                    {kInstalled},
                    false}),
    test_support::CaseName());

TEST_F(PnpProcedureTest, AFailedSetDevDriverUpdateIsTracedWithItsCommandLine) {
    InstallUsbFirst(kWindows7X64);
    ScriptMouseUpdates({0, 1});
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), std::string(kMouseUpdate64) + " failed!"), 1);
}

TEST_F(PnpProcedureTest, MultiMonitorPackagesAlwaysEndInTheRestartOffer) {
    InstallUsbFirst(kWindows7X64);
    form.MultiMonitor = true;
    Configure("[System]\r\nEnableC3=1\r\n");
    pc.windows.Answer(plat::kIdCancel);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);
    EXPECT_THAT(BoxTexts(), ElementsAre(kRestart, kDeclined));
    EXPECT_THAT(CommandLines(), Not(Contains(::testing::HasSubstr("hidfilter.exe"))));
    EXPECT_FALSE(pc.services.Exists("HIDFltrM"));
    // Neither the short wait nor the service start, and no selective suspend.
    EXPECT_EQ(pc.clock.sleptMs, 6100u + 1100u + 1001 * 10);
    EXPECT_FALSE(pc.registry.Value(
        "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0D7A&PID_0301\\5&1A2B3C4D&0&1\\Device Parameters",
        "SelectiveSuspendEnabled"));
    EXPECT_THAT(trace, Not(Contains("Set USB C3 Registry for VID_0D7A&PID_0301")));
}

TEST_F(PnpProcedureTest, SelectiveSuspendIsSetBeforeTheEnding) {
    InstallUsbFirst(kWindows7X64);
    Configure("[System]\r\nEnableC3=1\r\n");
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);
    EXPECT_EQ(pc.registry
                  .Value("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0D7A&PID_0301\\5&1A2B3C4D&0&"
                         "1\\Device Parameters",
                         "SelectiveSuspendEnabled")
                  ->data,
              std::vector<std::uint8_t>{1});
}

TEST_F(PnpProcedureTest, WithoutMultiPortTheFilterIsNeitherInstalledNorStarted) {
    InstallUsbFirst(kWindows7X64);
    Configure("[system]\r\nallowmultiport=0\r\n");
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);
    EXPECT_THAT(CommandLines(), Not(Contains(::testing::HasSubstr("hidfilter.exe"))));
    EXPECT_THAT(trace, Not(Contains("Start Service HIDFltrM")));
    EXPECT_EQ(pc.clock.sleptMs, 6100u + 1100u + 6 * 10 + 1001 * 10);
}

TEST_F(PnpProcedureTest, AnExistingVirtualTouchDeviceIsNotInstalledAgain) {
    InstallUsbFirst(kWindows7X64);
    sim::SimDevice root;
    root.instanceId = "ROOT\\HIDCLASS\\0000";
    root.hardwareIds = {kVirtualTouchId};
    root.className = "HIDClass";
    root.classGuid = plat::kGuidClassHid;
    pc.devices.Add(root);
    sim::SimDevice mapper;
    mapper.instanceId = "HID\\VTOUCH\\1";
    mapper.parent = root.instanceId;
    mapper.hardwareIds = {"HID\\VID_0D7A&PID_E7A7"};
    mapper.className = "HIDClass";
    mapper.classGuid = plat::kGuidClassHid;
    mapper.interfaces = {{plat::kGuidDevInterfaceHid, ""}};
    plat::HiddAttributes attributes;
    attributes.size = plat::kHiddAttributesSize;
    attributes.vendorId = 0x0D7A;
    attributes.productId = 0xE7A7;
    mapper.hid = attributes;
    pc.devices.Add(mapper);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);
    EXPECT_THAT(CommandLines(), Not(Contains(::testing::HasSubstr("devcon.exe"))));
    EXPECT_EQ(pc.devices.WithHardwareId(kVirtualTouchId).size(), 1u);
    EXPECT_FALSE(pc.registry.Value(kVirtualTouchParameters, "RunningMode"));
    EXPECT_THAT(trace, Not(Contains("--SetDIR OK")));
}

TEST_F(PnpProcedureTest, AFailedFolderChangeIsTracedAndDevConRunsAnyway) {
    InstallUsbFirst(kWindows7X64);
    pc.FailCallOn("SetCurrentDirectoryA", kInstall64 + "\\", plat::kErrorAccessDenied);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);
    EXPECT_EQ(trace[std::find(trace.begin(), trace.end(),
                              "@2\"" + kInstall64 +
                                  "\\devcon.exe\" install vtouch.inf "
                                  "\"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\"") -
                    trace.begin() - 1],
              "--SetDIR Failed");
    // By its full path DevCon is the install's copy, whatever the current folder.
    ASSERT_NE(VirtualTouchDevice(), nullptr);
    EXPECT_EQ(pc.processes.launches[3].program, kInstall64 + "\\devcon.exe");
}

// The DevCon copy the install wrote runs, not one the search order finds first.
TEST_F(PnpProcedureTest, DevConRunsFromTheInstallFolderEvenWithACopyInThePackage) {
    InstallUsbFirst(kWindows7X64);
    pc.files.AddFile("C:\\Package\\devcon.exe", "MZ old");
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Vista(), 0u);
    EXPECT_EQ(pc.processes.launches[3].program, kInstall64 + "\\devcon.exe");
}

}  // namespace
}  // namespace procedures_test

namespace procedures_test {
namespace {

struct Win2000Case {
    const char* name;
    WindowsFamily family;
    std::vector<std::string> restart;  // the controller's restart commands; empty: through the Setup API
};

class Win2000ProcedureTest : public PnpProcedureTest, public ::testing::WithParamInterface<Win2000Case> {};

TEST_P(Win2000ProcedureTest, RestartsTheControllerAndStartsTheMultiPortFilter) {
    const Win2000Case& c = GetParam();
    InstallUsbFirst(c.family);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Run([&] { form.Win2000UsbProcedure(); }), 0u);
    std::vector<std::string> expected = c.restart;
    expected.push_back("\"" + InstallFolder() + "\\hidfilter.exe\" -install -silent");
    expected.push_back("sc start touchpnp");
    EXPECT_EQ(CommandLines(), expected);
    if (c.restart.empty()) {
        EXPECT_THAT(trace, Contains("SetDev32=VID_0D7A&PID_0301 to 2"));
        EXPECT_THAT(trace, Contains("SetDev32=VID_0D7A&PID_0301 to 1"));
    }
    EXPECT_TRUE(Controller()->enabled);
    EXPECT_EQ(pc.clock.sleptMs, 1001u * 10);  // about ten seconds after the restart
    // 900 - 100 x 4 of the package's [TouchCFG] defaultdblclick.
    EXPECT_EQ(pc.system.doubleClickTime, 500u);
    EXPECT_EQ(pc.registry.String("HKCU\\Control Panel\\Mouse", "DoubleClickSpeed"), "500");
    EXPECT_THAT(BoxTexts(), ElementsAre(kInstalled));
    EXPECT_EQ(pc.windows.boxes[0].caption, "Touch setup");
    EXPECT_EQ(pc.windows.boxes[0].flags, 0x30u);
    EXPECT_TRUE(pc.ui.closed);
    EXPECT_EQ(trace.front(), "Start 2000 USB PnP procedure");
    EXPECT_TRUE(pc.services.Exists("HIDFltrM"));
}

INSTANTIATE_TEST_SUITE_P(
    Families, Win2000ProcedureTest,
    ::testing::Values(Win2000Case{"Windows2000", kWindows2000, {}}, Win2000Case{"WindowsXp", kWindowsXp, {}},
                      Win2000Case{"WindowsXpX64", kWindowsXpX64, {SetDev(2), SetDev(1)}},
                      Win2000Case{"Windows7X64GatesClosed", kWindows7X64, {SetDev(2), SetDev(1)}},
                      Win2000Case{"VistaX86GatesClosed", kVistaX86, {}}),
    test_support::CaseName());

TEST_F(PnpProcedureTest, Win2000MultiPortFilterIsRunWithoutLookingAtTheConfiguration) {
    InstallUsbFirst(kWindowsXp);
    Configure("[system]\r\nallowmultiport=0\r\n[TouchCFG]\r\ndefaultdblclick=\r\n");
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Run([&] { form.Win2000UsbProcedure(); }), 0u);
    EXPECT_THAT(CommandLines(), Contains("\"" + kInstall32 + "\\hidfilter.exe\" -install -silent"));
    EXPECT_THAT(CommandLines(), Contains("sc start touchpnp"));
    // An empty value is the default 9: 0, Windows' own double-click time.
    EXPECT_EQ(pc.registry.String("HKCU\\Control Panel\\Mouse", "DoubleClickSpeed"), "0");
}

struct Win2000EndingCase {
    const char* name;
    bool multiMonitor;
    const char* configuration;
    std::vector<std::string> boxes;
    bool filter;
};

class Win2000EndingTest : public PnpProcedureTest, public ::testing::WithParamInterface<Win2000EndingCase> {};

TEST_P(Win2000EndingTest, EndsInTheMessageOrTheRestartOffer) {
    const Win2000EndingCase& c = GetParam();
    InstallUsbFirst(kWindows2000);
    form.MultiMonitor = c.multiMonitor;
    Configure(c.configuration);
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(Run([&] { form.Win2000UsbProcedure(); }), 0u);
    EXPECT_EQ(BoxTexts(), c.boxes);
    const std::vector<std::string> lines = CommandLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "sc start touchpnp"), c.filter ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, Win2000EndingTest,
    ::testing::Values(
        Win2000EndingCase{"Plain", false, "", {kInstalled}, true},
        Win2000EndingCase{"MultiMonitor", true, "", {kRestart}, false},
        Win2000EndingCase{"ForcedRestart", false, "[system]\r\nforcetoreboot=2\r\n", {kRestart}, true},
        Win2000EndingCase{"ForceOne", false, "[system]\r\nforcetoreboot=1\r\n", {kInstalled}, true}),
    test_support::CaseName());

class SerialProcedureTest : public PnpProcedureTest {
protected:
    void SetUp() override {
        InstallSerialFirst(kWindows7X64);
        pc.ui.ShowMainWindow();  // the Install button's run
    }
    std::optional<unsigned> Serial() {
        return Run([&] { form.SerialPnpProcedure(); });
    }
};

TEST_F(SerialProcedureTest, TellsTheUserThenRescansAndEnds) {
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Serial(), 0u);
    EXPECT_EQ(trace.front(), "Start 232 PnP procedure");
    EXPECT_EQ(pc.clock.sleptMs, 6u * 200);
    EXPECT_GE(pc.ui.processMessagesCalls, 6);
    EXPECT_EQ(pc.system.doubleClickTime, 500u);
    ASSERT_EQ(pc.windows.boxes.size(), 1u);
    EXPECT_EQ(pc.windows.boxes[0].text, "Driver installed!");
    EXPECT_EQ(pc.windows.boxes[0].caption, "Touch setup");
    EXPECT_EQ(pc.windows.boxes[0].flags, 0x30u);
    EXPECT_FALSE(pc.ui.shown);
    EXPECT_TRUE(pc.ui.closed);
    EXPECT_EQ(pc.libraries.loads.back(), "C:\\Package\\tsutils.dll");
    EXPECT_TRUE(pc.system.exitWindowsRequests.empty());
    EXPECT_TRUE(pc.processes.launches.empty());
}

TEST_F(SerialProcedureTest, WithoutTheRescanLibraryTheRestartIsOffered) {
    pc.files.Remove("C:\\Package\\tsutils.dll");
    pc.windows.Answer(plat::kIdOk);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Serial(), 0u);
    EXPECT_THAT(BoxTexts(), ElementsAre("Driver installed!", kRestart));
    EXPECT_EQ(pc.system.exitWindowsRequests.size(), 1u);
}

TEST_F(SerialProcedureTest, ARescanThatNeedsARestartOffersIt) {
    sim::LibraryModel tsutils;
    tsutils.exports["VEXA_ReScanDevice"] = [](sim::SimPc&) { return 3; };
    pc.libraries.AddLibrary("C:\\Package\\tsutils.dll", tsutils);
    pc.windows.Answer(plat::kIdOk);
    pc.windows.Answer(plat::kIdCancel);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Serial(), 0u);
    EXPECT_THAT(BoxTexts(), ElementsAre("Driver installed!", kRestart, kDeclined));
    EXPECT_TRUE(pc.system.exitWindowsRequests.empty());
}

TEST_F(SerialProcedureTest, ForcedRestartIsNotForTheSerialProduct) {
    Configure("[system]\r\nforcetoreboot=2\r\n");
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Serial(), 0u);
    EXPECT_THAT(BoxTexts(), ElementsAre("Driver installed!"));
}

}  // namespace
}  // namespace procedures_test
