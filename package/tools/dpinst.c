/* dpinst.exe: a stand-in of Microsoft's Driver Package Installer (DPInst),
 * written from its documented command line and return code, for the parts
 * the setup program uses. The setup program writes it into the install folder.
 *
 *   dpinst.exe [/q] [/se] [/sw] [/sa] [/lm] [/f] [/path <folder>]
 *       Installs every driver package (INF file) of its own folder (or of
 *       <folder>): the INF goes into the Windows INF store through
 *       SetupCopyOEMInfA, then onto every present device one of its models
 *       names (UpdateDriverForPlugAndPlayDevicesA; /f forces it on).
 *   dpinst.exe /u <inf> [/d] [/q] [/se] ...
 *       Uninstalls the driver package of <inf> (a path; a relative one is
 *       taken from the current folder): each copy of it in the INF store
 *       (an INF of the Windows INF folder with the same bytes) is removed
 *       with SetupUninstallOEMInfA (its files
 *       are deleted directly where Windows lacks the call), after the
 *       devices installed from that copy were removed from the device tree.
 *       /d is accepted; the stand-in keeps no record of driver binaries.
 *
 * The other switches are accepted and change nothing: the stand-in shows no
 * window in any case.
 *
 * Return code, as DPInst documents it (0xWWXXYYZZ): ZZ the packages installed
 * on a device, YY the packages copied to the store but installed on no
 * device, XX the packages that could not be installed; WW 0x80 when a package
 * could not be installed, 0x40 when Windows must be restarted. An uninstall
 * reports the packages it removed in ZZ, and a package that cannot be read,
 * or removed, in XX with 0x80. A command line it does not understand gives
 * 0x80010000. */

#include <stdlib.h>
#include <string.h>
#include <windows.h>
/* The Setup API headers need windows.h first. */
#include <newdev.h>
#include <setupapi.h>

#define MAX_IDS 64
#define ID_CHARS 256

typedef struct {
    int count;
    char ids[MAX_IDS][ID_CHARS];
} IdList;

static void AddId(IdList *list, const char *id) {
    int i;
    if (list->count >= MAX_IDS || id[0] == '\0' || strlen(id) >= ID_CHARS) return;
    for (i = 0; i < list->count; ++i)
        if (lstrcmpiA(list->ids[i], id) == 0) return;
    lstrcpynA(list->ids[list->count++], id, ID_CHARS);
}

/* The model section that serves this machine: "<models>.NTamd64" (or
   ".NTx86", or plain ".NT") when the manufacturer line names that decoration
   and the INF has the section; else the undecorated "<models>". */
static void ModelSection(HINF inf, INFCONTEXT *line, char *section, DWORD size) {
#ifdef _WIN64
    static const char *const kDecorations[] = {"NTamd64", "NT"};
#else
    static const char *const kDecorations[] = {"NTx86", "NT"};
#endif
    char models[ID_CHARS];
    char decoration[64];
    DWORD field;
    size_t d;
    INFCONTEXT probe;
    if (!SetupGetStringFieldA(line, 1, models, sizeof models, NULL)) models[0] = '\0';
    lstrcpynA(section, models, (int)size);
    for (d = 0; d < sizeof kDecorations / sizeof kDecorations[0]; ++d) {
        for (field = 2; SetupGetStringFieldA(line, field, decoration, sizeof decoration, NULL); ++field) {
            char decorated[ID_CHARS + 70];
            if (lstrcmpiA(decoration, kDecorations[d]) != 0) continue;
            wsprintfA(decorated, "%s.%s", models, decoration);
            if (SetupFindFirstLineA(inf, decorated, NULL, &probe)) {
                lstrcpynA(section, decorated, (int)size);
                return;
            }
        }
    }
}

/* The hardware IDs of every model of the INF: the first ID of each model line
   (field 2) of each manufacturer's model section. False when the INF cannot
   be opened. */
static BOOL InfHardwareIds(const char *infPath, IdList *list) {
    UINT errorLine = 0;
    INFCONTEXT manufacturer;
    HINF inf = SetupOpenInfFileA(infPath, NULL, INF_STYLE_WIN4, &errorLine);
    list->count = 0;
    if (inf == INVALID_HANDLE_VALUE) return FALSE;
    if (SetupFindFirstLineA(inf, "Manufacturer", NULL, &manufacturer)) {
        do {
            char section[ID_CHARS + 70];
            INFCONTEXT model;
            ModelSection(inf, &manufacturer, section, sizeof section);
            if (section[0] == '\0' || !SetupFindFirstLineA(inf, section, NULL, &model)) continue;
            do {
                char id[ID_CHARS];
                if (SetupGetStringFieldA(&model, 2, id, sizeof id, NULL)) AddId(list, id);
            } while (SetupFindNextLine(&model, &model));
        } while (SetupFindNextLine(&manufacturer, &manufacturer));
    }
    SetupCloseInfFile(inf);
    return TRUE;
}

/* A whole file into a buffer the caller frees; NULL when it cannot be read. */
static char *ReadWholeFile(const char *path, DWORD *size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD length;
    DWORD read = 0;
    char *data;
    if (file == INVALID_HANDLE_VALUE) return NULL;
    length = GetFileSize(file, NULL);
    data = (char *)malloc(length + 1u);
    if (length == INVALID_FILE_SIZE || data == NULL || !ReadFile(file, data, length, &read, NULL) ||
        read != length) {
        free(data);
        CloseHandle(file);
        return NULL;
    }
    CloseHandle(file);
    *size = length;
    return data;
}

#define INSTALL_FAILED 0x80000000u
#define RESTART_NEEDED 0x40000000u

#ifndef SUOI_FORCEDELETE
#define SUOI_FORCEDELETE 0x1
#endif

typedef struct {
    unsigned installed;
    unsigned copied;
    unsigned failed;
    BOOL restart;
} Outcome;

static DWORD ReturnCode(const Outcome *outcome) {
    DWORD code =
        (outcome->installed & 0xFFu) | (outcome->copied & 0xFFu) << 8 | (outcome->failed & 0xFFu) << 16;
    if (outcome->failed > 0) code |= INSTALL_FAILED;
    if (outcome->restart) code |= RESTART_NEEDED;
    return code;
}

static void InstallPackage(const char *infPath, BOOL force, Outcome *outcome) {
    char stored[MAX_PATH];
    IdList ids;
    int i;
    BOOL onDevice = FALSE;
    BOOL failed = FALSE;
    if (!SetupCopyOEMInfA(infPath, NULL, SPOST_PATH, 0, stored, sizeof stored, NULL, NULL)) {
        ++outcome->failed;
        return;
    }
    InfHardwareIds(infPath, &ids);
    for (i = 0; i < ids.count; ++i) {
        BOOL restart = FALSE;
        if (UpdateDriverForPlugAndPlayDevicesA(NULL, ids.ids[i], infPath, force ? INSTALLFLAG_FORCE : 0,
                                               &restart)) {
            onDevice = TRUE;
            if (restart) outcome->restart = TRUE;
        } else if (GetLastError() != ERROR_NO_SUCH_DEVINST) {
            /* A device was there but did not take the driver. */
            failed = TRUE;
        }
    }
    if (failed)
        ++outcome->failed;
    else if (onDevice)
        ++outcome->installed;
    else
        ++outcome->copied;
}

static DWORD InstallFolder(const char *folder, BOOL force) {
    char pattern[MAX_PATH + 8];
    WIN32_FIND_DATAA found;
    HANDLE search;
    Outcome outcome = {0, 0, 0, FALSE};
    wsprintfA(pattern, "%s\\*.inf", folder);
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return ReturnCode(&outcome);
    do {
        char inf[2 * MAX_PATH];
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        wsprintfA(inf, "%s\\%s", folder, found.cFileName);
        InstallPackage(inf, force, &outcome);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return ReturnCode(&outcome);
}

/* True when the device's driver was installed from the stored INF `name`. */
static BOOL InstalledFrom(HDEVINFO devices, SP_DEVINFO_DATA *device, const char *name) {
    char infPath[MAX_PATH];
    DWORD size = sizeof infPath;
    DWORD type = 0;
    BOOL same;
    HKEY key = SetupDiOpenDevRegKey(devices, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) return FALSE;
    same = RegQueryValueExA(key, "InfPath", NULL, &type, (BYTE *)infPath, &size) == ERROR_SUCCESS &&
           type == REG_SZ && size > 0 && (infPath[size - 1] = '\0', lstrcmpiA(infPath, name) == 0);
    RegCloseKey(key);
    return same;
}

static void RemoveDevicesOf(const char *name) {
    SP_DEVINFO_DATA device;
    DWORD index;
    HDEVINFO devices = SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_ALLCLASSES);
    if (devices == INVALID_HANDLE_VALUE) return;
    device.cbSize = sizeof device;
    for (index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index)
        if (InstalledFrom(devices, &device, name)) SetupDiCallClassInstaller(DIF_REMOVE, devices, &device);
    SetupDiDestroyDeviceInfoList(devices);
}

static BOOL UninstallStored(const char *windows, const char *name) {
    typedef BOOL(WINAPI * UninstallEntry)(PCSTR, DWORD, PVOID);
    HMODULE setupapi = GetModuleHandleA("setupapi.dll");
    UninstallEntry uninstall =
        setupapi ? (UninstallEntry)(void (*)(void))GetProcAddress(setupapi, "SetupUninstallOEMInfA") : NULL;
    char inf[2 * MAX_PATH];
    char pnf[2 * MAX_PATH];
    RemoveDevicesOf(name);
    if (uninstall != NULL) return uninstall(name, SUOI_FORCEDELETE, NULL);
    /* Before Windows XP: the store's two files go directly. */
    wsprintfA(inf, "%s\\inf\\%s", windows, name);
    lstrcpyA(pnf, inf);
    lstrcpyA(pnf + lstrlenA(pnf) - 3, "pnf");
    SetFileAttributesA(pnf, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(pnf);
    SetFileAttributesA(inf, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(inf);
}

static DWORD Uninstall(const char *infArgument) {
    char infPath[MAX_PATH];
    char windows[MAX_PATH];
    char pattern[2 * MAX_PATH];
    char *package;
    DWORD packageSize = 0;
    WIN32_FIND_DATAA found;
    HANDLE search;
    Outcome outcome = {0, 0, 0, FALSE};
    if (GetFullPathNameA(infArgument, sizeof infPath, infPath, NULL) == 0 ||
        (package = ReadWholeFile(infPath, &packageSize)) == NULL) {
        outcome.failed = 1;
        return ReturnCode(&outcome);
    }
    GetWindowsDirectoryA(windows, sizeof windows);
    /* Windows names its copies oem<N>.inf; other Setup APIs (Wine's) keep
       the package's name. The bytes tell a copy of this package. */
    wsprintfA(pattern, "%s\\inf\\*.inf", windows);
    search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            char stored[2 * MAX_PATH];
            char *contents;
            DWORD size = 0;
            BOOL same;
            wsprintfA(stored, "%s\\inf\\%s", windows, found.cFileName);
            contents = ReadWholeFile(stored, &size);
            same = contents != NULL && size == packageSize && memcmp(contents, package, size) == 0;
            free(contents);
            if (!same) continue;
            if (UninstallStored(windows, found.cFileName))
                ++outcome.installed;
            else
                ++outcome.failed;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    free(package);
    return ReturnCode(&outcome);
}

static BOOL Switch(const char *argument, const char *name) {
    return (argument[0] == '/' || argument[0] == '-') && lstrcmpiA(argument + 1, name) == 0;
}

int main(int argc, char **argv) {
    static const char *const kIgnored[] = {"q", "se", "sw", "sa", "lm", "d", "c", "el", "sh"};
    const char *uninstallInf = NULL;
    const char *folderArgument = NULL;
    BOOL force = FALSE;
    char folder[MAX_PATH];
    int i;
    for (i = 1; i < argc; ++i) {
        size_t k;
        BOOL known = FALSE;
        if (Switch(argv[i], "u") && i + 1 < argc) {
            uninstallInf = argv[++i];
            continue;
        }
        if (Switch(argv[i], "path") && i + 1 < argc) {
            folderArgument = argv[++i];
            continue;
        }
        if (Switch(argv[i], "f")) {
            force = TRUE;
            continue;
        }
        for (k = 0; k < sizeof kIgnored / sizeof kIgnored[0]; ++k)
            if (Switch(argv[i], kIgnored[k])) known = TRUE;
        if (!known) return (int)(INSTALL_FAILED | 0x10000u);
    }
    if (uninstallInf != NULL) return (int)Uninstall(uninstallInf);
    if (folderArgument != NULL) {
        if (GetFullPathNameA(folderArgument, sizeof folder, folder, NULL) == 0)
            return (int)(INSTALL_FAILED | 0x10000u);
    } else {
        char *slash;
        GetModuleFileNameA(NULL, folder, sizeof folder);
        slash = strrchr(folder, '\\');
        if (slash != NULL) *slash = '\0';
    }
    return (int)InstallFolder(folder, force);
}
