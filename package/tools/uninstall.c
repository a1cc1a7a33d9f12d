/* uninstall.exe: the uninstaller of an installed touch driver (the package
 * carries it as "setup.dat"; the install places it in the install folder).
 *
 * It runs the setup program lying beside it as "setup.exe -u", with its own
 * folder as the current folder, and waits for it to end. Meanwhile it keeps a
 * hidden window of class "TUN_INST" titled ".UN_INST.", by which a starting
 * setup program sees that an uninstaller is running; the message 0x480
 * (WM_USER + 128) with wParam 256 that setup posts to it is taken and ignored.
 *
 * A running program cannot delete its own file, so when the uninstall went
 * through (setup.ini is gone from the folder) it marks setup.exe, itself and
 * the then empty install folder for deletion at the next restart, which the
 * uninstall always offers. Exit code 0, or 1 when setup.exe cannot be started. */
#include <string.h>
#include <windows.h>

#define WM_UNINSTALLER_COMMAND (WM_USER + 128)

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    /* wParam 256: a setup run is starting. The uninstaller has nothing to do about it. */
    if (message == WM_UNINSTALLER_COMMAND) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND CreateMarkerWindow(HINSTANCE instance) {
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "TUN_INST";
    if (!RegisterClassA(&windowClass)) return NULL;
    return CreateWindowA("TUN_INST", ".UN_INST.", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 200, 100,
                         NULL, NULL, instance, NULL);
}

/* Waits for the process to end, handling this thread's messages meanwhile. */
static void WaitForProcess(HANDLE process) {
    while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

static BOOL FileExists(const char *path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int main(void) {
    /* folder ends with a backslash; the names appended below are short. */
    char program[MAX_PATH], folder[MAX_PATH], setup[MAX_PATH + 16], setupIni[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(NULL, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    strcpy(folder, program);
    char *name = strrchr(folder, '\\');
    if (name == NULL) return 1;
    name[1] = '\0';
    strcpy(setup, folder);
    strcat(setup, "setup.exe");
    strcpy(setupIni, folder);
    strcat(setupIni, "setup.ini");

    char command[MAX_PATH + 32];
    strcpy(command, strchr(setup, ' ') != NULL ? "\"" : "");
    strcat(command, setup);
    strcat(command, strchr(setup, ' ') != NULL ? "\" -u" : " -u");

    HWND window = CreateMarkerWindow(GetModuleHandleA(NULL));

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, folder, &startup, &process)) {
        char text[MAX_PATH + 64];
        strcpy(text, "The uninstall cannot start:\n");
        strcat(text, setup);
        MessageBoxA(NULL, text, "Uninstall", MB_OK | MB_ICONERROR);
        if (window != NULL) DestroyWindow(window);
        return 1;
    }
    CloseHandle(process.hThread);
    WaitForProcess(process.hProcess);
    CloseHandle(process.hProcess);
    if (window != NULL) DestroyWindow(window);

    if (!FileExists(setupIni)) {
        MoveFileExA(setup, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
        MoveFileExA(program, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
        /* Removed at restart only if nothing else is left in it by then. */
        name[0] = '\0';
        MoveFileExA(folder, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return 0;
}
