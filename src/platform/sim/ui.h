// The headless toolkit of the simulated PC: it keeps the state of the main
// window and its controls where tests can read it, and plays scripted user
// actions in its message loop.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace sim {

class SimPc;

struct SimControl {
    plat::ControlSpec design;  // as created
    std::string text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    int position = 0;
    std::string picture;  // file loaded into a picture control
};

class SimUi : public plat::UiApi {
public:
    explicit SimUi(SimPc& pc) : pc_(pc) {}

    void CreateMainWindow(const plat::WindowSpec& window, const std::vector<plat::ControlSpec>& controls,
                          plat::UiEvents* events) override;
    plat::Hwnd MainWindow() override { return created ? kMainWindow : 0; }
    void SetCaption(const std::string& text) override;
    void SetControlText(int id, const std::string& text) override;
    void SetControlVisible(int id, bool visible) override;
    void SetControlEnabled(int id, bool enabled) override;
    void SetControlChecked(int id, bool checked) override;
    void SetProgressPosition(int id, int position) override;
    void SetFocus(int id) override;
    void SetFont(const std::string& face, int pointSize, int charset) override;
    void SetColors(plat::Color windowColor, plat::Color textColor,
                   const std::vector<int>& withWindowColor) override;
    bool LoadPicture(int id, const std::string& path) override;
    void ShowMainWindow() override;
    void HideMainWindow() override;
    void CloseMainWindow() override;
    void RunMessageLoop() override;
    void ProcessMessages() override { ++processMessagesCalls; }
    void SetApplicationTitle(const std::string& title) override;
    std::string ApplicationTitle() override { return applicationTitle; }
    void ShowInfoBox(const std::string& text) override;

    // Failure injection: each call below can be failed by its name; a failed
    // call has no effect, as when the Windows call behind it fails, and a failed
    // CreateMainWindow leaves the program without a window (the message loop
    // then ends at once).
    //
    // A user's click on a control, as the real toolkit reports it: nothing
    // happens when the control or one of its parents is hidden or disabled.
    void Click(const std::string& name);
    SimControl& Control(const std::string& name);
    // Shown and usable: the control and all its parents are visible (enabled).
    bool Showing(const std::string& name);
    bool Usable(const std::string& name);

    // User actions played by the message loop, in order: "click:<control>" or
    // "close" (the close box). When the script runs out the user closes the window.
    std::deque<std::string> script;

    static constexpr plat::Hwnd kMainWindow = 0x2000;
    bool created = false;
    bool shown = false;
    bool closed = false;
    plat::WindowSpec window;
    std::vector<SimControl> controls;
    std::string caption;
    std::string fontFace;
    int fontSize = 0;
    int fontCharset = 0;
    plat::Color windowColor = 0;
    plat::Color textColor = 0;
    std::vector<int> controlsWithWindowColor;
    int focus = -1;
    std::string applicationTitle;
    int processMessagesCalls = 0;
    int showEvents = 0;

private:
    SimControl& At(int id);
    // A control call as the toolkit makes it: false when the Windows call
    // behind it failed (an injected failure) or there is no window, so the
    // call has no effect; the toolkit does not report either.
    SimControl* Changing(const char* call, int id);
    SimPc& pc_;
    plat::UiEvents* events_ = nullptr;
};

}  // namespace sim
