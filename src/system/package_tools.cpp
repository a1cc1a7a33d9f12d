#include "system/package_tools.h"

#include "platform/os.h"
#include "system/processes.h"

namespace setup {
namespace {

constexpr const char* kVirtualTouchHwId = "\"{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE\"";

}  // namespace

std::string PnpRegCommand(const std::string& sourceDir) {
    return CommandProgram(sourceDir + kPnpRegProgram) + " -u";
}

std::string DpInstInstallCommand(const std::string& installDir) {
    return CommandProgram(installDir + "\\dpinst.exe") + " /q /se";
}

std::string DpInstUninstallCommand(const std::string& sourceDir) {
    return CommandProgram(sourceDir + "dpinst.exe") + " /u qzusbf.inf /d /q /se";
}

std::string DpInstUninstallVirtualTouchCommand(const std::string& sourceDir) {
    return CommandProgram(sourceDir + "dpinst.exe") + " /u vtouch.inf /d /q /se";
}

std::string DpInstUninstallCommandBare() {
    return "dpinst.exe /u qzusbf.inf /d /q /se";
}

std::string DevConInstallVirtualTouchCommand(const std::string& installDir) {
    return CommandProgram(installDir + "\\devcon.exe") + " install vtouch.inf " + kVirtualTouchHwId;
}

std::string DevConRemoveVirtualTouchCommand(const std::string& installDir) {
    return CommandProgram(installDir + "\\devcon.exe") + " remove " + kVirtualTouchHwId;
}

std::string SetDev64DisableEnableCommand(const std::string& sourceDir, const std::string& deviceHwId,
                                         int action) {
    return CommandProgram(sourceDir + kSetDev64Program) + " \"usb\\" + deviceHwId + "\" " +
           std::to_string(action);
}

std::string SetDev64UpdateDriverCommand(const std::string& sourceDir, const std::string& deviceHwId,
                                        const std::string& windowsDir) {
    return CommandProgram(sourceDir + kSetDev64Program) + " \"HID\\" + deviceHwId + "\" 256 " + windowsDir +
           "\\inf\\msmouse.inf";
}

std::string HidFilterInstallCommand(const std::string& installDir) {
    return CommandProgram(installDir + "\\" + kHidFilterProgram) + " -install -silent";
}

std::string TouchCfgRunEntry(const std::string& installDir) {
    return "\"" + installDir + "\\" + kTouchCfgProgram + "\" /i";
}

std::string TouchCfgCalibEntry(const std::string& installDir) {
    return "\"" + installDir + "\\" + kTouchCfgProgram + "\" /calib";
}

std::string UninstallEntry(const std::string& installDir) {
    return "\"" + installDir + "\\uninstall.exe\"";
}

std::string UninstallEntryFile(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<std::int32_t> CallPackageLibrary(const std::string& ownFolder, const std::string& systemFolder,
                                               const std::string& library, const std::string& entryPoint) {
    plat::LibraryApi& libraries = plat::os().Libraries();
    plat::Handle module = libraries.LoadLibraryA(ownFolder + library);
    if (module == 0 && !systemFolder.empty()) module = libraries.LoadLibraryA(systemFolder + "\\" + library);
    if (module == 0) return std::nullopt;
    std::optional<std::int32_t> result;
    if (plat::ProcAddress function = libraries.GetProcAddress(module, entryPoint))
        result = libraries.CallIntFunction(function);
    libraries.FreeLibrary(module);
    return result;
}

std::optional<std::int32_t> GetSetupFlag(const std::string& sourceDir, const std::string& systemFolder) {
    return CallPackageLibrary(sourceDir, systemFolder, kSetupLibrary, "VEXA_GetSetupFlag");
}

std::int32_t ReScanDevice(const std::string& sourceDir, const std::string& systemFolder) {
    return CallPackageLibrary(sourceDir, systemFolder, kUtilitiesLibrary, "VEXA_ReScanDevice").value_or(1);
}

}  // namespace setup
