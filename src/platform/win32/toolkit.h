// The window toolkit on real Win32 windows: the main window of the program's
// class, its child controls nested in panels and a group box, the message loop
// and the information box.
#pragma once

#include <windows.h>

#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/picture.h"

namespace plat::win32 {

class Toolkit : public UiApi {
public:
    // Child window ids are the control ids moved past the ids that the dialog
    // manager sends by itself (IDOK, IDCANCEL), since control ids start at 0.
    static constexpr int kFirstChildId = 1000;

    explicit Toolkit(HINSTANCE instance);
    ~Toolkit() override;
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    void CreateMainWindow(const WindowSpec& window, const std::vector<ControlSpec>& controls,
                          UiEvents* events) override;
    Hwnd MainWindow() override;
    void SetCaption(const std::string& text) override;
    void SetControlText(int id, const std::string& text) override;
    void SetControlVisible(int id, bool visible) override;
    void SetControlEnabled(int id, bool enabled) override;
    void SetControlChecked(int id, bool checked) override;
    void SetProgressPosition(int id, int position) override;
    void SetFocus(int id) override;
    void SetFont(const std::string& face, int pointSize, int charset) override;
    void SetColors(Color windowColor, Color textColor,
                   const std::vector<int>& controlsWithWindowColor) override;
    bool LoadPicture(int id, const std::string& path) override;
    void ShowMainWindow() override;
    void HideMainWindow() override;
    void CloseMainWindow() override;
    void RunMessageLoop() override;
    void ProcessMessages() override;
    void SetApplicationTitle(const std::string& title) override;
    std::string ApplicationTitle() override;
    void ShowInfoBox(const std::string& text) override;

private:
    struct Control {
        ControlSpec design;
        HWND hwnd = nullptr;
        bool windowColor = false;  // painted in the window's colour instead of its own
        HBITMAP glyph = nullptr;
        HBITMAP glyphDisabled = nullptr;
        int glyphWidth = 0;
        int glyphHeight = 0;
        Picture picture;
    };

    static LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PictureProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    void RegisterClasses(const std::string& mainClass);
    void CreateControl(Control& control, std::vector<bool>& created);
    void ArrangeTabOrder(int parentId, HWND parent);
    int FirstTabOrder(const Control& control) const;
    void UpdateRadioTabStops(int parentId);
    bool Tabbable(const Control& control) const;

    // Messages that children send to their parent: clicks, colours, owner
    // drawing and the cursor. Panels and the group box pass them here too, so
    // controls nested in them reach the program like direct children.
    bool HandleChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void Dispatch(MSG& message);
    void Report(int id);
    void RethrowPending();
    void OnMainDestroyed();

    void PaintPanel(const Control& control, HDC dc, bool background);
    void DrawButton(const Control& control, const DRAWITEMSTRUCT& item);
    void RedrawUnder(const Control& control);

    Control* Find(int id);
    Control* FromWindow(HWND hwnd);
    COLORREF Background(const Control& control);
    COLORREF ParentBackground(const Control& control);
    COLORREF WindowBackground() const;
    COLORREF TextColor() const;
    HBRUSH Brush(COLORREF color);

    HINSTANCE instance_;
    HWND main_ = nullptr;
    HWND lastFocus_ = nullptr;
    UiEvents* events_ = nullptr;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<COLORREF, HBRUSH> brushes_;
    HFONT font_ = nullptr;
    HCURSOR hand_ = nullptr;
    Color windowColor_;
    Color textColor_;
    std::string title_;
    std::exception_ptr pending_;
    bool classesRegistered_ = false;
};

}  // namespace plat::win32
