// The uninstall run: after the user confirms, the driver package, devices,
// services, files, registry entries and additional files are removed, and the
// run ends with the restart offer.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "config/ini_text.h"
#include "deploy/file_ops.h"
#include "platform/os.h"
#include "registry/device_operations.h"
#include "registry/registry_access.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/package_tools.h"
#include "system/processes.h"
#include "system/services.h"

namespace setup {
namespace {

constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kUninstallEntryKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QZ_Touch";

// The USB controller models: "VID_0D7A&PID_0300" to "VID_0D7A&PID_031f",
// the letters of the model number in lower case.
std::vector<std::string> UsbHardwareIds() {
    std::vector<std::string> ids;
    for (unsigned model = 0; model < 0x20; ++model) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", model);
        ids.push_back(std::string("VID_0D7A&PID_03") + digits);
    }
    return ids;
}

// The current folder, to be restored after a tool ran elsewhere; nullopt when
// it cannot be told in 255 characters.
std::optional<std::string> RememberCurrentFolder() {
    std::string folder;
    const plat::DWord length = plat::os().Files().GetCurrentDirectoryA(&folder);
    if (length == 0 || length > 255) return std::nullopt;
    return folder;
}

void RestoreCurrentFolder(const std::optional<std::string>& folder) {
    if (folder) plat::os().Files().SetCurrentDirectoryA(*folder);
}

// DPInst removes the USB driver package from the driver store, and the
// virtual touch device's package, which no other step removes.
void UninstallDriverPackages(TVEXA_Form1& form) {
    const std::optional<std::string> remembered = RememberCurrentFolder();
    plat::os().Files().SetCurrentDirectoryA(form.SourceDir);
    RunCommand(DpInstUninstallCommand(form.SourceDir), plat::kSwHide, true);
    RunCommand(DpInstUninstallCommandBare(), plat::kSwHide, true);
    RunCommand(DpInstUninstallVirtualTouchCommand(form.SourceDir), plat::kSwHide, true);
    RestoreCurrentFolder(remembered);
}

void RemoveInstallEntries() {
    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
    if (registry.OpenKey(kRunKey, false)) {
        registry.DeleteValue("TS_Mapper");
        registry.DeleteValue("TS_Calib");
    }
    registry.CloseKey();
    registry.DeleteKey(kUninstallEntryKey);
}

// An uninstall run from the installed copy cannot delete the running
// program, nor the uninstaller that started it and waits for it, nor
// therefore the install folder: they go at the restart that ends the run.
void RemoveInstalledCopyAtRestart(TVEXA_Form1& form) {
    plat::Os& os = plat::os();
    const std::string installFolder = InstallFolder(form);
    if (!config::EqualsIgnoringCase(form.SourceDir, installFolder + "\\")) return;
    std::string running;
    os.Processes().GetModuleFileNameA(&running);
    for (const std::string& path : {running, installFolder + "\\uninstall.exe"}) {
        if (path.empty() || os.Files().GetFileAttributesA(path) == plat::kInvalidFileAttributes) continue;
        if (os.Files().MoveFileExA(path, "", plat::kMoveFileDelayUntilReboot))
            form.LogLine("Delete at restart " + path);
    }
    if (os.Files().GetFileAttributesA(installFolder) != plat::kInvalidFileAttributes &&
        os.Files().MoveFileExA(installFolder, "", plat::kMoveFileDelayUntilReboot))
        form.LogLine("Delete at restart " + installFolder);
}

}  // namespace

void TVEXA_Form1::UninstallProcedure() {
    StepCode = 74;
    plat::Os& os = plat::os();
    if (ProductKind != 0 && ProductKind != 1) {
        os.Windows().MessageBoxA(os.Ui().MainWindow(), "Please select product to install !",
                                 os.Ui().ApplicationTitle(), plat::kMbOk);
        return;
    }
    if (os.Windows().MessageBoxA(os.Ui().MainWindow(), UiTexts[9], UiTexts[7],
                                 plat::kMbYesNo | plat::kMbIconExclamation) != plat::kIdYes)
        return;

    StopTouchTools();
    CleanVirtualStore();
    if (ProductKind == 0) {
        RemoveOemInfsUsb(true);
        if (IsVistaOrLater) UninstallDriverPackages(*this);
        UninstallUsbProduct();
    } else {
        UninstallSerialProduct();
    }
    RemoveInstallEntries();
    DeleteAdditionalFiles();
    // The file sets' removal could not take the install folder while the
    // additional files were still in it.
    os.Files().RemoveDirectoryA(InstallFolder(*this));
    RemoveInstalledCopyAtRestart(*this);
    RebootWindows(UiTexts[3]);
}

bool TVEXA_Form1::UninstallUsbProduct() {
    StepCode = 66;
    plat::Os& os = plat::os();
    HwIdList = UsbHardwareIds();
    HwDescList.clear();
    for (const std::string& id : HwIdList) RemoveDevicesByHwId("USB\\" + id);

    StopServiceWait("HIDFltrM", 10);
    for (int round = 0; round < 51; ++round) {
        os.Clock().Sleep(100);
        os.Ui().ProcessMessages();
    }
    RemoveService("HIDFltrM");
    RunCommand("sc.exe delete hidfltrm", plat::kSwHide, true);

    const std::string installFolder = InstallFolder(*this);
    const std::optional<std::string> remembered = RememberCurrentFolder();
    os.Files().SetCurrentDirectoryA(installFolder + "\\");
    RunCommandExitCode(DevConRemoveVirtualTouchCommand(installFolder), plat::kSwHide, true);
    RestoreCurrentFolder(remembered);

    CleanUsbRegistry();
    DeleteNtUsbFiles();
    HwDescList.clear();
    HwIdList.clear();
    return true;
}

bool TVEXA_Form1::UninstallSerialProduct() {
    StepCode = 67;
    HwIdList = {"QVR0001", "QVR0002", "QVR0003"};
    for (const std::string& id : HwIdList) RemoveDevicesByHwId("SERENUM\\" + id);
    RemoveOemInfsSerial(true);
    CleanSerialRegistry();
    DeleteNtSerialFiles();
    HwIdList.clear();
    return true;
}

}  // namespace setup
