/* fake_setup.exe: takes the place of setup.exe beside the uninstaller in the
 * uninstaller's check. It writes its command line, its current folder and
 * whether the uninstaller's window is there into fake_setup.log beside itself,
 * posts that window message 0x480 with wParam 256 five times as a starting
 * setup does, waits a moment, notes whether the window is still there, deletes
 * setup.ini beside itself as an uninstall does, and ends. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(void) {
    char folder[MAX_PATH], path[MAX_PATH + 32], current[MAX_PATH];
    GetModuleFileNameA(NULL, folder, MAX_PATH);
    strrchr(folder, '\\')[1] = '\0';
    GetCurrentDirectoryA(MAX_PATH, current);

    snprintf(path, sizeof path, "%sfake_setup.log", folder);
    FILE *log = fopen(path, "w");
    if (log == NULL) return 1;
    fprintf(log, "command=%s\n", GetCommandLineA());
    fprintf(log, "folder=%s\n", current);
    HWND window = FindWindowA("TUN_INST", ".UN_INST.");
    fprintf(log, "uninstaller window=%s\n", window != NULL ? "yes" : "no");
    for (int i = 0; i < 5; ++i) PostMessageA(window, 0x480, 256, 0);
    Sleep(1000);
    fprintf(log, "after messages=%s\n", IsWindow(window) ? "yes" : "no");
    fclose(log);

    snprintf(path, sizeof path, "%ssetup.ini", folder);
    DeleteFileA(path);
    return 0;
}
