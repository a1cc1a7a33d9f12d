/* setdev64.exe: device operations of the setup program on 64-bit Windows.
 *
 * The setup program is a 32-bit process, and a 32-bit process may not change
 * devices through the Setup API on 64-bit Windows, so it hands these two
 * operations to this 64-bit tool:
 *
 *   setdev64.exe "usb\VID_xxxx&PID_yyyy" 2          disable the device
 *   setdev64.exe "usb\VID_xxxx&PID_yyyy" 1          enable the device
 *       Every device, connected or not, one of whose hardware IDs contains the
 *       first argument (letter case ignored) is disabled or enabled.
 *   setdev64.exe "HID\VID_xxxx&PID_yyyy" 256 <inf>
 *       Installs the driver of <inf> for the devices with that hardware ID,
 *       when it is a better match than their current driver.
 *
 * Exit code: 0 nothing done (no such device, or the change failed),
 * 1 done, 2 done and Windows must be restarted. */
#include <ctype.h>
#include <string.h>
#include <windows.h>
/* The Setup API headers need windows.h first. */
#include <newdev.h>
#include <setupapi.h>

enum { kFailed = 0, kDone = 1, kDoneRestartNeeded = 2 };

static void UpperCase(char *text) {
    for (; *text != '\0'; ++text) *text = (char)toupper((unsigned char)*text);
}

/* True when one of the strings of the device's hardware-ID list contains
   `wanted`, which is upper case. */
static BOOL HardwareIdContains(HDEVINFO devices, SP_DEVINFO_DATA *device, const char *wanted) {
    /* Two NUL bytes beyond what the call may fill end the list in any case. */
    char ids[4096 + 2];
    ZeroMemory(ids, sizeof ids);
    if (!SetupDiGetDeviceRegistryPropertyA(devices, device, SPDRP_HARDWAREID, NULL, (BYTE *)ids, 4096, NULL))
        return FALSE;
    for (char *id = ids; *id != '\0'; id += strlen(id) + 1) {
        UpperCase(id);
        if (strstr(id, wanted) != NULL) return TRUE;
    }
    return FALSE;
}

static int ChangeState(const char *hardwareId, DWORD state) {
    char wanted[512];
    if (strlen(hardwareId) >= sizeof wanted) return kFailed;
    strcpy(wanted, hardwareId);
    UpperCase(wanted);

    HDEVINFO devices = SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_ALLCLASSES);
    if (devices == INVALID_HANDLE_VALUE) return kFailed;
    BOOL changed = FALSE;
    BOOL restart = FALSE;
    SP_DEVINFO_DATA device;
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        if (!HardwareIdContains(devices, &device, wanted)) continue;
        SP_PROPCHANGE_PARAMS change;
        ZeroMemory(&change, sizeof change);
        change.ClassInstallHeader.cbSize = sizeof change.ClassInstallHeader;
        change.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
        change.StateChange = state;
        change.Scope = DICS_FLAG_GLOBAL;
        if (!SetupDiSetClassInstallParamsA(devices, &device, &change.ClassInstallHeader, sizeof change))
            continue;
        if (!SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, devices, &device)) continue;
        changed = TRUE;
        SP_DEVINSTALL_PARAMS_A install;
        install.cbSize = sizeof install;
        if (SetupDiGetDeviceInstallParamsA(devices, &device, &install) &&
            (install.Flags & (DI_NEEDREBOOT | DI_NEEDRESTART)) != 0)
            restart = TRUE;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return !changed ? kFailed : restart ? kDoneRestartNeeded : kDone;
}

static int UpdateDriver(const char *hardwareId, const char *infPath) {
    BOOL restart = FALSE;
    /* No forcing: the same rule as the 32-bit setup program's own driver update. */
    if (!UpdateDriverForPlugAndPlayDevicesA(NULL, hardwareId, infPath, 0, &restart)) return kFailed;
    return restart ? kDoneRestartNeeded : kDone;
}

int main(int argc, char **argv) {
    if (argc < 3) return kFailed;
    const char *operation = argv[2];
    if (argc == 3 && strcmp(operation, "2") == 0) return ChangeState(argv[1], DICS_DISABLE);
    if (argc == 3 && strcmp(operation, "1") == 0) return ChangeState(argv[1], DICS_ENABLE);
    if (argc == 4 && strcmp(operation, "256") == 0) return UpdateDriver(argv[1], argv[3]);
    return kFailed;
}
