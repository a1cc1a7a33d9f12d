/* window_message.exe CLASS MESSAGE WPARAM: waits up to 10 s for a top-level
 * window of that class, sends it the message (numbers in C notation, such as
 * 0x480) with lParam 0, then waits up to 5 s for the window to go away.
 * Prints and returns: 0 "closed", 1 "still open", 2 "not found", 9 usage. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static HWND WaitForWindow(const char *className, BOOL present, int milliseconds) {
    for (int waited = 0;; waited += 100) {
        HWND window = FindWindowA(className, NULL);
        if ((window != NULL) == present || waited >= milliseconds) return window;
        Sleep(100);
    }
}

int main(int argc, char **argv) {
    if (argc != 4) return 9;
    UINT message = (UINT)strtoul(argv[2], NULL, 0);
    WPARAM wParam = (WPARAM)strtoul(argv[3], NULL, 0);
    HWND window = WaitForWindow(argv[1], TRUE, 10000);
    if (window == NULL) {
        printf("not found\n");
        return 2;
    }
    DWORD_PTR result;
    SendMessageTimeoutA(window, message, wParam, 0, SMTO_NORMAL, 5000, &result);
    if (WaitForWindow(argv[1], FALSE, 5000) != NULL) {
        printf("still open\n");
        return 1;
    }
    printf("closed\n");
    return 0;
}
