#include "resources/layout.h"

#include "resources/resource_ids.h"

namespace setup {

plat::WindowSpec MainWindowSpec() {
    plat::WindowSpec design;
    design.className = "TVEXA_Form1";
    design.clientWidth = 525;
    design.clientHeight = 346;
    design.caption = "VEXA_Form1";
    // Used only when the system's caption font cannot be read.
    design.fontName = "MS Sans Serif";
    design.fontSize = 8;
    design.fontCharset = 1;  // DEFAULT_CHARSET
    return design;
}

std::vector<plat::ControlSpec> MainWindowControls() {
    using plat::Bevel;
    using plat::ControlKind;
    auto make = [](ControlId id, const char* name, ControlKind kind, int parent, int left, int top, int width,
                   int height) {
        plat::ControlSpec design;
        design.id = id;
        design.name = name;
        design.kind = kind;
        design.parentId = parent;
        design.left = left;
        design.top = top;
        design.width = width;
        design.height = height;
        return design;
    };
    std::vector<plat::ControlSpec> controls(ControlCount);
    controls[Panel1] = make(Panel1, "Panel1", ControlKind::Panel, -1, 0, 0, 525, 346);
    controls[Panel2] = make(Panel2, "Panel2", ControlKind::Panel, Panel1, 2, 2, 522, 322);
    controls[Panel2].bevel = Bevel::Lowered;
    // The picture fills the panel's client area inside the bevel.
    controls[Image1] = make(Image1, "Image1", ControlKind::Image, Panel2, 1, 1, 520, 320);
    controls[Label1] = make(Label1, "Label1", ControlKind::Label, Panel2, 0, 309, 15, 13);
    controls[Label1].caption = "     ";
    controls[Label1].transparent = true;
    controls[GroupBox1] = make(GroupBox1, "GroupBox1", ControlKind::GroupBox, Panel2, 249, 141, 250, 73);
    controls[GroupBox1].caption = "GroupBox1";
    controls[GroupBox1].tabOrder = 0;
    controls[RadioButton1] =
        make(RadioButton1, "RadioButton1", ControlKind::RadioButton, GroupBox1, 21, 21, 220, 17);
    controls[RadioButton1].caption = "RadioButton1";
    controls[RadioButton1].checked = true;
    controls[RadioButton1].tabOrder = 0;
    controls[RadioButton2] =
        make(RadioButton2, "RadioButton2", ControlKind::RadioButton, GroupBox1, 21, 45, 220, 17);
    controls[RadioButton2].caption = "RadioButton2";
    controls[RadioButton2].tabOrder = 1;
    controls[Panel41] = make(Panel41, "Panel41", ControlKind::Panel, Panel2, 248, 225, 250, 37);
    controls[InstallButton] =
        make(InstallButton, "InstallButton", ControlKind::Button, Panel41, 1, 1, 248, 35);
    controls[InstallButton].caption = "Install";
    controls[InstallButton].tabOrder = 2;
    controls[InstallButton].handCursor = true;
    controls[InstallButton].glyph = IDB_GLYPH_INSTALL;
    controls[Panel42] = make(Panel42, "Panel42", ControlKind::Panel, Panel2, 248, 272, 250, 37);
    controls[ExitButton] = make(ExitButton, "ExitButton", ControlKind::Button, Panel42, 1, 1, 248, 35);
    controls[ExitButton].caption = "Exit";
    controls[ExitButton].tabOrder = 1;
    controls[ExitButton].handCursor = true;
    controls[ExitButton].glyph = IDB_GLYPH_EXIT;
    controls[Panel4] = make(Panel4, "Panel4", ControlKind::Panel, Panel2, 10, 225, 250, 37);
    controls[Panel4].visible = false;
    controls[UninstallButton] =
        make(UninstallButton, "UninstallButton", ControlKind::Button, Panel4, 0, 0, 250, 37);
    controls[UninstallButton].caption = "Uninstall";
    controls[UninstallButton].tabOrder = 3;
    controls[UninstallButton].handCursor = true;
    controls[UninstallButton].glyph = IDB_GLYPH_UNINSTALL;
    controls[Panel6] = make(Panel6, "Panel6", ControlKind::Panel, Panel1, 2, 327, 522, 17);
    controls[Panel6].bevel = Bevel::Lowered;
    controls[Panel6].visible = false;
    controls[ProgressBar1] =
        make(ProgressBar1, "ProgressBar1", ControlKind::ProgressBar, Panel6, 18, 0, 505, 17);
    controls[ProgressBar1].rangeMin = 0;
    controls[ProgressBar1].rangeMax = 4;
    return controls;
}

}  // namespace setup
