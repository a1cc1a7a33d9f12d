#include "deploy/file_sets.h"

#include "config/ini_file.h"
#include "system/package_tools.h"

namespace setup {

namespace {

using Kind = InstallFolderFile::Kind;

// 64-bit builds of the drivers and of the virtual touch package.
std::string BuiltFolder(TargetWindows windows) {
    return windows.x64 ? "xp64\\" : "";
}

std::string UsbCatalog(TargetWindows windows) {
    return BuiltFolder(windows) + (windows.vistaOrLater ? "qzusbfv.cat" : "qzusbf.cat");
}

std::string TouchTool(TargetWindows windows) {
    return windows.vistaOrLater ? kTouchCfgProgram : kTouchCfgXpProgram;
}

}  // namespace

std::vector<TargetWindows> EveryTargetWindows() {
    return {{false, false}, {false, true}, {true, false}, {true, true}};
}

DriverPackageFiles UsbDriverPackage(TargetWindows windows) {
    const std::string built = BuiltFolder(windows);
    return {built + "qzusbf.sys", built + "qzusbf.inf", UsbCatalog(windows)};
}

DriverPackageFiles SerialDriverPackage(bool x64) {
    const std::string folder = x64 ? "xp64\\232\\" : "232\\";
    return {folder + "qz232.sys", folder + "qz232.inf", folder + "qz232.cat"};
}

std::string UsbApplet(TargetWindows windows) {
    if (windows.x64) return windows.vistaOrLater ? "touchcfg64v.cpl" : "touchcfg64.cpl";
    return windows.vistaOrLater ? "touchcfgv.cpl" : "touchcfg.cpl";
}

std::string SerialApplet(TargetWindows windows) {
    return windows.x64 ? "touchcfg64.cpl" : "touchcfg.cpl";
}

std::vector<InstallFolderFile> UsbInstallFolderFiles(TargetWindows windows) {
    const DriverPackageFiles driver = UsbDriverPackage(windows);
    return {
        {Kind::PackageFile, "qzusbf.sys", driver.driver},
        {Kind::PackageFile, "qzusbf.inf", driver.inf},
        {Kind::PackageFile, "qzusbf.cat", driver.catalog},
        {Kind::PackageFile, kTouchCfgProgram, TouchTool(windows)},
        {Kind::TouchCfgIni, "touchcfg.ini", ""},
        {Kind::PackageFile, kSetupProgram, kSetupProgram},
        {Kind::PackageFile, kSetupLibrary, kSetupLibrary},
        {Kind::SetupIni, "setup.ini", ""},
        {Kind::PackageFile, "uninstall.exe", kUninstallerFile},
        {Kind::PackageFile, kUtilitiesLibrary, kUtilitiesLibrary},
        {Kind::PackageFile, kSetDev64Program, kSetDev64Program},
        {Kind::PackageFile, "vexasdk.dll", "vexasdk.dll"},
        {Kind::PackageFile, kHidFilterProgram, kHidFilterProgram, true},
        {Kind::PackageFile, "readme.txt", "readme.txt"},
        {Kind::StagedUsbInf, "qzusbf.inf", "qzusbf.inf"},
    };
}

std::vector<InstallFolderFile> SerialInstallFolderFiles(TargetWindows windows) {
    return {
        {Kind::PackageFile, kTouchCfgProgram, TouchTool(windows)},
        {Kind::TouchCfgIni, "touchcfg.ini", ""},
        {Kind::PackageFile, kSetupProgram, kSetupProgram},
        {Kind::PackageFile, kSetupLibrary, kSetupLibrary},
        {Kind::SetupIni, "setup.ini", ""},
        {Kind::PackageFile, "uninstall.exe", kUninstallerFile},
        {Kind::PackageFile, kUtilitiesLibrary, kUtilitiesLibrary},
        {Kind::PackageFile, "readme.txt", "readme.txt"},
        {Kind::PackageFile, "qz232.inf", kSerialInf},
        {Kind::PackageFile, "vexasdk.dll", "vexasdk.dll"},
    };
}

std::vector<InstallFolderFile> UsbVistaInstallFolderFiles(TargetWindows windows) {
    const std::string built = BuiltFolder(windows);
    return {
        {Kind::PackageFile, "vtouch.inf", built + "vtouch.inf"},
        {Kind::PackageFile, "vtouch.cat", built + "vtouch.cat"},
        {Kind::PackageFile, "vtouch.sys", built + "vtouch.sys"},
        {Kind::PackageFile, "qzusbf.inf", built + "qzusbf.inf"},
        {Kind::PackageFile, "qzusbf.cat", built + "qzusbfv.cat"},
        {Kind::PackageFile, "qzusbf.sys", built + "qzusbf.sys"},
    };
}

bool InstallsApplet(const config::IniFile& setupIni) {
    return setupIni.ReadInteger("system", "createcontrolpanel", 1) == 1;
}

bool InstallsMultiPortFilter(const config::IniFile& setupIni, bool multiMonitor) {
    return setupIni.ReadInteger("system", "allowmultiport", 0) == 1 && !multiMonitor;
}

}  // namespace setup
