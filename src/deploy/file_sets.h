// The package files that staging and the file sets take, by Windows
// architecture and generation, in the order the routines copy them. The
// routines copy from these tables and the package check reads them, so what a
// package is checked for is what an install takes from it.
#pragma once

#include <string>
#include <vector>

namespace config {
class IniFile;
}

namespace setup {

// The Windows a package is installed on: the drivers differ by architecture,
// the catalog, applet and touch tool by generation.
struct TargetWindows {
    bool x64 = false;           // 64-bit Windows: the drivers and the virtual touch package of "xp64\"
    bool vistaOrLater = false;  // Windows Vista and later
};

// The Windows a package serves, in a fixed order.
std::vector<TargetWindows> EveryTargetWindows();

// A product's signed driver package, by paths relative to the package folder.
struct DriverPackageFiles {
    std::string driver;
    std::string inf;
    std::string catalog;
};

// The USB package of the architecture with the catalog of the generation:
// staged, placed in the system folder (the driver) and copied into the
// install folder.
DriverPackageFiles UsbDriverPackage(TargetWindows windows);
// The RS-232 package of the architecture: staged, and its driver placed in
// the system folder.
DriverPackageFiles SerialDriverPackage(bool x64);

// The RS-232 INF that the install copies into the install folder and registers
// with Windows (or, before Vista, copies into the INF folder), whatever the
// architecture.
inline constexpr const char* kSerialInf = "232\\qz232.inf";

// The control-panel applet each product installs as System32\touchcfg.cpl.
std::string UsbApplet(TargetWindows windows);
std::string SerialApplet(TargetWindows windows);

// The DPInst and DevCon executables written into the install folder.
inline constexpr const char* kDpInstFile = "dpinst.exe";
inline constexpr const char* kDevConFile = "devcon.exe";

// One file of a file set in the install folder.
struct InstallFolderFile {
    enum class Kind {
        PackageFile,   // copied from the package file `source`
        TouchCfgIni,   // written by BuildTouchCfgIni
        SetupIni,      // written by WriteSetupIni
        StagedUsbInf,  // the INF staged in TempDir, named `source` there
    };
    Kind kind;
    std::string name;  // in the install folder
    std::string source;
    // Only with the multi-port HID filter (InstallsMultiPortFilter).
    bool multiPortFilterOnly = false;
};

// What the USB file set puts into the install folder before DPInst, and the
// RS-232 file set before its INF is registered, in order.
std::vector<InstallFolderFile> UsbInstallFolderFiles(TargetWindows windows);
std::vector<InstallFolderFile> SerialInstallFolderFiles(TargetWindows windows);

// On Vista and later, once devcon.exe is written: the virtual touch package,
// and the package's own driver files in place of the staged ones.
std::vector<InstallFolderFile> UsbVistaInstallFolderFiles(TargetWindows windows);

// [system] createcontrolpanel 1: the applet is installed.
bool InstallsApplet(const config::IniFile& setupIni);
// [system] allowmultiport 1, and not a multi-monitor package: the multi-port HID filter is installed.
bool InstallsMultiPortFilter(const config::IniFile& setupIni, bool multiMonitor);

}  // namespace setup
