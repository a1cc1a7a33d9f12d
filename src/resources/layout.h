// The main window's design: its size, its controls and their settings.
#pragma once

#include <vector>

#include "platform/ui.h"

namespace setup {

// Control ids: the index of each control in MainWindowControls().
enum ControlId : int {
    Panel1,
    Panel2,
    Image1,
    Label1,
    GroupBox1,
    RadioButton1,
    RadioButton2,
    Panel41,
    InstallButton,
    Panel42,
    ExitButton,
    Panel4,
    UninstallButton,
    Panel6,
    ProgressBar1,
    ControlCount
};

plat::WindowSpec MainWindowSpec();
std::vector<plat::ControlSpec> MainWindowControls();

}  // namespace setup
