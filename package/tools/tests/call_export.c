/* call_export.exe LIBRARY ENTRY: loads the library, calls the entry point as
 * int __stdcall (void), the form of the package libraries' entry points, and
 * prints its result. Exit code 0 when called, 3 when the library does not load,
 * 4 when it has no such export, 2 for a wrong command line. */
#include <stdio.h>
#include <windows.h>

typedef int(WINAPI *EntryPoint)(void);

int main(int argc, char **argv) {
    if (argc != 3) return 2;
    HMODULE library = LoadLibraryA(argv[1]);
    if (library == NULL) {
        printf("library not loaded (error %lu)\n", GetLastError());
        return 3;
    }
    FARPROC entry = GetProcAddress(library, argv[2]);
    if (entry == NULL) {
        printf("no export %s\n", argv[2]);
        return 4;
    }
    printf("%s=%d\n", argv[2], ((EntryPoint)(void (*)(void))entry)());
    FreeLibrary(library);
    return 0;
}
