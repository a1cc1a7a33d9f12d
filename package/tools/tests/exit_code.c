/* exit_code.exe PROGRAM [ARGUMENT...]: runs the program in the current folder,
 * waits for it and prints its whole 32-bit exit code as "exit=0x%08lx" (a
 * Unix shell sees only its low byte). Exit code 0 when it ran, 2 when it did
 * not start. Arguments holding blanks are passed quoted. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(int argc, char **argv) {
    char commandLine[4096] = "";
    size_t used = 0;
    for (int i = 1; i < argc; ++i) {
        BOOL quote = strchr(argv[i], ' ') != NULL;
        size_t length = strlen(argv[i]);
        if (used + length + 4 >= sizeof commandLine) return 2;
        if (i > 1) commandLine[used++] = ' ';
        if (quote) commandLine[used++] = '"';
        memcpy(commandLine + used, argv[i], length);
        used += length;
        if (quote) commandLine[used++] = '"';
        commandLine[used] = '\0';
    }
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        printf("not started (error %lu)\n", GetLastError());
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    printf("exit=0x%08lx\n", (unsigned long)code);
    return 0;
}
