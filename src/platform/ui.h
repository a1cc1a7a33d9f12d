// The window toolkit: one main window with a fixed set of child controls, the
// application object (title, message processing, message loop) and the
// information box. The program describes its controls as plain data; each
// backend realises them (real Win32 windows, or a headless model that tests read).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace plat {

enum class ControlKind { Panel, Image, Label, GroupBox, RadioButton, Button, ProgressBar };
enum class Bevel { None, Lowered };

// The picture files UiApi::LoadPicture takes, by their extension in lower case.
inline constexpr const char* kPictureExtensions[] = {"bmp", "jpg", "jpeg", "gif", "ico", "emf", "wmf"};

// A toolkit colour: 0x00BBGGRR, or 0xFF000000 + n for system colour n.
using Color = std::uint32_t;

struct ControlSpec {
    int id = 0;        // index in the window's control list, also the child window id
    std::string name;  // design name, e.g. "InstallButton"
    ControlKind kind = ControlKind::Panel;
    int parentId = -1;  // -1: the window itself
    int left = 0, top = 0, width = 0, height = 0;
    std::string caption;
    bool visible = true;
    bool enabled = true;
    bool checked = false;  // option buttons
    int tabOrder = -1;     // -1: not a tab stop
    bool handCursor = false;
    Bevel bevel = Bevel::None;
    bool transparent = false;
    int rangeMin = 0, rangeMax = 100;  // progress bars
    int glyph = 0;  // picture shown beside a push button's caption (resource number, 0 none)
};

struct WindowSpec {
    std::string className;  // e.g. "TVEXA_Form1"
    int clientWidth = 0;
    int clientHeight = 0;
    std::string caption;
    std::string fontName;  // design-time font
    int fontSize = 8;
    int fontCharset = 1;  // DEFAULT_CHARSET
};

// What the toolkit reports back to the program.
class UiEvents {
public:
    virtual ~UiEvents() = default;
    virtual void OnControlClick(int id) = 0;
    virtual void OnShow() = 0;
};

class UiApi {
public:
    virtual ~UiApi() = default;
    // Creates the main window hidden, with all controls.
    virtual void CreateMainWindow(const WindowSpec& window, const std::vector<ControlSpec>& controls,
                                  UiEvents* events) = 0;
    virtual Hwnd MainWindow() = 0;
    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetControlText(int id, const std::string& text) = 0;
    virtual void SetControlVisible(int id, bool visible) = 0;
    virtual void SetControlEnabled(int id, bool enabled) = 0;
    virtual void SetControlChecked(int id, bool checked) = 0;
    virtual void SetProgressPosition(int id, int position) = 0;
    virtual void SetFocus(int id) = 0;
    virtual void SetFont(const std::string& face, int pointSize, int charset) = 0;
    // Colours of the window and of the given controls (the others keep their own).
    virtual void SetColors(Color windowColor, Color textColor,
                           const std::vector<int>& controlsWithWindowColor) = 0;
    // Loads a bitmap, JPEG, GIF, icon or metafile into a picture control; false when it cannot.
    virtual bool LoadPicture(int id, const std::string& path) = 0;
    // Centres and shows the window; the toolkit then reports OnShow.
    virtual void ShowMainWindow() = 0;
    // Hides the main window; it stays, and ShowMainWindow shows it again.
    virtual void HideMainWindow() = 0;
    virtual void CloseMainWindow() = 0;
    // Runs until the main window is closed.
    virtual void RunMessageLoop() = 0;
    // Dispatches all pending window messages and returns.
    virtual void ProcessMessages() = 0;
    virtual void SetApplicationTitle(const std::string& title) = 0;
    virtual std::string ApplicationTitle() = 0;
    // The toolkit's information box: text, one OK button, no icon, the application
    // title as caption, owned by the active window.
    virtual void ShowInfoBox(const std::string& text) = 0;
};

}  // namespace plat
