#include "platform/win32/toolkit.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "resources/resource_ids.h"

namespace plat::win32 {

namespace {

constexpr char kPanelClass[] = "TouchSetupPanel";
constexpr char kPictureClass[] = "TouchSetupPicture";
// Glyph bitmaps mark their background with this colour.
constexpr COLORREF kGlyphTransparent = RGB(255, 0, 255);
constexpr Color kSystemColor = 0xFF000000u;
constexpr Color kBtnFace = kSystemColor + COLOR_BTNFACE;
constexpr Color kWindowText = kSystemColor + COLOR_WINDOWTEXT;
constexpr int kGlyphGap = 4;

// Window procedures have no object pointer; there is one toolkit per process.
Toolkit* current = nullptr;

COLORREF Resolve(Color color) {
    if ((color & kSystemColor) == kSystemColor) return ::GetSysColor(static_cast<int>(color & 0xFFu));
    return color & 0x00FFFFFFu;
}

HFONT MakeFont(const std::string& face, int pointSize, int charset) {
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    LOGFONTA font{};
    font.lfHeight = -::MulDiv(pointSize, dpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = static_cast<BYTE>(charset);
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    ::lstrcpynA(font.lfFaceName, face.c_str(), LF_FACESIZE);
    return ::CreateFontIndirectA(&font);
}

// A disabled button shows its glyph washed out in grey.
HBITMAP MakeDisabledGlyph(HBITMAP glyph, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    HDC screen = ::GetDC(nullptr);
    HBITMAP result = nullptr;
    if (::GetDIBits(screen, glyph, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != 0) {
        for (auto& pixel : pixels) {
            if ((pixel & 0xFFFFFFu) == 0xFF00FFu) continue;  // background: keep
            std::uint32_t blue = pixel & 0xFFu, green = (pixel >> 8) & 0xFFu, red = (pixel >> 16) & 0xFFu;
            std::uint32_t grey = 128u + (red * 30u + green * 59u + blue * 11u) / 200u;
            pixel = grey | (grey << 8) | (grey << 16);
        }
        result = ::CreateCompatibleBitmap(screen, width, height);
        if (result != nullptr)
            ::SetDIBits(screen, result, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    }
    ::ReleaseDC(nullptr, screen);
    return result;
}

void DrawGlyph(HDC dc, HBITMAP glyph, int x, int y, int width, int height) {
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, glyph);
    ::TransparentBlt(dc, x, y, width, height, memory, 0, 0, width, height, kGlyphTransparent);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
}

std::string WindowText(HWND hwnd) {
    int length = ::GetWindowTextLengthA(hwnd);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = ::GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
    return text;
}

}  // namespace

Toolkit::Toolkit(HINSTANCE instance) : instance_(instance), windowColor_(kBtnFace), textColor_(kWindowText) {
    current = this;
}

Toolkit::~Toolkit() {
    if (main_ != nullptr && ::IsWindow(main_)) ::DestroyWindow(main_);
    for (auto& control : controls_) {
        if (control->glyph != nullptr) ::DeleteObject(control->glyph);
        if (control->glyphDisabled != nullptr) ::DeleteObject(control->glyphDisabled);
    }
    for (auto& [color, brush] : brushes_) ::DeleteObject(brush);
    if (font_ != nullptr) ::DeleteObject(font_);
    if (current == this) current = nullptr;
}

void Toolkit::RegisterClasses(const std::string& mainClass) {
    if (classesRegistered_) return;
    hand_ = ::LoadCursor(nullptr, IDC_HAND);
    if (hand_ == nullptr) hand_ = ::LoadCursor(nullptr, IDC_ARROW);

    WNDCLASSEXA main{};
    main.cbSize = sizeof(main);
    main.lpfnWndProc = MainProc;
    main.hInstance = instance_;
    main.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_MAINICON));
    main.hIconSm =
        static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON,
                                        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    main.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    main.lpszClassName = mainClass.c_str();
    ::RegisterClassExA(&main);

    WNDCLASSEXA panel{};
    panel.cbSize = sizeof(panel);
    panel.lpfnWndProc = PanelProc;
    panel.hInstance = instance_;
    panel.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    panel.lpszClassName = kPanelClass;
    ::RegisterClassExA(&panel);

    WNDCLASSEXA picture = panel;
    picture.lpfnWndProc = PictureProc;
    picture.lpszClassName = kPictureClass;
    ::RegisterClassExA(&picture);
    classesRegistered_ = true;
}

void Toolkit::CreateMainWindow(const WindowSpec& window, const std::vector<ControlSpec>& designs,
                               UiEvents* events) {
    RegisterClasses(window.className);
    events_ = events;
    font_ = MakeFont(window.fontName, window.fontSize, window.fontCharset);

    // A fixed dialog frame with a close box only.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
    RECT frame{0, 0, window.clientWidth, window.clientHeight};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    main_ = ::CreateWindowExA(exStyle, window.className.c_str(), window.caption.c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                              nullptr, instance_, nullptr);
    if (main_ == nullptr) return;
    ::SendMessageA(main_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    controls_.clear();
    for (const auto& design : designs) {
        auto control = std::make_unique<Control>();
        control->design = design;
        controls_.push_back(std::move(control));
    }
    std::vector<bool> created(controls_.size(), false);
    for (auto& control : controls_) CreateControl(*control, created);
    ArrangeTabOrder(-1, main_);
    for (auto& control : controls_)
        if (control->design.kind == ControlKind::RadioButton) UpdateRadioTabStops(control->design.parentId);
}

void Toolkit::CreateControl(Control& control, std::vector<bool>& created) {
    const ControlSpec& design = control.design;
    std::size_t index = 0;
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i].get() == &control) index = i;
    if (created[index]) return;
    created[index] = true;

    HWND parent = main_;
    if (design.parentId >= 0) {
        Control* owner = Find(design.parentId);
        if (owner == nullptr) return;
        CreateControl(*owner, created);  // parents first, whatever the list order
        parent = owner->hwnd;
    }

    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (design.visible ? WS_VISIBLE : 0u);
    DWORD exStyle = 0;
    const char* className = nullptr;
    switch (design.kind) {
        case ControlKind::Panel:
            className = kPanelClass;
            style |= WS_CLIPCHILDREN;
            exStyle |= WS_EX_CONTROLPARENT;
            break;
        case ControlKind::Image:
            className = kPictureClass;
            break;
        case ControlKind::Label:
            className = "STATIC";
            style |= SS_LEFT | SS_NOTIFY;
            // Drawn over what lies beneath it (the picture), and clips nothing away.
            if (design.transparent) exStyle |= WS_EX_TRANSPARENT;
            break;
        case ControlKind::GroupBox:
            className = "BUTTON";
            style |= BS_GROUPBOX | WS_CLIPCHILDREN;
            exStyle |= WS_EX_CONTROLPARENT;
            break;
        case ControlKind::RadioButton:
            // The program owns the selection: no automatic checking.
            className = "BUTTON";
            style |= BS_RADIOBUTTON;
            break;
        case ControlKind::Button:
            className = "BUTTON";
            style |= BS_OWNERDRAW | WS_GROUP;
            if (Tabbable(control)) style |= WS_TABSTOP;
            break;
        case ControlKind::ProgressBar:
            className = PROGRESS_CLASSA;
            break;
    }
    if (design.kind == ControlKind::RadioButton) {
        bool first = true;
        for (auto& other : controls_) {
            if (other.get() == &control) break;
            if (other->design.kind == ControlKind::RadioButton && other->design.parentId == design.parentId)
                first = false;
        }
        if (first) style |= WS_GROUP;
    }

    control.hwnd = ::CreateWindowExA(exStyle, className, design.caption.c_str(), style, design.left,
                                     design.top, design.width, design.height, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstChildId + design.id)),
                                     instance_, nullptr);
    if (control.hwnd == nullptr) return;
    ::SendMessageA(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    if (design.kind == ControlKind::GroupBox || design.kind == ControlKind::Button) {
        LONG_PTR original =
            ::SetWindowLongPtrA(control.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc));
        ::SetWindowLongPtrA(control.hwnd, GWLP_USERDATA, original);
    }
    if (design.kind == ControlKind::ProgressBar) {
        ::SendMessageA(control.hwnd, PBM_SETRANGE32, static_cast<WPARAM>(design.rangeMin), design.rangeMax);
        ::SendMessageA(control.hwnd, PBM_SETPOS, static_cast<WPARAM>(design.rangeMin), 0);
    }
    if (design.kind == ControlKind::RadioButton && design.checked)
        ::SendMessageA(control.hwnd, BM_SETCHECK, BST_CHECKED, 0);
    if (design.kind == ControlKind::Button && design.glyph != 0) {
        control.glyph = static_cast<HBITMAP>(
            ::LoadImageA(instance_, MAKEINTRESOURCEA(design.glyph), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (control.glyph != nullptr) {
            BITMAP info{};
            ::GetObjectA(control.glyph, sizeof(info), &info);
            control.glyphWidth = info.bmWidth;
            control.glyphHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
            control.glyphDisabled = MakeDisabledGlyph(control.glyph, control.glyphWidth, control.glyphHeight);
        }
    }
    if (!design.enabled) ::EnableWindow(control.hwnd, FALSE);
}

bool Toolkit::Tabbable(const Control& control) const {
    if (control.design.tabOrder >= 0) return true;
    // An option button is reached through its group when the group is a tab stop.
    if (control.design.kind == ControlKind::RadioButton && control.design.parentId >= 0) {
        for (const auto& other : controls_)
            if (other->design.id == control.design.parentId) return other->design.tabOrder >= 0;
    }
    return false;
}

int Toolkit::FirstTabOrder(const Control& control) const {
    int first = control.design.tabOrder >= 0 ? control.design.tabOrder : INT_MAX;
    for (const auto& child : controls_)
        if (child->design.parentId == control.design.id && child.get() != &control)
            first = std::min(first, FirstTabOrder(*child));
    return first;
}

// The dialog manager tabs through children in z-order, container by container,
// so siblings are stacked by the first tab position found inside each of them.
// Pictures go to the bottom: everything else is drawn over them.
void Toolkit::ArrangeTabOrder(int parentId, HWND parent) {
    std::vector<Control*> children;
    for (auto& control : controls_)
        if (control->design.parentId == parentId && control->hwnd != nullptr &&
            ::GetParent(control->hwnd) == parent)
            children.push_back(control.get());
    std::stable_sort(children.begin(), children.end(), [this](const Control* a, const Control* b) {
        bool aPicture = a->design.kind == ControlKind::Image, bPicture = b->design.kind == ControlKind::Image;
        if (aPicture != bPicture) return bPicture;
        return FirstTabOrder(*a) < FirstTabOrder(*b);
    });
    HWND after = HWND_TOP;
    for (Control* child : children) {
        ::SetWindowPos(child->hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = child->hwnd;
        if (child->design.kind == ControlKind::Panel || child->design.kind == ControlKind::GroupBox)
            ArrangeTabOrder(child->design.id, child->hwnd);
    }
}

// Within a group of option buttons only the selected one is a tab stop, as in
// dialogs: Tab enters the group at the selection and leaves it with the next Tab.
void Toolkit::UpdateRadioTabStops(int parentId) {
    std::vector<Control*> group;
    for (auto& control : controls_)
        if (control->design.kind == ControlKind::RadioButton && control->design.parentId == parentId &&
            control->hwnd != nullptr)
            group.push_back(control.get());
    if (group.empty()) return;
    Control* stop = group.front();
    for (Control* radio : group)
        if (::SendMessageA(radio->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            stop = radio;
            break;
        }
    for (Control* radio : group) {
        LONG_PTR style = ::GetWindowLongPtrA(radio->hwnd, GWL_STYLE);
        bool tab = radio == stop && Tabbable(*radio);
        style = tab ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        ::SetWindowLongPtrA(radio->hwnd, GWL_STYLE, style);
    }
}

Hwnd Toolkit::MainWindow() {
    return reinterpret_cast<Hwnd>(main_);
}

void Toolkit::SetCaption(const std::string& text) {
    if (main_ != nullptr) ::SetWindowTextA(main_, text.c_str());
}

void Toolkit::SetControlText(int id, const std::string& text) {
    Control* control = Find(id);
    if (control == nullptr || control->hwnd == nullptr) return;
    ::SetWindowTextA(control->hwnd, text.c_str());
    // A transparent label leaves its old text behind unless what lies beneath repaints.
    if (control->design.transparent) RedrawUnder(*control);
}

void Toolkit::SetControlVisible(int id, bool visible) {
    Control* control = Find(id);
    if (control == nullptr || control->hwnd == nullptr) return;
    ::ShowWindow(control->hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

void Toolkit::SetControlEnabled(int id, bool enabled) {
    Control* control = Find(id);
    if (control == nullptr || control->hwnd == nullptr) return;
    ::EnableWindow(control->hwnd, enabled ? TRUE : FALSE);
}

void Toolkit::SetControlChecked(int id, bool checked) {
    Control* control = Find(id);
    if (control == nullptr || control->hwnd == nullptr) return;
    ::SendMessageA(control->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (control->design.kind == ControlKind::RadioButton) UpdateRadioTabStops(control->design.parentId);
}

void Toolkit::SetProgressPosition(int id, int position) {
    Control* control = Find(id);
    if (control == nullptr || control->hwnd == nullptr) return;
    ::SendMessageA(control->hwnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Toolkit::SetFocus(int id) {
    Control* control = Find(id);
    if (control == nullptr || control->hwnd == nullptr) return;
    HWND target = control->hwnd;
    // A container cannot hold the focus itself: its selected option, or else its
    // first tab stop, takes it.
    if (control->design.kind == ControlKind::GroupBox || control->design.kind == ControlKind::Panel) {
        HWND first = nullptr;
        for (HWND child = ::GetWindow(control->hwnd, GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            Control* inner = FromWindow(child);
            if (inner == nullptr || !::IsWindowVisible(child) || !::IsWindowEnabled(child)) continue;
            if (inner->design.kind == ControlKind::RadioButton &&
                ::SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                first = child;
                break;
            }
            if (first == nullptr && (::GetWindowLongPtrA(child, GWL_STYLE) & WS_TABSTOP) != 0) first = child;
        }
        if (first != nullptr) target = first;
    }
    ::SetFocus(target);
    lastFocus_ = target;
}

void Toolkit::SetFont(const std::string& face, int pointSize, int charset) {
    HFONT font = MakeFont(face, pointSize, charset);
    if (font == nullptr) return;
    HFONT old = font_;
    font_ = font;
    if (main_ != nullptr) ::SendMessageA(main_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    for (auto& control : controls_)
        if (control->hwnd != nullptr)
            ::SendMessageA(control->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    if (old != nullptr) ::DeleteObject(old);
    if (main_ != nullptr)
        ::RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Toolkit::SetColors(Color windowColor, Color textColor, const std::vector<int>& controlsWithWindowColor) {
    windowColor_ = windowColor;
    textColor_ = textColor;
    for (auto& control : controls_)
        control->windowColor = std::find(controlsWithWindowColor.begin(), controlsWithWindowColor.end(),
                                         control->design.id) != controlsWithWindowColor.end();
    if (main_ != nullptr)
        ::RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool Toolkit::LoadPicture(int id, const std::string& path) {
    Control* control = Find(id);
    if (control == nullptr || control->design.kind != ControlKind::Image) return false;
    if (!control->picture.Load(path)) return false;
    if (control->hwnd != nullptr) ::InvalidateRect(control->hwnd, nullptr, TRUE);
    return true;
}

void Toolkit::ShowMainWindow() {
    if (main_ == nullptr) return;
    RECT frame{};
    ::GetWindowRect(main_, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    ::SetWindowPos(main_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(main_, SW_SHOW);
    ::UpdateWindow(main_);
    ::SetForegroundWindow(main_);
    if (events_ != nullptr) events_->OnShow();
}

void Toolkit::HideMainWindow() {
    if (main_ != nullptr) ::ShowWindow(main_, SW_HIDE);
}

void Toolkit::CloseMainWindow() {
    if (main_ != nullptr) ::DestroyWindow(main_);
}

void Toolkit::RunMessageLoop() {
    if (main_ == nullptr || !::IsWindow(main_)) return;
    MSG message;
    for (;;) {
        BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        Dispatch(message);
    }
}

void Toolkit::ProcessMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave the end of the loop for the message loop to see.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        Dispatch(message);
    }
}

void Toolkit::Dispatch(MSG& message) {
    if (main_ == nullptr || !::IsDialogMessageA(main_, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    RethrowPending();
}

void Toolkit::SetApplicationTitle(const std::string& title) {
    title_ = title;
}

std::string Toolkit::ApplicationTitle() {
    return title_;
}

void Toolkit::ShowInfoBox(const std::string& text) {
    HWND owner = main_ != nullptr && ::IsWindow(main_) ? main_ : nullptr;
    ::MessageBoxA(owner, text.c_str(), title_.c_str(), MB_OK);
}

// Clicks are handed to the program from inside a window procedure; an error
// that escapes the program's handler cannot unwind through the system's frames,
// so it is carried out and raised again once the dispatch has returned.
void Toolkit::Report(int id) {
    if (events_ == nullptr) return;
    try {
        events_->OnControlClick(id);
    } catch (...) {
        if (!pending_) pending_ = std::current_exception();
    }
}

void Toolkit::RethrowPending() {
    if (pending_) {
        std::exception_ptr error = pending_;
        pending_ = nullptr;
        std::rethrow_exception(error);
    }
}

void Toolkit::OnMainDestroyed() {
    main_ = nullptr;
    lastFocus_ = nullptr;
    for (auto& control : controls_) control->hwnd = nullptr;
}

bool Toolkit::HandleChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
        case WM_COMMAND: {
            int id = LOWORD(wParam) - kFirstChildId;
            // BN_CLICKED and STN_CLICKED are both 0.
            if (lParam == 0 || HIWORD(wParam) != BN_CLICKED) return false;
            Control* control = Find(id);
            if (control == nullptr || control->hwnd != reinterpret_cast<HWND>(lParam)) return false;
            Report(id);
            *result = 0;
            return true;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            Control* control = FromWindow(reinterpret_cast<HWND>(lParam));
            if (control == nullptr) return false;
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetTextColor(dc, TextColor());
            if (control->design.transparent) {
                ::SetBkMode(dc, TRANSPARENT);
                *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
            } else {
                COLORREF background = Background(*control);
                ::SetBkColor(dc, background);
                *result = reinterpret_cast<LRESULT>(Brush(background));
            }
            return true;
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            Control* control = item != nullptr ? FromWindow(item->hwndItem) : nullptr;
            if (control == nullptr || control->design.kind != ControlKind::Button) return false;
            DrawButton(*control, *item);
            *result = TRUE;
            return true;
        }
        case WM_SETCURSOR: {
            Control* control = FromWindow(reinterpret_cast<HWND>(wParam));
            if (control == nullptr || !control->design.handCursor || LOWORD(lParam) != HTCLIENT) return false;
            ::SetCursor(hand_);
            *result = TRUE;
            return true;
        }
        default:
            return false;
    }
}

LRESULT CALLBACK Toolkit::MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Toolkit* kit = current;
    LRESULT result = 0;
    if (kit == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    if (kit->HandleChildMessage(message, wParam, lParam, &result)) return result;
    switch (message) {
        case WM_ERASEBKGND: {
            RECT client;
            ::GetClientRect(hwnd, &client);
            ::FillRect(reinterpret_cast<HDC>(wParam), &client, kit->Brush(kit->WindowBackground()));
            return 1;
        }
        case WM_ACTIVATE:
            // Give the focus back to the control that had it when the user returns.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus != nullptr && ::IsChild(hwnd, focus)) kit->lastFocus_ = focus;
            } else if (kit->lastFocus_ != nullptr && ::IsChild(hwnd, kit->lastFocus_) &&
                       ::IsWindowVisible(kit->lastFocus_) && ::IsWindowEnabled(kit->lastFocus_)) {
                ::SetFocus(kit->lastFocus_);
                return 0;
            }
            break;
        case WM_DESTROY:
            if (hwnd == kit->main_) {
                kit->OnMainDestroyed();
                ::PostQuitMessage(0);
            }
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Toolkit::PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Toolkit* kit = current;
    LRESULT result = 0;
    if (kit == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    if (kit->HandleChildMessage(message, wParam, lParam, &result)) return result;
    Control* control = kit->FromWindow(hwnd);
    switch (message) {
        case WM_ERASEBKGND:
            if (control != nullptr) kit->PaintPanel(*control, reinterpret_cast<HDC>(wParam), true);
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(hwnd, &paint);
            if (control != nullptr) kit->PaintPanel(*control, dc, false);
            ::EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            if (control != nullptr) {
                kit->PaintPanel(*control, reinterpret_cast<HDC>(wParam), true);
                kit->PaintPanel(*control, reinterpret_cast<HDC>(wParam), false);
            }
            return 0;
        case WM_SETTEXT: {
            LRESULT set = ::DefWindowProcA(hwnd, message, wParam, lParam);
            ::InvalidateRect(hwnd, nullptr, TRUE);
            return set;
        }
        case WM_SETFONT:
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(kit->font_);
        default:
            break;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Toolkit::PictureProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Toolkit* kit = current;
    if (kit == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    Control* control = kit->FromWindow(hwnd);
    switch (message) {
        case WM_ERASEBKGND: {
            if (control == nullptr) return 0;
            RECT client;
            ::GetClientRect(hwnd, &client);
            ::FillRect(reinterpret_cast<HDC>(wParam), &client, kit->Brush(kit->ParentBackground(*control)));
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(hwnd, &paint);
            if (control != nullptr) control->picture.Draw(dc);
            ::EndPaint(hwnd, &paint);
            return 0;
        }
        default:
            break;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Toolkit::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    Toolkit* kit = current;
    Control* control = kit != nullptr ? kit->FromWindow(hwnd) : nullptr;
    if (control != nullptr && control->design.kind == ControlKind::GroupBox) {
        LRESULT result = 0;
        if (kit->HandleChildMessage(message, wParam, lParam, &result)) return result;
        if (message == WM_ERASEBKGND) {
            // The frame alone is drawn by the system; the inside is the group's colour.
            RECT client;
            ::GetClientRect(hwnd, &client);
            ::FillRect(reinterpret_cast<HDC>(wParam), &client, kit->Brush(kit->Background(*control)));
            return 1;
        }
    }
    // A quick second click is another click, not a double click.
    if (control != nullptr && control->design.kind == ControlKind::Button && message == WM_LBUTTONDBLCLK)
        message = WM_LBUTTONDOWN;
    return ::CallWindowProcA(original, hwnd, message, wParam, lParam);
}

void Toolkit::PaintPanel(const Control& control, HDC dc, bool background) {
    RECT client;
    ::GetClientRect(control.hwnd, &client);
    if (background) {
        ::FillRect(dc, &client, Brush(Background(control)));
        return;
    }
    if (control.design.bevel == Bevel::Lowered) ::DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
    std::string caption = WindowText(control.hwnd);
    if (!caption.empty()) {
        HGDIOBJ old = ::SelectObject(dc, font_);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, TextColor());
        ::DrawTextA(dc, caption.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::SelectObject(dc, old);
    }
}

// A push button with its glyph beside the caption, the pair centred.
void Toolkit::DrawButton(const Control& control, const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT face = item.rcItem;
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    ::FillRect(dc, &face, Brush(Background(control)));
    ::DrawEdge(dc, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    std::string caption = WindowText(item.hwndItem);
    HGDIOBJ oldFont = ::SelectObject(dc, font_);
    RECT measure{0, 0, 0, 0};
    ::DrawTextA(dc, caption.c_str(), -1, &measure, DT_SINGLELINE | DT_CALCRECT);
    int textWidth = measure.right - measure.left;
    int glyphWidth = control.glyph != nullptr ? control.glyphWidth : 0;
    int gap = glyphWidth > 0 && !caption.empty() ? kGlyphGap : 0;
    int shift = pressed ? 1 : 0;
    int x = face.left + (face.right - face.left - (glyphWidth + gap + textWidth)) / 2 + shift;
    int middle = (face.top + face.bottom) / 2 + shift;
    if (glyphWidth > 0) {
        HBITMAP glyph = disabled && control.glyphDisabled != nullptr ? control.glyphDisabled : control.glyph;
        DrawGlyph(dc, glyph, x, middle - control.glyphHeight / 2, control.glyphWidth, control.glyphHeight);
    }
    RECT text{x + glyphWidth + gap, face.top + shift, face.right, face.bottom + shift};
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, disabled ? ::GetSysColor(COLOR_GRAYTEXT) : TextColor());
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if ((item.itemState & ODS_NOACCEL) != 0) format |= DT_HIDEPREFIX;
    ::DrawTextA(dc, caption.c_str(), -1, &text, format);
    ::SelectObject(dc, oldFont);

    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        RECT focus = item.rcItem;
        ::InflateRect(&focus, -4, -4);
        ::DrawFocusRect(dc, &focus);
    }
}

void Toolkit::RedrawUnder(const Control& control) {
    HWND parent = ::GetParent(control.hwnd);
    RECT area;
    ::GetWindowRect(control.hwnd, &area);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

Toolkit::Control* Toolkit::Find(int id) {
    for (auto& control : controls_)
        if (control->design.id == id) return control.get();
    return nullptr;
}

Toolkit::Control* Toolkit::FromWindow(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    for (auto& control : controls_)
        if (control->hwnd == hwnd) return control.get();
    return nullptr;
}

COLORREF Toolkit::WindowBackground() const {
    return Resolve(windowColor_);
}

COLORREF Toolkit::TextColor() const {
    return Resolve(textColor_);
}

COLORREF Toolkit::ParentBackground(const Control& control) {
    Control* parent = control.design.parentId >= 0 ? Find(control.design.parentId) : nullptr;
    return parent != nullptr ? Background(*parent) : WindowBackground();
}

COLORREF Toolkit::Background(const Control& control) {
    // Pictures and labels have no colour of their own; they show their parent's.
    if (control.design.kind == ControlKind::Image || control.design.kind == ControlKind::Label)
        return ParentBackground(control);
    return control.windowColor ? WindowBackground() : Resolve(kBtnFace);
}

HBRUSH Toolkit::Brush(COLORREF color) {
    auto found = brushes_.find(color);
    if (found != brushes_.end()) return found->second;
    HBRUSH brush = ::CreateSolidBrush(color);
    brushes_[color] = brush;
    return brush;
}

}  // namespace plat::win32
