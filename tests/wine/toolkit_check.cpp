// Drives the real window toolkit with the program's own layout, through the
// calls that setup makes when it dresses its window, so that the Wine tests
// can look at the result: colours, the status strip, a disabled button, and
// pictures of each kind loaded into the picture control.
//
//   toolkit_check PICTURE...
//
// Each picture is loaded in turn (one line "PICTURE <path> loaded=0|1" each);
// the last one that loaded stays shown. Clicking Exit or the close box ends it.
#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/toolkit.h"
#include "resources/layout.h"

namespace {

class Events : public plat::UiEvents {
public:
    explicit Events(plat::UiApi& ui) : ui_(ui) {}
    void OnControlClick(int id) override {
        std::printf("CLICK %d\n", id);
        std::fflush(stdout);
        if (id == setup::ExitButton) ui_.CloseMainWindow();
    }
    void OnShow() override {
        std::printf("SHOWN\n");
        std::fflush(stdout);
        ui_.SetFocus(setup::ExitButton);
    }

private:
    plat::UiApi& ui_;
};

}  // namespace

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
    plat::win32::Toolkit ui(GetModuleHandleA(nullptr));
    Events events(ui);
    ui.CreateMainWindow(setup::MainWindowSpec(), setup::MainWindowControls(), &events);
    ui.SetCaption("Toolkit check");
    ui.SetFont("Tahoma", 8, 1);
    // Light green window, navy text; the frame panels and the product choice
    // take the window's colour, the status strip keeps the button face.
    ui.SetColors(0x00C0FFC0u, 0x00800000u,
                 {setup::Panel1, setup::Panel2, setup::Panel4, setup::Panel41, setup::Panel42,
                  setup::GroupBox1, setup::RadioButton1, setup::RadioButton2});
    ui.SetControlText(setup::GroupBox1, "Product");
    ui.SetControlText(setup::RadioButton1, "USB");
    ui.SetControlText(setup::RadioButton2, "RS-232");
    ui.SetControlText(setup::InstallButton, "Install (&i)");
    ui.SetControlText(setup::ExitButton, "Quit (&x)");
    ui.SetControlEnabled(setup::InstallButton, false);
    ui.SetControlVisible(setup::Panel6, true);
    ui.SetProgressPosition(setup::ProgressBar1, 2);
    for (int i = 1; i < argc; ++i) {
        bool loaded = ui.LoadPicture(setup::Image1, argv[i]);
        std::printf("PICTURE %s loaded=%d\n", argv[i], loaded ? 1 : 0);
    }
    std::fflush(stdout);
    ui.ShowMainWindow();
    ui.RunMessageLoop();
    return 0;
}
