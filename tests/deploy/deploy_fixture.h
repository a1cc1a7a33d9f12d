// A simulated PC of one Windows family with the sample package in its
// current folder, and a main window whose setup state startup would have set,
// for the routines that write to and remove from the target PC's disk.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "shell/form.h"
#include "sim_fixture.h"

namespace deploy_test {

struct WindowsFamily {
    const char* name;
    plat::DWord major;
    plat::DWord minor;
    bool x64;
};

inline constexpr WindowsFamily kWindows2000{"Windows2000", 5, 0, false};
inline constexpr WindowsFamily kWindowsXp{"WindowsXp", 5, 1, false};
inline constexpr WindowsFamily kWindowsXpX64{"WindowsXpX64", 5, 2, true};
inline constexpr WindowsFamily kVistaX86{"VistaX86", 6, 0, false};
inline constexpr WindowsFamily kWindows7X64{"Windows7X64", 6, 1, true};

// Every file the staging and the file sets read from the package, relative
// to the package folder. Each holds its own name, so a copy shows its source.
inline const std::vector<std::string>& PackageFiles() {
    static const std::vector<std::string> files = {"infraw.dat",
                                                   "qzusbf.sys",
                                                   "qzusbf.inf",
                                                   "qzusbf.cat",
                                                   "qzusbfv.cat",
                                                   "touchcfg.cpl",
                                                   "touchcfgv.cpl",
                                                   "touchcfg64.cpl",
                                                   "touchcfg64v.cpl",
                                                   "touchcfg.exe",
                                                   "touchcfg_xp.exe",
                                                   "setup.exe",
                                                   "setup.dll",
                                                   "setup.dat",
                                                   "tsutils.dll",
                                                   "setdev64.exe",
                                                   "vexasdk.dll",
                                                   "hidfilter.exe",
                                                   "readme.txt",
                                                   "vtouch.inf",
                                                   "vtouch.cat",
                                                   "vtouch.sys",
                                                   "xp64\\qzusbf.sys",
                                                   "xp64\\qzusbf.inf",
                                                   "xp64\\qzusbf.cat",
                                                   "xp64\\qzusbfv.cat",
                                                   "xp64\\vtouch.inf",
                                                   "xp64\\vtouch.cat",
                                                   "xp64\\vtouch.sys",
                                                   "232\\qz232.sys",
                                                   "232\\qz232.inf",
                                                   "232\\qz232.cat",
                                                   "xp64\\232\\qz232.sys",
                                                   "xp64\\232\\qz232.inf",
                                                   "xp64\\232\\qz232.cat"};
    return files;
}

inline std::string PackageContent(const std::string& relative) {
    return "package " + relative;
}

// A package configuration with the keys the file sets read.
inline constexpr const char* kConfiguration =
    "[system]\r\n"
    "version=3.25\r\n"
    "release=240610\r\n"
    "targetdir=Brivo\r\n"
    "product=-1\r\n"
    "createcontrolpanel=1\r\n"
    "allowmultiport=1\r\n"
    "[INFData]\r\n"
    "manufacturer=Acme Touch\r\n"
    "PIDList=0300,0301, 0302\r\n"
    "[TouchCFG]\r\n"
    "beep=1\r\n"
    "[SetupText]\r\n"
    "groupname=Acme Touch\r\n"
    "[TouchCFGTEXT]\r\n"
    "Caption=Touch V!@MAJOR.!@MINOR\r\n";

class DeployTest : public SimTest {
protected:
    // The machine and the setup state of `family`: folders and flags as
    // startup sets them, COM initialised, the package folder current. Each
    // test calls it first, once.
    void UseWindows(const WindowsFamily& family) {
        pc.facts.major = family.major;
        pc.facts.minor = family.minor;
        pc.facts.is64Bit = family.x64;
        pc.files.AddStandardFolders();
        pc.files.AddFolder("C:\\Package");
        pc.files.SetCurrentDirectoryA("C:\\Package");
        form.IsNT = true;
        form.IsVistaOrLater = family.major == 6;
        form.IsWin7OrLater = family.major == 6 && family.minor > 0;
        form.IsXpOr2003 = family.major == 5 && family.minor >= 1;
        form.Is64Bit = family.x64 ? 1 : 0;
        form.WindowsDir = "C:\\Windows";
        form.SourceDir = "C:\\Package\\";
        form.TempDir = "C:\\Temp\\";
        form.ProgramFilesDir = family.x64 ? "C:\\Program Files (x86)" : "C:\\Program Files";
        form.TargetSubDir = "\\Brivo";
        form.GroupName = "Acme Touch";
        form.IconName = "Touch panel";
        form.UninstName = "Uninstall Acme Touch";
        form.Manufacturer = "Acme Touch";
        form.DeviceHwId = "VID_0D7A&PID_0300";
        form.DeviceDescText = "Acme USB Touch";
        setup::Wow64EnableFsRedirection = 0;
        if (family.x64) {
            plat::Handle kernel32 = pc.libraries.GetModuleHandleA("kernel32.dll");
            setup::Wow64EnableFsRedirection =
                pc.libraries.GetProcAddress(kernel32, "Wow64EnableWow64FsRedirection");
        }
        if (pc.shell.comInitialized == 0) pc.shell.CoInitialize();
        if (!pc.files.Exists("C:\\Package\\default.ini")) WriteConfiguration(kConfiguration);
        form.SetupIni = std::make_unique<config::IniFile>("C:\\Package\\default.ini");
        form.LangIni = std::make_unique<config::IniFile>("C:\\Package\\default.ini");
    }

    void WriteConfiguration(const std::string& text) { pc.files.AddFile("C:\\Package\\default.ini", text); }

    void AddPackage() {
        for (const std::string& file : PackageFiles())
            pc.files.AddFile("C:\\Package\\" + file, PackageContent(file));
    }

    std::string InstallFolder() const { return form.ProgramFilesDir + form.TargetSubDir; }

    // File name -> contents of every file directly in `folder`.
    std::map<std::string, std::string> FilesIn(const std::string& folder) {
        std::map<std::string, std::string> found;
        for (const std::string& name : pc.files.List(folder))
            if (!pc.files.IsFolder(folder + "\\" + name))
                found[name] = pc.files.Contents(folder + "\\" + name);
        return found;
    }

    // The setup program as a run leaves it: ended through ExitSetup, or not.
    template <typename Routine>
    bool EndsTheProcess(Routine routine) {
        try {
            routine();
        } catch (const sim::ProcessExit&) {
            return true;
        }
        return false;
    }

    ~DeployTest() override { setup::Wow64EnableFsRedirection = 0; }

    setup::TVEXA_Form1 form;
};

}  // namespace deploy_test
