// Failure injection of the simulated PC: every seam method answers an injected
// failure as Windows fails it; failures are keyed, add up and count only the
// program's own calls.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "case_name.h"
#include "platform/sim/machine.h"
#include "platform/sim/package_tools.h"

using ::testing::ElementsAre;

namespace {

constexpr plat::DWord kInjected = 4711;

class FailureInjectionTest : public ::testing::Test {
protected:
    FailureInjectionTest() {
        pc.files.AddStandardFolders();
        pc.files.AddFolder("C:\\Package");
        pc.processes.AddProgram("C:\\Package\\tool.exe", {nullptr, 3000});
        sim::LibraryModel library;
        library.exports["Answer"] = [](sim::SimPc&) { return 42; };
        pc.libraries.AddLibrary("C:\\Package\\pkg.dll", library);
    }

    bool Exists(const std::string& path) {
        return pc.files.GetFileAttributesA(path) != plat::kInvalidFileAttributes;
    }

    plat::Handle Launch(const std::string& commandLine, plat::ProcessInformation* info) {
        return pc.processes.CreateProcessA("", commandLine, 0, 0, "", plat::StartupInfo{68, 1, 0}, info);
    }

    sim::SimPc pc;
};

TEST_F(FailureInjectionTest, KeyedFailureHitsOnlyItsArgumentWithoutRegardToCase) {
    pc.files.AddFile("C:\\Package\\a.ini");
    pc.files.AddFile("C:\\Package\\b.ini");
    pc.FailCallOn("GetFileAttributesA", "c:\\package\\A.INI", plat::kErrorAccessDenied, -1);
    EXPECT_TRUE(Exists("C:\\Package\\b.ini"));
    EXPECT_FALSE(Exists("C:\\Package\\a.ini"));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorAccessDenied);
    EXPECT_FALSE(Exists("C:\\Package\\a.ini"));  // times -1: every call
    EXPECT_TRUE(Exists("C:\\Package\\b.ini"));
}

TEST_F(FailureInjectionTest, FailuresForOneCallAddUp) {
    pc.files.AddFile("C:\\Package\\a.ini");
    pc.files.AddFile("C:\\Package\\b.ini");
    pc.FailCallOn("GetFileAttributesA", "C:\\Package\\a.ini", plat::kErrorAccessDenied);
    pc.FailCallOn("GetFileAttributesA", "C:\\Package\\b.ini", plat::kErrorSharingViolation);
    pc.FailCall("GetFileAttributesA", plat::kErrorPathNotFound, 1, 3);

    EXPECT_FALSE(Exists("C:\\Package\\b.ini"));  // the second does not replace the first
    EXPECT_EQ(pc.GetLastError(), plat::kErrorSharingViolation);
    EXPECT_FALSE(Exists("C:\\Package\\a.ini"));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorAccessDenied);
    EXPECT_TRUE(Exists("C:\\Package\\a.ini"));
    EXPECT_FALSE(Exists("C:\\Package\\a.ini"));  // the fourth call: three skipped
    EXPECT_EQ(pc.GetLastError(), plat::kErrorPathNotFound);
    EXPECT_TRUE(Exists("C:\\Package\\a.ini"));
}

TEST_F(FailureInjectionTest, SkipCountsOnlyTheProgramsCalls) {
    pc.files.AddFile("C:\\Package\\a.ini");
    pc.FailCall("GetFileAttributesA", kInjected, 1, 1);
    pc.FailCall("GetCurrentDirectoryA", kInjected, 1, 0);
    pc.FailCall("LoadLibraryA", kInjected, 1, 1);
    pc.FailCall("CreateProcessA", kInjected, 1, 2);

    // The program search of CreateProcessA and the library search of
    // LoadLibraryA look at files and the current folder themselves; a program
    // modelled on the machine starts another program.
    plat::ProcessInformation info;
    ASSERT_TRUE(Launch("tool.exe /x", &info));
    ASSERT_NE(pc.libraries.GetModuleHandleA("kernel32.dll"), 0u);  // maps kernel32 on first use
    ASSERT_NE(pc.libraries.LoadLibraryA("pkg.dll"), 0u);
    sim::ModelPackageTools(pc);
    pc.files.AddFile("C:\\Program Files\\Brivo\\uninstall.exe", "MZ");
    pc.files.AddFile("C:\\Program Files\\Brivo\\setup.exe", "MZ");
    ASSERT_TRUE(Launch("\"C:\\Program Files\\Brivo\\uninstall.exe\"", &info));
    EXPECT_EQ(pc.processes.launches.size(), 3u);  // the uninstaller started setup.exe -u

    EXPECT_TRUE(Exists("C:\\Package\\a.ini"));
    EXPECT_FALSE(Exists("C:\\Package\\a.ini"));
    std::string folder;
    EXPECT_EQ(pc.files.GetCurrentDirectoryA(&folder), 0u);
    EXPECT_EQ(pc.libraries.LoadLibraryA("pkg.dll"), 0u);
    EXPECT_FALSE(Launch("tool.exe", &info));
    EXPECT_EQ(pc.GetLastError(), kInjected);
}

TEST_F(FailureInjectionTest, RecordingListsTheProgramsCallsWithTheirKeys) {
    pc.recordCalls = true;
    plat::ProcessInformation info;
    ASSERT_TRUE(Launch("tool.exe /x", &info));
    pc.processes.CloseHandle(info.thread);
    pc.files.GetFileAttributesA("C:\\Package\\tool.exe");
    pc.services.Add("PcaSvc", plat::kServiceRunning);
    plat::Handle manager = pc.services.OpenSCManagerA("", "", plat::kScManagerAllAccess);
    plat::Handle service = pc.services.OpenServiceA(manager, "pcasvc", plat::kServiceAllAccess);
    pc.services.CloseServiceHandle(service);
    using Call = sim::SimPc::SeamCall;
    EXPECT_THAT(pc.recordedCalls,
                ElementsAre(Call{"CreateProcessA", "tool.exe /x"}, Call{"CloseHandle", "tool.exe /x"},
                            Call{"GetFileAttributesA", "C:\\Package\\tool.exe"}, Call{"OpenSCManagerA", ""},
                            Call{"OpenServiceA", "pcasvc"}, Call{"CloseServiceHandle", "PcaSvc"}));
    EXPECT_EQ(pc.programCalls, 6u);
}

TEST_F(FailureInjectionTest, RunLimitsStopARunThatGoesOnForever) {
    pc.callLimit = 3;
    for (int i = 0; i < 3; ++i) Exists("C:\\Package");
    try {
        Exists("C:\\Package");
        FAIL() << "no limit";
    } catch (const sim::HarnessFailure& failure) {
        EXPECT_EQ(failure.what, "the program made more than 3 seam calls (the last GetFileAttributesA)");
    }

    pc.clock.limitMs = 60000;
    pc.clock.Sleep(60000);
    EXPECT_THROW(pc.clock.Sleep(1), sim::HarnessFailure);
}

// Each seam method of the facilities without their own injection tests: the
// call reports the failure Windows gives once, then works again.
struct SeamCase {
    const char* name;
    std::function<bool(sim::SimPc&)> fails;  // makes the call; true when it reported a failure
    bool setsLastError = true;
};

class EverySeamCallTest : public FailureInjectionTest, public ::testing::WithParamInterface<SeamCase> {};

plat::Handle Library(sim::SimPc& pc) {
    return pc.libraries.LoadLibraryA("C:\\Package\\pkg.dll");
}

plat::Handle Service(sim::SimPc& pc) {
    if (!pc.services.Exists("Svc")) pc.services.Add("Svc", plat::kServiceStopped);
    plat::Handle manager = pc.services.OpenSCManagerA("", "", plat::kScManagerAllAccess);
    return pc.services.OpenServiceA(manager, "Svc", plat::kServiceAllAccess);
}

plat::ProcessInformation Started(sim::SimPc& pc) {
    plat::ProcessInformation info;
    pc.processes.CreateProcessA("", "C:\\Package\\tool.exe", 0, 0, "", plat::StartupInfo{68, 1, 0}, &info);
    return info;
}

void Window(sim::SimPc& pc) {
    if (pc.ui.created) return;
    plat::ControlSpec button;
    button.id = 0;
    button.name = "Button1";
    button.kind = plat::ControlKind::Button;
    plat::ControlSpec image;
    image.id = 1;
    image.name = "Image1";
    image.kind = plat::ControlKind::Image;
    pc.ui.CreateMainWindow(plat::WindowSpec{"TForm", 100, 100, "", "MS Sans Serif", 8, 1}, {button, image},
                           nullptr);
}

const SeamCase kSeamCases[] = {
    // Processes.
    {"CreateProcessA", [](sim::SimPc& pc) { return Started(pc).process == 0; }},
    {"WaitForSingleObject",
     [](sim::SimPc& pc) {
         return pc.processes.WaitForSingleObject(Started(pc).process, 0) == plat::kWaitFailed;
     }},
    {"GetExitCodeProcess",
     [](sim::SimPc& pc) {
         plat::DWord code = 0;
         return !pc.processes.GetExitCodeProcess(Started(pc).process, &code);
     }},
    {"CloseHandle", [](sim::SimPc& pc) { return !pc.processes.CloseHandle(Started(pc).thread); }},
    {"SetThreadPriority",
     [](sim::SimPc& pc) {
         return !pc.processes.SetThreadPriority(pc.processes.GetCurrentThread(),
                                                plat::kThreadPriorityTimeCritical);
     }},
    {"GetModuleFileNameA",
     [](sim::SimPc& pc) {
         std::string path = "x";
         return pc.processes.GetModuleFileNameA(&path) == 0 && path.empty();
     }},
    {"CommandLineArguments",
     [](sim::SimPc& pc) {
         pc.processes.arguments = {"-u"};
         return pc.processes.CommandLineArguments().empty();
     }},
    // Windows and messages.
    {"FindWindowA",
     [](sim::SimPc& pc) {
         pc.windows.Add("TSwapFormZZ", "Touch");
         return pc.windows.FindWindowA(std::string("TSwapFormZZ"), std::nullopt) == 0;
     }},
    {"SendMessageA",
     [](sim::SimPc& pc) {
         sim::SimWindow& window = pc.windows.Add("TSwapFormZZ", "Touch");
         plat::Hwnd hwnd = window.hwnd;
         pc.windows.SendMessageA(hwnd, 0x480, 255, 0);
         return pc.windows.Find(hwnd)->received.empty();
     }},
    {"PostMessageA",
     [](sim::SimPc& pc) {
         return !pc.windows.PostMessageA(pc.windows.Add("TUN_INST", ".UN_INST.").hwnd, 0x480, 256, 0);
     }},
    {"MessageBoxA",
     [](sim::SimPc& pc) {
         pc.windows.Answer(plat::kIdOk);
         return pc.windows.MessageBoxA(0, "Text", "Caption", plat::kMbOk) == 0 && pc.windows.boxes.empty();
     }},
    // Libraries and calls through entry points.
    {"LoadLibraryA", [](sim::SimPc& pc) { return Library(pc) == 0; }},
    {"GetModuleHandleA", [](sim::SimPc& pc) { return pc.libraries.GetModuleHandleA("kernel32.dll") == 0; }},
    {"GetProcAddress",
     [](sim::SimPc& pc) { return pc.libraries.GetProcAddress(Library(pc), "Answer") == 0; }},
    {"FreeLibrary", [](sim::SimPc& pc) { return !pc.libraries.FreeLibrary(Library(pc)); }},
    {"CallIntFunction",
     [](sim::SimPc& pc) {
         plat::ProcAddress answer = pc.libraries.GetProcAddress(Library(pc), "Answer");
         return pc.libraries.CallIntFunction(answer) == static_cast<std::int32_t>(kInjected);
     },
     true},
    {"Wow64EnableWow64FsRedirection",
     [](sim::SimPc& pc) {
         plat::Handle kernel32 = pc.libraries.GetModuleHandleA("kernel32.dll");
         plat::ProcAddress enable = pc.libraries.GetProcAddress(kernel32, "Wow64EnableWow64FsRedirection");
         pc.files.SetRedirection(true);
         return pc.libraries.CallWow64EnableWow64FsRedirection(enable, 0) == 0 && pc.files.Redirection();
     }},
    {"IsWow64Process",
     [](sim::SimPc& pc) {
         plat::Handle kernel32 = pc.libraries.GetModuleHandleA("kernel32.dll");
         plat::Bool wow64 = 0;
         return !pc.libraries.CallIsWow64Process(pc.libraries.GetProcAddress(kernel32, "IsWow64Process"),
                                                 pc.system.GetCurrentProcess(), &wow64);
     }},
    {"NetUserGetInfo",
     [](sim::SimPc& pc) {
         plat::Handle netapi = pc.libraries.LoadLibraryA("netapi32.dll");
         plat::DWord privilege = 0;
         return pc.libraries.CallNetUserGetInfo(pc.libraries.GetProcAddress(netapi, "NetUserGetInfo"),
                                                "Admin", 1, &privilege) == kInjected;
     },
     false},
    // Services.
    {"OpenSCManagerA",
     [](sim::SimPc& pc) { return pc.services.OpenSCManagerA("", "", plat::kScManagerAllAccess) == 0; }},
    {"OpenServiceA", [](sim::SimPc& pc) { return Service(pc) == 0; }},
    {"QueryServiceStatus",
     [](sim::SimPc& pc) {
         plat::ServiceStatus status;
         return !pc.services.QueryServiceStatus(Service(pc), &status);
     }},
    {"StartServiceA", [](sim::SimPc& pc) { return !pc.services.StartServiceA(Service(pc), {}); }},
    {"ControlService",
     [](sim::SimPc& pc) {
         plat::Handle service = Service(pc);
         pc.services.Find("Svc")->state = plat::kServiceRunning;
         plat::ServiceStatus status;
         return !pc.services.ControlService(service, plat::kServiceControlStop, &status);
     }},
    {"DeleteService",
     [](sim::SimPc& pc) {
         plat::Handle service = Service(pc);
         pc.services.Find("Svc")->markedForDelete = false;
         return !pc.services.DeleteService(service);
     }},
    {"CloseServiceHandle", [](sim::SimPc& pc) { return !pc.services.CloseServiceHandle(Service(pc)); }},
    // System information and the caption font's measurement.
    {"GetVersion", [](sim::SimPc& pc) { return pc.system.GetVersion() == 0; }},
    {"GetVersionExA",
     [](sim::SimPc& pc) {
         plat::OsVersionInfo info;
         info.size = 148;
         return !pc.system.GetVersionExA(&info) && info.major == 0;
     }},
    {"GetLocaleInfoA",
     [](sim::SimPc& pc) {
         std::string data;
         return pc.system.GetLocaleInfoA(plat::kLocaleSystemDefault, plat::kLocaleSAbbrevLangName, &data,
                                         11) == 0;
     }},
    {"GetUserNameA",
     [](sim::SimPc& pc) {
         std::string name;
         plat::DWord size = 253;
         return !pc.system.GetUserNameA(&name, &size);
     }},
    {"GetWindowsDirectoryA",
     [](sim::SimPc& pc) {
         std::string path;
         return pc.system.GetWindowsDirectoryA(&path, 255) == 0 && path.empty();
     }},
    {"GetSystemDirectoryA",
     [](sim::SimPc& pc) {
         std::string path;
         return pc.system.GetSystemDirectoryA(&path, 260) == 0 && path.empty();
     }},
    {"GetTempPathA",
     [](sim::SimPc& pc) {
         std::string path;
         return pc.system.GetTempPathA(259, &path) == 0;
     }},
    {"SystemParametersInfoA",
     [](sim::SimPc& pc) {
         plat::NonClientMetrics metrics;
         metrics.size = 340;
         return !pc.system.SystemParametersInfoA(plat::kSpiGetNonClientMetrics, 340, &metrics, 0);
     }},
    {"GetDesktopWindow", [](sim::SimPc& pc) { return pc.system.GetDesktopWindow() == 0; }},
    {"GetDC", [](sim::SimPc& pc) { return pc.system.GetDC(pc.system.GetDesktopWindow()) == 0; }},
    {"ReleaseDC",
     [](sim::SimPc& pc) {
         plat::Hwnd desktop = pc.system.GetDesktopWindow();
         return pc.system.ReleaseDC(desktop, pc.system.GetDC(desktop)) == 0;
     }},
    {"CreateFontIndirectA",
     [](sim::SimPc& pc) { return pc.system.CreateFontIndirectA(pc.system.captionFont) == 0; }},
    {"SelectObject",
     [](sim::SimPc& pc) {
         plat::Handle dc = pc.system.GetDC(pc.system.GetDesktopWindow());
         return pc.system.SelectObject(dc, pc.system.CreateFontIndirectA(pc.system.captionFont)) == 0;
     }},
    {"DeleteObject",
     [](sim::SimPc& pc) {
         return !pc.system.DeleteObject(pc.system.CreateFontIndirectA(pc.system.captionFont));
     }},
    {"GetTextMetricsA",
     [](sim::SimPc& pc) {
         plat::TextMetric metrics;
         return !pc.system.GetTextMetricsA(pc.system.GetDC(pc.system.GetDesktopWindow()), &metrics) &&
                metrics.height == 0;
     }},
    {"GetDeviceCaps",
     [](sim::SimPc& pc) {
         return pc.system.GetDeviceCaps(pc.system.GetDC(pc.system.GetDesktopWindow()), plat::kLogPixelsY) ==
                0;
     }},
    {"WideCharToMultiByte",
     [](sim::SimPc& pc) {
         std::string text = "x";
         return pc.system.WideCharToMultiByte(plat::kCpAcp, 0, u"Gr\u00FC\u00DFe", &text) == 0 && text == "x";
     }},
    // The window toolkit: a failed call has no effect.
    {"CreateMainWindow",
     [](sim::SimPc& pc) {
         Window(pc);
         return !pc.ui.created && pc.ui.MainWindow() == 0;
     }},
    {"SetCaption",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.caption.clear();
         pc.ui.SetCaption("Setup");
         return pc.ui.caption.empty();
     }},
    {"SetControlText",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.Control("Button1").text.clear();
         pc.ui.SetControlText(0, "Install");
         return pc.ui.Control("Button1").text.empty();
     }},
    {"SetControlVisible",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.Control("Button1").visible = true;
         pc.ui.SetControlVisible(0, false);
         return pc.ui.Control("Button1").visible;
     }},
    {"SetControlEnabled",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.Control("Button1").enabled = true;
         pc.ui.SetControlEnabled(0, false);
         return pc.ui.Control("Button1").enabled;
     }},
    {"SetControlChecked",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.Control("Button1").checked = false;
         pc.ui.SetControlChecked(0, true);
         return !pc.ui.Control("Button1").checked;
     }},
    {"SetProgressPosition",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.Control("Button1").position = 0;
         pc.ui.SetProgressPosition(0, 3);
         return pc.ui.Control("Button1").position == 0;
     }},
    {"SetFocus",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.focus = -1;
         pc.ui.SetFocus(0);
         return pc.ui.focus == -1;
     }},
    {"SetFont",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.fontFace.clear();
         pc.ui.SetFont("Tahoma", 9, 0);
         return pc.ui.fontFace.empty();
     }},
    {"SetColors",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.windowColor = 0;
         pc.ui.SetColors(0xFFFFFF, 0, {0});
         return pc.ui.windowColor == 0;
     }},
    {"LoadPicture",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.files.AddFile("C:\\Package\\back.bmp", "BM");
         return !pc.ui.LoadPicture(1, "C:\\Package\\back.bmp");
     }},
    {"ShowMainWindow",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.shown = false;
         pc.ui.ShowMainWindow();
         return !pc.ui.shown;
     }},
    {"HideMainWindow",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.shown = true;
         pc.ui.HideMainWindow();
         return pc.ui.shown;
     }},
    {"CloseMainWindow",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.closed = false;
         pc.ui.CloseMainWindow();
         return !pc.ui.closed;
     }},
    {"RunMessageLoop",
     [](sim::SimPc& pc) {
         Window(pc);
         pc.ui.closed = false;
         pc.ui.script = {"close"};
         pc.ui.RunMessageLoop();
         return !pc.ui.closed;
     }},
    {"SetApplicationTitle",
     [](sim::SimPc& pc) {
         pc.ui.applicationTitle.clear();
         pc.ui.SetApplicationTitle("Setup");
         return pc.ui.applicationTitle.empty();
     }},
    {"ShowInfoBox",
     [](sim::SimPc& pc) {
         pc.windows.boxes.clear();
         pc.windows.Answer(plat::kIdOk);
         pc.ui.ShowInfoBox("Text");
         return pc.windows.boxes.empty();
     }},
};

TEST_P(EverySeamCallTest, FailsOnceWithTheInjectedErrorThenWorks) {
    const SeamCase& seamCase = GetParam();
    EXPECT_NE(sim::SimPc::UsualError(seamCase.name), 0u) << "no usual error for " << seamCase.name;
    pc.FailCall(seamCase.name, kInjected);
    pc.SetLastError(0);
    EXPECT_TRUE(seamCase.fails(pc));
    if (seamCase.setsLastError) {
        EXPECT_EQ(pc.GetLastError(), kInjected);
    }
    EXPECT_FALSE(seamCase.fails(pc));
}

INSTANTIATE_TEST_SUITE_P(Calls, EverySeamCallTest, ::testing::ValuesIn(kSeamCases), test_support::CaseName());

}  // namespace
