// A simulated PC of one Windows family with the sample driver package in
// C:\Package (its tools modelled), and a main window whose setup state
// startup would have set, for the install and uninstall procedures and their
// steps, one at a time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "config/ui_texts.h"
#include "deploy/deploy_fixture.h"
#include "e2e/sample_machine.h"
#include "platform/sim/package_tools.h"
#include "resources/layout.h"
#include "shell/form.h"
#include "sim_fixture.h"

namespace procedures_test {

using deploy_test::WindowsFamily;

inline constexpr WindowsFamily kWindows2000 = deploy_test::kWindows2000;
inline constexpr WindowsFamily kWindowsXp = deploy_test::kWindowsXp;
inline constexpr WindowsFamily kWindowsXpX64 = deploy_test::kWindowsXpX64;
inline constexpr WindowsFamily kServer2003{"Server2003", 5, 2, false};
inline constexpr WindowsFamily kVistaX86 = deploy_test::kVistaX86;
inline constexpr WindowsFamily kWindows7X86{"Windows7X86", 6, 1, false};
inline constexpr WindowsFamily kWindows7X64 = deploy_test::kWindows7X64;

inline constexpr const char* kPackage = "C:\\Package";
inline constexpr const char* kController = "VID_0D7A&PID_0301";
inline constexpr const char* kVirtualTouchId = "{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE";

// A command line launched and the folder it started in.
struct Command {
    std::string commandLine;
    std::string folder;
    bool operator==(const Command&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Command& command) {
    return out << command.commandLine << " [in " << command.folder << "]";
}

// Parameterised cases of these tests print as their name.
template <class Case>
requires requires(const Case& c) {
    std::string(c.name);
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class ProcedureTest : public SimTest {
protected:
    // The machine and the setup state of `family` as startup leaves them, the
    // sample package in C:\Package as the current folder, the main window
    // created (not shown). Each test calls it first, once.
    void UseWindows(const WindowsFamily& family) {
        pc.facts.major = family.major;
        pc.facts.minor = family.minor;
        pc.facts.is64Bit = family.x64;
        pc.facts.servicePack = family.major == 5 && family.minor == 0 ? "Service Pack 4" : "";
        pc.files.AddStandardFolders();
        sim::ModelPackageTools(pc);
        sim::ModelSystemTools(pc);
        e2e::AddSamplePackage(pc, kPackage);
        for (const char* tool : {"setdev64.exe", "touchcfg_xp.exe"})
            pc.files.AddFile(std::string(kPackage) + "\\" + tool, "MZ");
        // Windows' own mouse INF, which the USB procedures put on the controller's HID collection.
        pc.files.AddFile(
            pc.facts.windowsDir + "\\inf\\msmouse.inf",
            "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Mouse\r\n"
            "ClassGuid={4D36E96F-E325-11CE-BFC1-08002BE10318}\r\n"
            "[Manufacturer]\r\n%Std%=Std\r\n[Std]\r\n%Mouse%=HID_Mouse_Inst,HID_DEVICE_SYSTEM_MOUSE\r\n");
        // Keys every Windows has, in the 32-bit view as well on 64-bit Windows.
        for (const char* view : {"HKLM\\SOFTWARE\\", "HKLM\\SOFTWARE\\Wow6432Node\\"}) {
            if (!family.x64 && std::string(view).find("Wow6432Node") != std::string::npos) continue;
            pc.registry.CreateKey(std::string(view) + "Microsoft\\Windows\\CurrentVersion\\Run");
            pc.registry.CreateKey(std::string(view) + "Microsoft\\Windows\\CurrentVersion\\Uninstall");
        }
        pc.processes.ownPath = std::string(kPackage) + "\\setup.exe";
        pc.processes.searchPath = {pc.facts.windowsDir + "\\System32", pc.facts.windowsDir};
        pc.files.SetCurrentDirectoryA(kPackage);
        pc.shell.CoInitialize();

        form.IsNT = true;
        form.IsVistaOrLater = family.major == 6;
        form.IsWin7OrLater = family.major == 6 && family.minor > 0;
        form.IsXpOr2003 = family.major == 5 && family.minor >= 1;
        form.Is64Bit = family.x64 ? 1 : 0;
        form.WindowsDir = pc.facts.windowsDir;
        form.SourceDir = std::string(kPackage) + "\\";
        form.TempDir = pc.facts.tempDir;
        form.ProgramFilesDir = family.x64 ? "C:\\Program Files (x86)" : "C:\\Program Files";
        form.SetupIni = std::make_unique<config::IniFile>(std::string(kPackage) + "\\default.ini");
        form.LangIni = std::make_unique<config::IniFile>(std::string(kPackage) + "\\default.ini");
        form.TargetSubDir = "\\" + form.SetupIni->ReadString("system", "targetdir", "Brivo");
        form.Manufacturer = form.SetupIni->ReadString("INFData", "manufacturer", "nil");
        form.UiTexts = config::BuiltInTexts();
        form.UiTexts[0] = "Touch setup";
        form.GroupName = "Example Touch";
        form.IconName = "Touch control panel";
        form.UninstName = "Uninstall Example Touch driver";
        form.ProductKind = 0;
        setup::Wow64EnableFsRedirection = 0;
        if (family.x64) {
            plat::Handle kernel32 = pc.libraries.GetModuleHandleA("kernel32.dll");
            setup::Wow64EnableFsRedirection =
                pc.libraries.GetProcAddress(kernel32, "Wow64EnableWow64FsRedirection");
        }
        pc.ui.CreateMainWindow(setup::MainWindowSpec(), setup::MainWindowControls(), &form);
        pc.clock.limitMs = 60 * 60 * 1000;
        pc.callLimit = 200000;
    }
    ~ProcedureTest() override { setup::Wow64EnableFsRedirection = 0; }

    // Replaces keys of the package configuration: "[section]\r\nkey=value\r\n..."
    void Configure(const std::string& changes) {
        config::IniFile ini(std::string(kPackage) + "\\default.ini");
        std::string section;
        std::size_t pos = 0;
        while (pos < changes.size()) {
            std::size_t end = changes.find("\r\n", pos);
            if (end == std::string::npos) end = changes.size();
            std::string line = changes.substr(pos, end - pos);
            pos = end + 2;
            if (line.empty()) continue;
            if (line.front() == '[') {
                section = line.substr(1, line.size() - 2);
                continue;
            }
            std::size_t eq = line.find('=');
            ini.WriteString(section, line.substr(0, eq), line.substr(eq + 1));
        }
    }

    // A connected controller of the package: its USB device and HID collection.
    sim::SimDevice& ConnectController(const std::string& vidPid = kController) {
        return pc.devices.AddUsbController(vidPid);
    }

    // Runs a routine that may end the process: the exit code, or nullopt when it returned.
    std::optional<unsigned> Run(const std::function<void()>& routine) {
        try {
            routine();
        } catch (const sim::ProcessExit& exit) {
            return exit.exitCode;
        } catch (const sim::HarnessFailure& failure) {
            ADD_FAILURE() << failure.what;
        }
        return std::nullopt;
    }

    // The state a USB install leaves for its Plug-and-Play ending: the package
    // staged, the controller chosen, the files and settings in place. What
    // the procedure then does is recorded afresh.
    void InstallUsbFirst(const WindowsFamily& family) {
        UseWindows(family);
        ConnectController();
        form.ProductKind = 0;
        ASSERT_EQ(Run([&] {
                      form.GenerateInf();
                      form.InstallUsbProduct();
                  }),
                  std::nullopt);
        ForgetRecords();
    }
    void InstallSerialFirst(const WindowsFamily& family) {
        UseWindows(family);
        form.ProductKind = 1;
        ASSERT_EQ(Run([&] {
                      form.GenerateInf();
                      form.InstallSerialProduct();
                  }),
                  std::nullopt);
        ForgetRecords();
    }
    void ForgetRecords() {
        pc.processes.launches.clear();
        pc.windows.boxes.clear();
        trace.clear();
        pc.clock.sleptMs = 0;
        pc.clock.sleepCalls = 0;
        pc.ui.processMessagesCalls = 0;
        started = pc.clock.now;
    }
    // Simulated time since ForgetRecords.
    std::uint64_t Elapsed() const { return pc.clock.now - started; }

    // HKLM\SOFTWARE as the 32-bit program sees it.
    std::string Software() const {
        return pc.facts.is64Bit ? "HKLM\\SOFTWARE\\Wow6432Node" : "HKLM\\SOFTWARE";
    }

    std::string InstallFolder() const { return form.ProgramFilesDir + form.TargetSubDir; }

    // The command lines launched, with the folder each started in.
    std::vector<Command> Commands() const {
        std::vector<Command> commands;
        for (const auto& launch : pc.processes.launches)
            commands.push_back({launch.commandLine, launch.currentDirectory});
        return commands;
    }
    std::vector<std::string> CommandLines() const {
        std::vector<std::string> lines;
        for (const auto& launch : pc.processes.launches) lines.push_back(launch.commandLine);
        return lines;
    }
    const sim::Launch* LaunchOf(const std::string& commandLine) const {
        for (const auto& launch : pc.processes.launches)
            if (launch.commandLine == commandLine) return &launch;
        return nullptr;
    }
    bool Traced(const std::string& text) const {
        return std::find(trace.begin(), trace.end(), text) != trace.end();
    }

    setup::TVEXA_Form1 form;
    std::uint64_t started = 0;
};

}  // namespace procedures_test
