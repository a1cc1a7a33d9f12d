// The USB product install: the connected controller is chosen, the earlier
// multi-port filter and stale HID interface devices go, the USB file set, the
// driver registry settings and the shortcuts are put in place.
#include "deploy/file_ops.h"
#include "platform/os.h"
#include "registry/device_operations.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/package_tools.h"
#include "system/processes.h"
#include "system/services.h"

namespace setup {

bool TVEXA_Form1::InstallUsbProduct() {
    StepCode = 68;
    LogLine("Start Install USB");
    plat::Os& os = plat::os();
    HwIdList.clear();
    HwDescList.clear();
    ReadUsbInfModels();

    // Harmless on a machine without the service.
    StopServiceWait("HIDFltrM", 10);
    os.Clock().Sleep(2000);
    RemoveService("HIDFltrM");
    RunCommand("sc.exe delete hidfltrm", plat::kSwHide, true);

    SelectConnectedDevice();
    RemoveHidInterfaceDevices("USB\\VID_0D7A&PID_0306");
    CopyNtUsbFiles();

    if (IsXpOr2003) {
        RunCommand(DpInstInstallCommand(InstallFolder(*this)), plat::kSwHide, true);
        SwitchFsRedirection(*this, false);
        ResetAndDelete(WindowsDir + "\\System32\\qzusbf.sys");
        SwitchFsRedirection(*this, true);
        for (int round = 0; round < 21; ++round) {
            os.Ui().ProcessMessages();
            os.Clock().Sleep(50);
        }
    }

    CleanUsbDeviceRegistry();
    SetNtUsbRegistry();
    CreateLinks();
    HwDescList.clear();
    HwIdList.clear();
    return true;
}

}  // namespace setup
