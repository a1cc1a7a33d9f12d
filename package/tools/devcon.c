/* devcon.exe: a stand-in of Microsoft's Device Console (DevCon), written from
 * its documented commands and exit codes, for the two commands the setup
 * program uses. The setup program writes it into the install folder.
 *
 *   devcon.exe [/r] install <inf> <hardware ID>
 *       Creates a root-enumerated device of the INF's setup class with that
 *       hardware ID and installs the INF's driver on it (a relative INF path
 *       is taken from the current folder).
 *   devcon.exe [/r] remove <ID> [<ID>...]
 *       Removes from the device tree every present device one of whose
 *       hardware or compatible IDs matches an ID ('*' matches any run of
 *       characters, letter case is ignored; "@" before an ID matches the
 *       device instance ID instead).
 *
 * /r is accepted; the stand-in never restarts Windows itself.
 * Exit codes, as DevCon documents them: 0 done, 1 done and Windows must be
 * restarted, 2 failed, 3 the command line was not understood. */
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>
/* The Setup API headers need windows.h first. */
#include <newdev.h>
#include <setupapi.h>

enum { kExitOk = 0, kExitReboot = 1, kExitFail = 2, kExitUsage = 3 };

/* Room for a setup class name and a device instance ID (200 characters). */
#define CLASS_NAME_CHARS 64
#define ID_CHARS 256
#define INSTANCE_ID_CHARS 256

/* DevCon's ID patterns: letter case ignored, '*' for any run of characters. */
static BOOL WildcardMatch(const char *pattern, const char *text) {
    for (; *pattern != '\0'; ++pattern, ++text) {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (*pattern == '\0') return TRUE;
            for (; *text != '\0'; ++text)
                if (WildcardMatch(pattern, text)) return TRUE;
            return FALSE;
        }
        if (*text == '\0' || toupper((unsigned char)*pattern) != toupper((unsigned char)*text)) return FALSE;
    }
    return *text == '\0';
}

/* True when one string of the device's multi-string property matches. */
static BOOL PropertyMatches(HDEVINFO devices, SP_DEVINFO_DATA *device, DWORD property, const char *pattern) {
    /* Two NUL bytes beyond what the call may fill end the list in any case. */
    char ids[4096 + 2];
    const char *id;
    ZeroMemory(ids, sizeof ids);
    if (!SetupDiGetDeviceRegistryPropertyA(devices, device, property, NULL, (BYTE *)ids, 4096, NULL))
        return FALSE;
    for (id = ids; *id != '\0'; id += strlen(id) + 1)
        if (WildcardMatch(pattern, id)) return TRUE;
    return FALSE;
}

static int Usage(void) {
    fprintf(stderr,
            "usage: devcon [/r] install <inf> <hardware ID>\n"
            "       devcon [/r] remove <ID> [<ID>...]\n");
    return kExitUsage;
}

static int Install(const char *infArgument, const char *hardwareId) {
    char inf[MAX_PATH];
    char className[CLASS_NAME_CHARS];
    char ids[ID_CHARS + 2];
    GUID classGuid;
    HDEVINFO list;
    SP_DEVINFO_DATA device;
    BOOL restart = FALSE;
    size_t idLength = strlen(hardwareId);
    if (idLength == 0 || idLength >= ID_CHARS) return Usage();
    if (GetFullPathNameA(infArgument, sizeof inf, inf, NULL) == 0 ||
        !SetupDiGetINFClassA(inf, &classGuid, className, sizeof className, NULL)) {
        printf("devcon failed.\n");
        return kExitFail;
    }
    list = SetupDiCreateDeviceInfoList(&classGuid, NULL);
    if (list == INVALID_HANDLE_VALUE) {
        printf("devcon failed.\n");
        return kExitFail;
    }
    device.cbSize = sizeof device;
    /* The hardware ID list is a multi-string: the ID and two NULs. */
    ZeroMemory(ids, sizeof ids);
    lstrcpynA(ids, hardwareId, ID_CHARS);
    if (!SetupDiCreateDeviceInfoA(list, className, &classGuid, NULL, NULL, DICD_GENERATE_ID, &device) ||
        !SetupDiSetDeviceRegistryPropertyA(list, &device, SPDRP_HARDWAREID, (const BYTE *)ids,
                                           (DWORD)(idLength + 2)) ||
        !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, list, &device)) {
        SetupDiDestroyDeviceInfoList(list);
        printf("devcon failed.\n");
        return kExitFail;
    }
    SetupDiDestroyDeviceInfoList(list);
    printf("Device node created. Install is complete when drivers are installed...\n");
    printf("Updating drivers for %s from %s.\n", hardwareId, inf);
    if (!UpdateDriverForPlugAndPlayDevicesA(NULL, hardwareId, inf, INSTALLFLAG_FORCE, &restart)) {
        printf("devcon failed.\n");
        return kExitFail;
    }
    printf("Drivers installed successfully.\n");
    return restart ? kExitReboot : kExitOk;
}

static BOOL Matches(HDEVINFO devices, SP_DEVINFO_DATA *device, const char *pattern) {
    if (pattern[0] == '@') {
        char instance[INSTANCE_ID_CHARS];
        return SetupDiGetDeviceInstanceIdA(devices, device, instance, sizeof instance, NULL) &&
               WildcardMatch(pattern + 1, instance);
    }
    return PropertyMatches(devices, device, SPDRP_HARDWAREID, pattern) ||
           PropertyMatches(devices, device, SPDRP_COMPATIBLEIDS, pattern);
}

static int Remove(int count, char **patterns) {
    SP_DEVINFO_DATA device;
    DWORD index;
    int removed = 0;
    BOOL restart = FALSE;
    HDEVINFO devices = SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        printf("devcon failed.\n");
        return kExitFail;
    }
    device.cbSize = sizeof device;
    for (index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        char instance[INSTANCE_ID_CHARS];
        SP_REMOVEDEVICE_PARAMS remove;
        SP_DEVINSTALL_PARAMS_A install;
        int i;
        BOOL wanted = FALSE;
        for (i = 0; i < count && !wanted; ++i) wanted = Matches(devices, &device, patterns[i]);
        if (!wanted) continue;
        if (!SetupDiGetDeviceInstanceIdA(devices, &device, instance, sizeof instance, NULL))
            instance[0] = '\0';
        ZeroMemory(&remove, sizeof remove);
        remove.ClassInstallHeader.cbSize = sizeof remove.ClassInstallHeader;
        remove.ClassInstallHeader.InstallFunction = DIF_REMOVE;
        remove.Scope = DI_REMOVEDEVICE_GLOBAL;
        /* A removal without its parameters is global too; a Setup API that
           does not take them (Wine's refuses them) still removes the device. */
        SetupDiSetClassInstallParamsA(devices, &device, &remove.ClassInstallHeader, sizeof remove);
        if (!SetupDiCallClassInstaller(DIF_REMOVE, devices, &device)) {
            printf("%s: Remove failed (error 0x%lx)\n", instance, (unsigned long)GetLastError());
            continue;
        }
        install.cbSize = sizeof install;
        if (SetupDiGetDeviceInstallParamsA(devices, &device, &install) &&
            (install.Flags & (DI_NEEDREBOOT | DI_NEEDRESTART)) != 0) {
            restart = TRUE;
            printf("%s: Removed on reboot\n", instance);
        } else {
            printf("%s: Removed\n", instance);
        }
        ++removed;
    }
    SetupDiDestroyDeviceInfoList(devices);
    if (removed == 0)
        printf("No devices were removed.\n");
    else
        printf("%d device(s) were removed.\n", removed);
    return restart ? kExitReboot : kExitOk;
}

int main(int argc, char **argv) {
    int first = 1;
    if (first < argc && (lstrcmpiA(argv[first], "/r") == 0 || lstrcmpiA(argv[first], "-r") == 0)) ++first;
    if (first >= argc) return Usage();
    if (lstrcmpiA(argv[first], "install") == 0) {
        if (argc - first != 3) return Usage();
        return Install(argv[first + 1], argv[first + 2]);
    }
    if (lstrcmpiA(argv[first], "remove") == 0) {
        if (argc - first < 2) return Usage();
        return Remove(argc - first - 1, argv + first + 1);
    }
    return Usage();
}
