/* touchcfg.exe: stand-in of the touch configuration tool.
 *
 *   touchcfg.exe /i       runs at logon: a resident tool with a hidden window
 *   touchcfg.exe /calib   the calibration tool: a small window
 *   touchcfg.exe          the configuration tool: a small window
 *
 * In every mode its top-level window has the class "TSwapFormZZ", by which the
 * setup program finds running touch tools; the setup program asks them to
 * close with message 0x480 (WM_USER + 128) and wParam 255, and the tool then
 * ends at once. Closing the window ends it too. */
#include <windows.h>

#define WM_TOUCH_TOOL_COMMAND (WM_USER + 128)
#define TOUCH_TOOL_CLOSE 255

static const char kClassName[] = "TSwapFormZZ";
static const char *window_text = "";

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TOUCH_TOOL_COMMAND:
            if (wParam == TOUCH_TOOL_CLOSE) DestroyWindow(window);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            SetBkMode(dc, TRANSPARENT);
            DrawTextA(dc, window_text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int main(int argc, char **argv) {
    BOOL resident = argc > 1 && lstrcmpiA(argv[1], "/i") == 0;
    BOOL calibration = argc > 1 && lstrcmpiA(argv[1], "/calib") == 0;
    const char *title = calibration ? "Touch screen calibration" : "Touch screen configuration";
    window_text =
        calibration ? "Calibration: touch the targets as they appear." : "Touch screen configuration";

    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    windowClass.hbrBackground = (HBRUSH)(INT_PTR)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) return 1;

    HWND window = CreateWindowA(kClassName, title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                CW_USEDEFAULT, CW_USEDEFAULT, 360, 140, NULL, NULL, instance, NULL);
    if (window == NULL) return 1;
    if (!resident) ShowWindow(window, SW_SHOWNORMAL);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
