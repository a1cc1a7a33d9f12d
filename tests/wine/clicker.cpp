// The Wine tests' hands and eyes: starts a program (or watches whatever runs),
// then plays a script against it, printing one line per observation.
//
//   clicker [--timeout SECONDS] [--cwd DIR] [--class NAME] [--share-output] [--step STEP]...
//           [--script FILE] [-- PROGRAM [ARGUMENTS...]]
//
// --share-output hands the clicker's standard handles to the program, so that a
// console program's lines land in the same transcript.
//
// Steps (one per --step, or one per line of the script file; # starts a comment):
//   box BUTTON     wait for a message box of the program, print its caption, text,
//                  buttons and icon (none, warning, error, information, question or
//                  other), press BUTTON (OK, Cancel, Yes, No, Abort, Retry, Ignore or an id)
//   window         wait for the program's main window, print its size, the client
//                  area's origin within the frame, and its controls
//   capture FILE   save the main window as it is on screen, as a 24-bit BMP file
//   click WHAT     press a control of the main window: its text (with or without
//                  the & marks) or #ID, its window id; it must be visible and enabled
//   close          close the main window with its close box
//   exit           wait for the program to end and print its exit code; a message
//                  box that appears meanwhile fails the step
//   nowindow       the main window has not been visible since the program started
//                  (looked for every 10 ms during every step and wait)
//   sleep MS       wait
//
// Output lines: STARTED, BOX, PRESSED, WINDOW, CONTROL, CAPTURED, CLICKED, CLOSED, EXIT,
// NO WINDOW, and ERROR followed by the reason; a message box that appears while
// the script waits for something else is printed as UNEXPECTED BOX. The exit
// code is 0 when every step succeeded.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Options {
    DWORD timeoutMs = 30000;
    std::string cwd;
    std::string mainClass = "TVEXA_Form1";
    std::vector<std::string> steps;
    std::vector<std::string> program;
    bool shareOutput = false;
};

PROCESS_INFORMATION target{};
bool haveTarget = false;
std::string mainClassName = "TVEXA_Form1";
bool mainWindowSeen = false;  // the target's main window was visible at some moment

void Say(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The text of a window of another process, asked for through the message so
// that controls answer too.
std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return "";
    std::vector<char> buffer(length + 2, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, 2000, &got))
        return "";
    return std::string(buffer.data());
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

bool OfTarget(HWND window) {
    if (!haveTarget) return true;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid == target.dwProcessId;
}

struct Search {
    std::string className;
    bool visibleOnly = true;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
    if (ClassOf(window) != search->className || !OfTarget(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevelOfTarget(const std::string& className, bool visibleOnly = true) {
    Search search{className, visibleOnly, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindBox() {
    return FindTopLevelOfTarget("#32770");
}

bool TargetEnded() {
    return haveTarget && WaitForSingleObject(target.hProcess, 0) == WAIT_OBJECT_0;
}

void Watch() {
    if (!mainWindowSeen && haveTarget && FindTopLevelOfTarget(mainClassName) != nullptr)
        mainWindowSeen = true;
}

// Sleeps in short slices, looking for the main window in between. (Wine sends
// no show events that a hook could catch, so looking is all there is.)
void Pause(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        Watch();
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

// The pixels of a bitmap as 32-bit 0xRRGGBB values, row by row from the top.
std::vector<DWORD> PixelsOf(HDC memory, HBITMAP bitmap, int width, int height) {
    std::vector<DWORD> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

// What `draw` paints into a new bitmap of the screen's kind.
template <typename Draw>
std::vector<DWORD> Painted(int width, int height, Draw draw) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory, screen);
    SelectObject(memory, old);
    std::vector<DWORD> pixels = PixelsOf(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::vector<DWORD> ScreenPixels(int x, int y, int width, int height) {
    return Painted(width, height, [&](HDC memory, HDC screen) {
        BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
    });
}

std::vector<DWORD> IconPixels(HICON icon, int width, int height, COLORREF background) {
    return Painted(width, height, [&](HDC memory, HDC) {
        RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    });
}

// Which of the system's icons a message box shows, told apart by its pixels
// (another process's icon handle cannot be read from here): "none", one of
// warning, error, information, question, or "other". Only the pixels that an
// icon covers fully are compared, so the box's background does not matter.
std::string BoxIcon(HWND box) {
    HWND control = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "Static" && IsWindowVisible(child) &&
            (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            control = child;
    }
    DWORD_PTR shown = 0;
    if (control == nullptr ||
        !SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &shown) || shown == 0)
        return "none";
    RECT area{};
    GetWindowRect(control, &area);
    int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
    std::vector<DWORD> seen = ScreenPixels(area.left, area.top, width, height);
    static const struct {
        const char* name;
        LPCSTR id;
    } kIcons[] = {{"warning", IDI_WARNING},
                  {"error", IDI_ERROR},
                  {"information", IDI_INFORMATION},
                  {"question", IDI_QUESTION}};
    for (const auto& candidate : kIcons) {
        HICON icon = LoadIconA(nullptr, candidate.id);
        std::vector<DWORD> onBlack = IconPixels(icon, width, height, RGB(0, 0, 0));
        std::vector<DWORD> onWhite = IconPixels(icon, width, height, RGB(255, 255, 255));
        std::size_t opaque = 0, differing = 0;
        for (std::size_t i = 0; i < seen.size(); ++i) {
            if (onBlack[i] != onWhite[i]) continue;
            ++opaque;
            if (seen[i] != onBlack[i]) ++differing;
        }
        if (opaque > seen.size() / 4 && differing * 50 <= opaque) return candidate.name;
    }
    return "other";
}

std::string DescribeBox(HWND box) {
    std::string buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) != "Button" || !IsWindowVisible(child)) continue;
        if (!buttons.empty()) buttons += "|";
        buttons += TextOf(child);
    }
    HWND text = GetDlgItem(box, 0xFFFF);
    return "caption=" + Quote(TextOf(box)) + " text=" + Quote(text != nullptr ? TextOf(text) : "") +
           " buttons=" + Quote(buttons) + " icon=" + BoxIcon(box);
}

// Waits for `ready` to find something; fails early when the program ends or
// shows a message box that the script does not expect here.
template <typename Ready>
HWND WaitFor(Ready ready, DWORD timeoutMs, bool boxesAreUnexpected, const char* what) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND found = ready()) return found;
        if (boxesAreUnexpected) {
            if (HWND box = FindBox()) {
                Say("UNEXPECTED BOX " + DescribeBox(box));
                return nullptr;
            }
        }
        if (TargetEnded()) {
            DWORD code = 0;
            GetExitCodeProcess(target.hProcess, &code);
            Say(std::string("ERROR program ended (exit code ") + std::to_string(code) +
                ") while waiting for " + what);
            return nullptr;
        }
        if (GetTickCount() - start > timeoutMs) {
            Say(std::string("ERROR timed out waiting for ") + what);
            return nullptr;
        }
        Pause(50);
    }
}

int ButtonId(const std::string& name) {
    static const struct {
        const char* name;
        int id;
    } known[] = {{"OK", IDOK},         {"CANCEL", IDCANCEL}, {"ABORT", IDABORT}, {"RETRY", IDRETRY},
                 {"IGNORE", IDIGNORE}, {"YES", IDYES},       {"NO", IDNO}};
    std::string upper;
    for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& entry : known)
        if (upper == entry.name) return entry.id;
    char* end = nullptr;
    long id = std::strtol(name.c_str(), &end, 0);
    return end != nullptr && *end == '\0' && !name.empty() ? static_cast<int>(id) : -1;
}

bool StepBox(const std::string& button, const Options& options) {
    int id = ButtonId(button);
    if (id < 0) {
        Say("ERROR unknown button " + button);
        return false;
    }
    HWND box = WaitFor([] { return FindBox(); }, options.timeoutMs, false, "a message box");
    if (box == nullptr) return false;
    Pause(200);  // let the box finish laying itself out
    Say("BOX " + DescribeBox(box));
    HWND control = GetDlgItem(box, id);
    if (control == nullptr) {
        Say("ERROR the box has no button " + button);
        return false;
    }
    // The dialog's own command, as a click on the button sends it.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    Say("PRESSED " + button);
    // The next step must not find this box again.
    DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box) && GetTickCount() - start < options.timeoutMs) Pause(20);
    return true;
}

HWND MainWindow(const Options& options, bool wait) {
    if (!wait) return FindTopLevelOfTarget(options.mainClass);
    return WaitFor([&options] { return FindTopLevelOfTarget(options.mainClass); }, options.timeoutMs, true,
                   "the main window");
}

struct Collected {
    HWND main;
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM data) {
    reinterpret_cast<Collected*>(data)->children.push_back(window);
    return TRUE;
}

bool EnabledWithAncestors(HWND window, HWND main) {
    for (HWND w = window; w != nullptr && w != main; w = GetParent(w))
        if (!IsWindowEnabled(w)) return false;
    return true;
}

std::string RectIn(HWND window, HWND main) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) +
           "x" + std::to_string(r.bottom - r.top);
}

bool StepWindow(const Options& options) {
    HWND main = MainWindow(options, true);
    if (main == nullptr) return false;
    Pause(300);  // the program sets its focus once the window is shown
    RECT client{}, frame{};
    GetClientRect(main, &client);
    GetWindowRect(main, &frame);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    LONG_PTR style = GetWindowLongPtrA(main, GWL_STYLE);
    Say("WINDOW class=" + Quote(ClassOf(main)) + " caption=" + Quote(TextOf(main)) +
        " client=" + std::to_string(client.right) + "x" + std::to_string(client.bottom) +
        " origin=" + std::to_string(origin.x - frame.left) + "," + std::to_string(origin.y - frame.top) +
        " frame=" + std::to_string(frame.left) + "," + std::to_string(frame.top) + "," +
        std::to_string(frame.right - frame.left) + "x" + std::to_string(frame.bottom - frame.top) +
        " screen=" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
        std::to_string(GetSystemMetrics(SM_CYSCREEN)) + " sizable=" + ((style & WS_THICKFRAME) ? "1" : "0") +
        " minimize=" + ((style & WS_MINIMIZEBOX) ? "1" : "0") + " maximize=" +
        ((style & WS_MAXIMIZEBOX) ? "1" : "0") + " sysmenu=" + ((style & WS_SYSMENU) ? "1" : "0"));
    Collected collected{main, {}};
    EnumChildWindows(main, CollectChild, reinterpret_cast<LPARAM>(&collected));
    HWND focus = nullptr;
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    if (GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui)) focus = gui.hwndFocus;
    for (HWND child : collected.children) {
        HWND parent = GetParent(child);
        LONG_PTR childStyle = GetWindowLongPtrA(child, GWL_STYLE);
        Say("CONTROL id=" + std::to_string(GetDlgCtrlID(child)) + " class=" + Quote(ClassOf(child)) +
            " text=" + Quote(TextOf(child)) + " visible=" + (IsWindowVisible(child) ? "1" : "0") +
            " enabled=" + (EnabledWithAncestors(child, main) ? "1" : "0") + " rect=" + RectIn(child, main) +
            " parent=" + std::to_string(parent == main ? 0 : GetDlgCtrlID(parent)) +
            " style=" + std::to_string(static_cast<unsigned long>(childStyle)) +
            " focus=" + (child == focus ? "1" : "0"));
    }
    return true;
}

bool WriteBitmap(const std::string& path, int width, int height, const std::vector<unsigned char>& bgr) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;  // bottom-up, as GetDIBits delivered it
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(bgr.size());
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(reinterpret_cast<const char*>(bgr.data()), static_cast<std::streamsize>(bgr.size()));
    return static_cast<bool>(out);
}

bool StepCapture(const std::string& path, const Options& options) {
    HWND main = MainWindow(options, true);
    if (main == nullptr) return false;
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pause(500);  // the program repaints in its own time
    RECT frame{};
    GetWindowRect(main, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
    std::vector<unsigned char> pixels(stride * static_cast<std::size_t>(height));
    int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height || !WriteBitmap(path, width, height, pixels)) {
        Say("ERROR could not capture the window into " + path);
        return false;
    }
    Say("CAPTURED " + Quote(path) + " " + std::to_string(width) + "x" + std::to_string(height));
    return true;
}

std::string WithoutAmpersands(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] != '&') continue;
        if (text[i] == '&') ++i;
        out += text[i];
    }
    return out;
}

bool StepClick(const std::string& what, const Options& options) {
    HWND main = MainWindow(options, true);
    if (main == nullptr) return false;
    Collected collected{main, {}};
    EnumChildWindows(main, CollectChild, reinterpret_cast<LPARAM>(&collected));
    HWND control = nullptr;
    for (HWND child : collected.children) {
        bool match = what.size() > 1 && what[0] == '#'
                         ? std::to_string(GetDlgCtrlID(child)) == what.substr(1)
                         : (TextOf(child) == what || WithoutAmpersands(TextOf(child)) == what);
        if (match) {
            control = child;
            break;
        }
    }
    if (control == nullptr) {
        Say("ERROR no control " + Quote(what));
        return false;
    }
    if (!IsWindowVisible(control) || !EnabledWithAncestors(control, main)) {
        Say("ERROR control " + Quote(what) + " is hidden or disabled");
        return false;
    }
    Say("CLICKED " + Quote(TextOf(control)) + " id=" + std::to_string(GetDlgCtrlID(control)));
    // Posted: the program may end, or open a box, while it handles the click.
    PostMessageA(control, BM_CLICK, 0, 0);
    return true;
}

bool StepClose(const Options& options) {
    HWND main = MainWindow(options, true);
    if (main == nullptr) return false;
    Say("CLOSED " + Quote(TextOf(main)));
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
}

bool StepExit(const Options& options) {
    if (!haveTarget) {
        Say("ERROR no program was started");
        return false;
    }
    DWORD start = GetTickCount();
    while (!TargetEnded()) {
        if (HWND box = FindBox()) {
            Say("UNEXPECTED BOX " + DescribeBox(box));
            return false;
        }
        if (GetTickCount() - start > options.timeoutMs) {
            Say("ERROR the program did not end");
            return false;
        }
        Pause(20);
    }
    DWORD code = 0;
    GetExitCodeProcess(target.hProcess, &code);
    Say("EXIT code=" + std::to_string(code));
    return true;
}

bool StepNoWindow() {
    Watch();
    if (mainWindowSeen) {
        Say("ERROR the main window was shown");
        return false;
    }
    Say("NO WINDOW");
    return true;
}

bool RunStep(const std::string& step, const Options& options) {
    std::string verb = step.substr(0, step.find(' '));
    std::string argument = step.find(' ') == std::string::npos ? "" : step.substr(step.find(' ') + 1);
    if (verb == "box") return StepBox(argument.empty() ? "OK" : argument, options);
    if (verb == "window") return StepWindow(options);
    if (verb == "capture") return StepCapture(argument, options);
    if (verb == "click") return StepClick(argument, options);
    if (verb == "close") return StepClose(options);
    if (verb == "exit") return StepExit(options);
    if (verb == "nowindow") return StepNoWindow();
    if (verb == "sleep") {
        Pause(static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10)));
        return true;
    }
    Say("ERROR unknown step " + Quote(step));
    return false;
}

// Quoting by the rules the C runtime uses to split a command line.
std::string QuoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

bool Start(const Options& options) {
    std::string line;
    for (const auto& arg : options.program) line += (line.empty() ? "" : " ") + QuoteArgument(arg);
    std::string folder = options.cwd;
    if (folder.empty()) {
        const std::string& exe = options.program.front();
        auto slash = exe.find_last_of("\\/");
        if (slash != std::string::npos) folder = exe.substr(0, slash);
    }
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    if (options.shareOutput) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, options.shareOutput ? TRUE : FALSE, 0,
                        nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &target)) {
        Say("ERROR cannot start " + Quote(line) + ": error " + std::to_string(GetLastError()));
        return false;
    }
    haveTarget = true;
    Say("STARTED pid=" + std::to_string(target.dwProcessId) + " command=" + Quote(line));
    return true;
}

bool ReadScript(const std::string& path, std::vector<std::string>* steps) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        steps->push_back(line.substr(start));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--") {
            for (++i; i < argc; ++i) options.program.push_back(argv[i]);
        } else if (arg == "--timeout" && hasValue) {
            options.timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10) * 1000);
        } else if (arg == "--cwd" && hasValue) {
            options.cwd = argv[++i];
        } else if (arg == "--class" && hasValue) {
            options.mainClass = argv[++i];
        } else if (arg == "--share-output") {
            options.shareOutput = true;
        } else if (arg == "--step" && hasValue) {
            options.steps.push_back(argv[++i]);
        } else if (arg == "--script" && hasValue) {
            if (!ReadScript(argv[++i], &options.steps)) {
                Say(std::string("ERROR cannot read script ") + argv[i]);
                return 2;
            }
        } else if (arg == "--version") {
            Say("clicker 1");
            return 0;
        } else {
            Say("ERROR unknown option " + Quote(arg));
            return 2;
        }
    }
    mainClassName = options.mainClass;
    if (!options.program.empty() && !Start(options)) return 2;
    for (const auto& step : options.steps) {
        if (!RunStep(step, options)) {
            if (haveTarget && !TargetEnded()) TerminateProcess(target.hProcess, 99);
            return 1;
        }
    }
    return 0;
}
