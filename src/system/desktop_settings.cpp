// The restart offer at the end of a run, the user's double-click time, and
// the device rescan after an RS-232 install.
#include "system/desktop_settings.h"

#include "platform/os.h"
#include "registry/registry_access.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/package_tools.h"

namespace setup {
namespace {

constexpr plat::DWord kTokenAccess = plat::kTokenAdjustPrivileges | plat::kTokenQuery;  // 0x28
constexpr plat::DWord kOnePrivilegeSize = 16;  // TOKEN_PRIVILEGES with one entry

// Enables the shutdown privilege of the process; failures are not looked at,
// the restart request that follows says all there is to say.
void EnableShutdownPrivilege() {
    plat::Os& os = plat::os();
    plat::SystemApi& system = os.System();
    plat::Handle token = 0;
    system.OpenProcessToken(system.GetCurrentProcess(), kTokenAccess, &token);
    plat::Luid luid;
    if (system.LookupPrivilegeValueA("", "SeShutdownPrivilege", &luid))
        system.AdjustTokenPrivileges(token, 0, {1, luid, plat::kSePrivilegeEnabled}, kOnePrivilegeSize);
    if (token != 0) os.Processes().CloseHandle(token);
}

}  // namespace

void TVEXA_Form1::RebootWindows(const std::string& question) {
    StepCode = 60;
    plat::Os& os = plat::os();
    if (os.Windows().MessageBoxA(os.Ui().MainWindow(), question, UiTexts[7], plat::kMbOkCancel) ==
        plat::kIdOk) {
        EnableShutdownPrivilege();
        os.System().ExitWindowsEx(plat::kEwxReboot, 0);
        ExitSetup();
    }
    os.Windows().MessageBoxA(os.Ui().MainWindow(), UiTexts[18], UiTexts[0], plat::kMbIconExclamation);
    os.Ui().CloseMainWindow();
    ExitSetup();
}

void SetDoubleClickSpeed(std::int32_t milliseconds) {
    StepCode = 7;
    plat::os().System().SetDoubleClickTime(static_cast<plat::UInt>(milliseconds));
    RegistryAccess registry(plat::kHkeyCurrentUser, plat::kKeyAllAccess);
    if (registry.OpenKey("Control Panel\\Mouse", true))
        registry.WriteString("DoubleClickSpeed", std::to_string(milliseconds));
}

std::int32_t TVEXA_Form1::RescanDevices() {
    StepCode = 79;
    return ReScanDevice(SourceDir, SystemFolder());
}

}  // namespace setup
