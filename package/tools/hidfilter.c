/* hidfilter.exe: registers the multi-port HID filter driver's service.
 *
 *   hidfilter.exe -install [-silent]     create the service "HIDFltrM"
 *   hidfilter.exe -uninstall [-silent]   stop and delete it
 *
 * The service is a kernel driver, started on demand, whose image is
 * System32\drivers\hidfltrm.sys. The tool only registers it; the driver file
 * itself comes with the driver package that uses it. A service that is already
 * there counts as installed, a missing one as uninstalled. Without "-silent"
 * the outcome is shown in a message box. Exit code 0 on success, 1 on failure,
 * 2 for a command line it does not understand. */
#include <windows.h>

static const char kServiceName[] = "HIDFltrM";
static const char kDisplayName[] = "HID multi-port filter";
static const char kImagePath[] = "System32\\drivers\\hidfltrm.sys";

static BOOL InstallService(void) {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CREATE_SERVICE);
    if (manager == NULL) return FALSE;
    SC_HANDLE service =
        CreateServiceA(manager, kServiceName, kDisplayName, SERVICE_QUERY_STATUS, SERVICE_KERNEL_DRIVER,
                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, kImagePath, NULL, NULL, NULL, NULL, NULL);
    BOOL installed = service != NULL || GetLastError() == ERROR_SERVICE_EXISTS;
    if (service != NULL) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return installed;
}

static BOOL UninstallService(void) {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (manager == NULL) return FALSE;
    SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_STOP | DELETE);
    BOOL removed;
    if (service == NULL) {
        removed = GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    } else {
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        removed = DeleteService(service) || GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return removed;
}

int main(int argc, char **argv) {
    BOOL install = FALSE, uninstall = FALSE, silent = FALSE;
    for (int i = 1; i < argc; ++i) {
        if (lstrcmpiA(argv[i], "-install") == 0)
            install = TRUE;
        else if (lstrcmpiA(argv[i], "-uninstall") == 0)
            uninstall = TRUE;
        else if (lstrcmpiA(argv[i], "-silent") == 0)
            silent = TRUE;
        else
            return 2;
    }
    if (install == uninstall) {
        if (!silent)
            MessageBoxA(NULL, "Usage: hidfilter.exe -install | -uninstall [-silent]", "HID filter",
                        MB_OK | MB_ICONINFORMATION);
        return 2;
    }

    BOOL done = install ? InstallService() : UninstallService();
    if (!silent) {
        const char *text =
            install ? (done ? "The HID filter is installed." : "The HID filter could not be installed.")
                    : (done ? "The HID filter is removed." : "The HID filter could not be removed.");
        MessageBoxA(NULL, text, "HID filter", MB_OK | (done ? MB_ICONINFORMATION : MB_ICONWARNING));
    }
    return done ? 0 : 1;
}
