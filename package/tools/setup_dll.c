/* setup.dll: tells the setup program what kind of driver package it runs from.
 *
 * VEXA_GetSetupFlag() returns 1 for a multi-monitor package and 0 otherwise.
 * A package is a multi-monitor package when a file named "multimonitor" lies
 * in the folder of this library, so a vendor switches a package over by adding
 * or removing that file; nothing needs rebuilding. */
#include <string.h>
#include <windows.h>

static HINSTANCE this_library;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        this_library = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

__attribute__((dllexport)) int WINAPI VEXA_GetSetupFlag(void) {
    static const char marker[] = "multimonitor";
    char path[MAX_PATH + sizeof marker];
    /* The library's own path, not the program's: setup.exe and setup.dll may
       lie in different folders when the library is found through the search path. */
    DWORD length = GetModuleFileNameA(this_library, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 0;
    char *name = strrchr(path, '\\');
    if (name == NULL) return 0;
    memcpy(name + 1, marker, sizeof marker);
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 1 : 0;
}
