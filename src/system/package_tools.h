// Every way the program calls the package's tools and libraries and the
// driver tools it carries: command lines, entry points, window classes and
// messages, each in one place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace setup {

// The package's own programs and libraries, by their names in the package folder.
inline constexpr const char* kSetupProgram = "setup.exe";
inline constexpr const char* kSetupLibrary = "setup.dll";
inline constexpr const char* kUtilitiesLibrary = "tsutils.dll";
inline constexpr const char* kPnpRegProgram = "pnpreg.exe";
inline constexpr const char* kSetDev64Program = "setdev64.exe";
inline constexpr const char* kHidFilterProgram = "hidfilter.exe";
inline constexpr const char* kTouchCfgProgram = "touchcfg.exe";
inline constexpr const char* kTouchCfgXpProgram = "touchcfg_xp.exe";  // for Windows before Vista
inline constexpr const char* kUninstallerFile = "setup.dat";          // installed as uninstall.exe
// All of them: what a package carries besides its drivers, INF files, texts and pictures.
inline constexpr const char* kPackagePrograms[] = {kSetupProgram,    kSetupLibrary,      kUtilitiesLibrary,
                                                   kPnpRegProgram,   kSetDev64Program,   kHidFilterProgram,
                                                   kTouchCfgProgram, kTouchCfgXpProgram, kUninstallerFile};

// Window classes and messages of the package's programs.
inline constexpr const char* kTouchToolClass = "TSwapFormZZ";
inline constexpr const char* kUninstallerClass = "TUN_INST";
inline constexpr const char* kUninstallerTitle = ".UN_INST.";
inline constexpr std::uint32_t kToolMessage = 0x480;  // WM_USER + 128
inline constexpr std::uintptr_t kCloseToolParam = 0xFF;
inline constexpr std::uintptr_t kUninstallerNotifyParam = 0x100;

// Command lines. `sourceDir` ends with a backslash, `installDir` does not.
std::string PnpRegCommand(const std::string& sourceDir);
std::string DpInstInstallCommand(const std::string& installDir);
std::string DpInstUninstallCommand(const std::string& sourceDir);  // the first of the two uninstall runs
std::string DpInstUninstallCommandBare();  // the second, from SourceDir as current folder
// The virtual touch device's driver package, removed from the store as well.
std::string DpInstUninstallVirtualTouchCommand(const std::string& sourceDir);
// DevCon by the full path of the copy the install wrote into the install
// folder, which is to be the current folder (the INF is named relative to it).
std::string DevConInstallVirtualTouchCommand(const std::string& installDir);
std::string DevConRemoveVirtualTouchCommand(const std::string& installDir);
std::string SetDev64DisableEnableCommand(const std::string& sourceDir, const std::string& deviceHwId,
                                         int action);
std::string SetDev64UpdateDriverCommand(const std::string& sourceDir, const std::string& deviceHwId,
                                        const std::string& windowsDir);
std::string HidFilterInstallCommand(const std::string& installDir);
// Registry values that Windows runs as command lines: the program path in
// double quotes, so that a blank in it cannot start a program named by its
// first part ("C:\Program.exe").
std::string TouchCfgRunEntry(const std::string& installDir);
std::string TouchCfgCalibEntry(const std::string& installDir);
std::string UninstallEntry(const std::string& installDir);
// The file an uninstall entry names: the value without one pair of
// surrounding double quotes, so that entries written by earlier versions
// without them are recognised too.
std::string UninstallEntryFile(const std::string& value);

// Loads a package library by its full path in the program's own folder,
// falling back to the system folder only (never the current folder or PATH),
// calls its int(void) entry point and releases it. nullopt when the library
// or the entry point is missing.
std::optional<std::int32_t> CallPackageLibrary(const std::string& ownFolder, const std::string& systemFolder,
                                               const std::string& library, const std::string& entryPoint);

// "setup.dll": VEXA_GetSetupFlag, 1 for a multi-monitor package.
std::optional<std::int32_t> GetSetupFlag(const std::string& sourceDir, const std::string& systemFolder);
// "tsutils.dll": VEXA_ReScanDevice, 0 when no restart is needed; a missing
// library or entry point counts as 1.
std::int32_t ReScanDevice(const std::string& sourceDir, const std::string& systemFolder);

}  // namespace setup
