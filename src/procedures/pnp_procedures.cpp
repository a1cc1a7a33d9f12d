// The Plug-and-Play endings of an install run: they bring the controller up
// with the new driver and end the process, with the final message or the
// restart offer. The USB device operations run through setdev64.exe on 64-bit
// Windows (a 32-bit process may not change devices there) and through the
// Setup API on 32-bit Windows.
#include <string>

#include "config/ini_file.h"
#include "deploy/file_ops.h"
#include "platform/os.h"
#include "registry/device_operations.h"
#include "registry/registry_access.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/desktop_settings.h"
#include "system/package_tools.h"
#include "system/processes.h"
#include "system/services.h"

namespace setup {
namespace {

constexpr const char* kVirtualTouchParameters = "SYSTEM\\CurrentControlSet\\Services\\vtouch\\Parameters";

// Disables, then enables the selected controller.
void RestartController(TVEXA_Form1& form) {
    if (form.Is64Bit == 1) {
        RunCommand(SetDev64DisableEnableCommand(form.SourceDir, form.DeviceHwId, 2), plat::kSwHide, true);
        RunCommand(SetDev64DisableEnableCommand(form.SourceDir, form.DeviceHwId, 1), plat::kSwHide, true);
    } else {
        SetDev32(form.DeviceHwId, 2);
        SetDev32(form.DeviceHwId, 1);
    }
}

// Installs the Windows mouse driver on the controller's HID collection;
// `rebootNeeded` tells whether Windows asked for a restart.
void UpdateMouseDriver(TVEXA_Form1& form, bool& rebootNeeded) {
    // The folder as the system reports it now, startup's when it cannot say.
    std::string windowsFolder;
    const plat::UInt length = plat::os().System().GetWindowsDirectoryA(&windowsFolder, 255);
    if (length == 0 || length >= 255) windowsFolder = form.WindowsDir;
    rebootNeeded = false;
    if (form.Is64Bit == 1) {
        const std::string command =
            SetDev64UpdateDriverCommand(form.SourceDir, form.DeviceHwId, windowsFolder);
        const std::int32_t exitCode = RunCommandExitCode(command, plat::kSwHide, true);
        if (exitCode == 0) form.LogLine(command + " failed!");
        if (exitCode == 2) rebootNeeded = true;
    } else {
        UpdatePnpDriver("HID\\" + form.DeviceHwId, windowsFolder + "\\inf\\msmouse.inf", rebootNeeded);
    }
}

std::int32_t DoubleClickTime(const TVEXA_Form1& form) {
    return 900 - 100 * form.SetupIni->ReadInteger("TouchCFG", "defaultdblclick", 9);
}

bool ForcedRestart(const TVEXA_Form1& form) {
    return form.SetupIni->ReadInteger("system", "forcetoreboot", 0) == 2;
}

// The final message of a USB install, then the end.
[[noreturn]] void EndUsbInstall(TVEXA_Form1& form) {
    plat::Os& os = plat::os();
    os.Windows().MessageBoxA(os.Ui().MainWindow(), form.UiTexts[16], form.UiTexts[0],
                             plat::kMbIconExclamation);
    os.Ui().CloseMainWindow();
    form.ExitSetup();
}

// The virtual touch device, created from the install folder's copy of its
// package by the DevCon copy written there.
void CreateVirtualTouchDevice(TVEXA_Form1& form) {
    plat::FileApi& files = plat::os().Files();
    const std::string installFolder = InstallFolder(form);
    std::string remembered;
    const plat::DWord length = files.GetCurrentDirectoryA(&remembered);
    if (length == 0 || length > 255) remembered.clear();
    form.LogLine(files.SetCurrentDirectoryA(installFolder + "\\") ? "--SetDIR OK" : "--SetDIR Failed");
    RunCommandExitCode(DevConInstallVirtualTouchCommand(installFolder), plat::kSwHide, true);
    form.LogLine(files.SetCurrentDirectoryA(remembered) ? "--SetDIR OK" : "--SetDIR Failed");

    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
    if (registry.OpenKey(kVirtualTouchParameters, true)) {
        const bool multiTouch =
            form.IsWin7OrLater && form.SetupIni->ReadInteger("System", "AllowMultiTouch", 0) == 1;
        registry.WriteInteger("RunningMode", multiTouch ? 1 : 0);
    }
}

}  // namespace

void TVEXA_Form1::VistaUsbProcedure() {
    plat::Os& os = plat::os();
    const std::string installFolder = InstallFolder(*this);
    LogLine("Start VISTA USB PnP procedure");
    InstallFilterDriver(DeviceHwId, DeviceDescText);
    RestartController(*this);

    RunCommand(DpInstInstallCommand(installFolder), plat::kSwHide, true);
    SwitchFsRedirection(*this, false);
    ResetAndDelete(WindowsDir + "\\System32\\qzusbf.sys");
    SwitchFsRedirection(*this, true);
    for (int round = 0; round < 61; ++round) os.Clock().Sleep(100);

    bool rebootNeeded = false;
    if (FindHidMapper(0, 0).empty()) CreateVirtualTouchDevice(*this);
    UpdateMouseDriver(*this, rebootNeeded);

    LogLine("---Try reinstall VISTA");
    InstallFilterDriver(DeviceHwId, DeviceDescText);
    RestartController(*this);
    for (int round = 0; round < 11; ++round) {
        os.Clock().Sleep(100);
        os.Ui().ProcessMessages();
    }
    // Only the second update decides whether a restart is needed.
    UpdateMouseDriver(*this, rebootNeeded);

    if (!MultiMonitor) {
        WaitWithMessages(5);
        if (SetupIni->ReadInteger("system", "allowmultiport", 0) == 1) {
            RunCommand(HidFilterInstallCommand(installFolder), plat::kSwHide, true);
            StartServiceWait("HIDFltrM", 10);
        }
    }
    WaitWithMessages(1000);
    if (MultiMonitor) RebootWindows(UiTexts[2]);
    SetC3UsbRegistry();
    if (ForcedRestart(*this)) RebootWindows(UiTexts[2]);
    if (rebootNeeded) RebootWindows(UiTexts[2]);
    EndUsbInstall(*this);
}

void TVEXA_Form1::Win2000UsbProcedure() {
    LogLine("Start 2000 USB PnP procedure");
    RestartController(*this);
    WaitWithMessages(1000);
    SetDoubleClickSpeed(DoubleClickTime(*this));
    if (!MultiMonitor) {
        RunCommand(HidFilterInstallCommand(InstallFolder(*this)), plat::kSwHide, true);
        RunCommand("sc start touchpnp", plat::kSwHide, true);
    }
    if (MultiMonitor) RebootWindows(UiTexts[2]);
    if (ForcedRestart(*this)) RebootWindows(UiTexts[2]);
    EndUsbInstall(*this);
}

void TVEXA_Form1::SerialPnpProcedure() {
    plat::Os& os = plat::os();
    LogLine("Start 232 PnP procedure");
    for (int round = 0; round < 6; ++round) {
        os.Clock().Sleep(200);
        os.Ui().ProcessMessages();
    }
    SetDoubleClickSpeed(DoubleClickTime(*this));
    os.Windows().MessageBoxA(os.Ui().MainWindow(), UiTexts[19], UiTexts[0], plat::kMbIconExclamation);
    os.Ui().HideMainWindow();
    if (RescanDevices() == 0) {
        os.Ui().CloseMainWindow();
        ExitSetup();
    }
    RebootWindows(UiTexts[2]);
}

}  // namespace setup
