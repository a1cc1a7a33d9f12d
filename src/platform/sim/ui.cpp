#include "platform/sim/ui.h"

#include "platform/sim/machine.h"

namespace sim {

void SimUi::CreateMainWindow(const plat::WindowSpec& design, const std::vector<plat::ControlSpec>& designs,
                             plat::UiEvents* events) {
    if (pc_.TakeFailure("CreateMainWindow", design.className)) return;
    window = design;
    caption = design.caption;
    fontFace = design.fontName;
    fontSize = design.fontSize;
    fontCharset = design.fontCharset;
    controls.clear();
    for (const auto& control : designs) {
        SimControl state;
        state.design = control;
        state.text = control.caption;
        state.visible = control.visible;
        state.enabled = control.enabled;
        state.checked = control.checked;
        state.position = control.rangeMin;
        controls.push_back(state);
    }
    events_ = events;
    created = true;
}

SimControl& SimUi::At(int id) {
    if (id < 0 || static_cast<size_t>(id) >= controls.size())
        throw HarnessFailure{"no control with id " + std::to_string(id)};
    return controls[static_cast<size_t>(id)];
}

SimControl* SimUi::Changing(const char* call, int id) {
    std::string name = id >= 0 && static_cast<size_t>(id) < controls.size()
                           ? controls[static_cast<size_t>(id)].design.name
                           : std::string();
    if (pc_.TakeFailure(call, name) || !created) return nullptr;
    return &At(id);
}

void SimUi::SetCaption(const std::string& text) {
    if (!pc_.TakeFailure("SetCaption", text) && created) caption = text;
}

void SimUi::SetControlText(int id, const std::string& text) {
    if (SimControl* control = Changing("SetControlText", id)) control->text = text;
}

void SimUi::SetControlVisible(int id, bool visible) {
    if (SimControl* control = Changing("SetControlVisible", id)) control->visible = visible;
}

void SimUi::SetControlEnabled(int id, bool enabled) {
    if (SimControl* control = Changing("SetControlEnabled", id)) control->enabled = enabled;
}

void SimUi::SetControlChecked(int id, bool checked) {
    if (SimControl* control = Changing("SetControlChecked", id)) control->checked = checked;
}

void SimUi::SetProgressPosition(int id, int position) {
    if (SimControl* control = Changing("SetProgressPosition", id)) control->position = position;
}

void SimUi::SetFocus(int id) {
    if (Changing("SetFocus", id)) focus = id;
}

void SimUi::CloseMainWindow() {
    if (!pc_.TakeFailure("CloseMainWindow")) closed = true;
}

void SimUi::SetApplicationTitle(const std::string& title) {
    if (!pc_.TakeFailure("SetApplicationTitle", title)) applicationTitle = title;
}

SimControl& SimUi::Control(const std::string& name) {
    for (auto& control : controls)
        if (control.design.name == name) return control;
    throw HarnessFailure{"no control named " + name};
}

bool SimUi::Showing(const std::string& name) {
    for (const SimControl* control = &Control(name);;) {
        if (!control->visible) return false;
        if (control->design.parentId < 0) return true;
        control = &At(control->design.parentId);
    }
}

bool SimUi::Usable(const std::string& name) {
    if (!Showing(name)) return false;
    for (const SimControl* control = &Control(name);;) {
        if (!control->enabled) return false;
        if (control->design.parentId < 0) return true;
        control = &At(control->design.parentId);
    }
}

void SimUi::SetFont(const std::string& face, int pointSize, int charset) {
    if (pc_.TakeFailure("SetFont", face) || !created) return;
    fontFace = face;
    fontSize = pointSize;
    fontCharset = charset;
}

void SimUi::SetColors(plat::Color windowColorValue, plat::Color textColorValue,
                      const std::vector<int>& withWindowColor) {
    if (pc_.TakeFailure("SetColors") || !created) return;
    windowColor = windowColorValue;
    textColor = textColorValue;
    controlsWithWindowColor = withWindowColor;
}

bool SimUi::LoadPicture(int id, const std::string& path) {
    if (pc_.TakeFailure("LoadPicture", path) || !created) return false;
    if (!pc_.files.Exists(pc_.files.Resolve(path))) return false;
    At(id).picture = pc_.files.Resolve(path);
    return true;
}

void SimUi::ShowMainWindow() {
    if (pc_.TakeFailure("ShowMainWindow") || !created) return;
    shown = true;
    ++showEvents;
    if (events_ != nullptr) events_->OnShow();
}

void SimUi::HideMainWindow() {
    if (pc_.TakeFailure("HideMainWindow") || !created) return;
    shown = false;
}

void SimUi::RunMessageLoop() {
    // A failed message retrieval ends the loop, as the toolkit's loop does.
    if (pc_.TakeFailure("RunMessageLoop") || !created) return;
    while (!closed) {
        if (script.empty()) {
            closed = true;  // the user closes the window with its close box
            break;
        }
        std::string action = script.front();
        script.pop_front();
        if (action == "close")
            closed = true;
        else if (action.starts_with("click:"))
            Click(action.substr(6));
        else
            throw HarnessFailure{"unknown user action " + action};
    }
}

void SimUi::Click(const std::string& name) {
    SimControl& control = Control(name);
    if (!shown || closed || !Usable(name)) return;
    if (events_ != nullptr) events_->OnControlClick(control.design.id);
}

void SimUi::ShowInfoBox(const std::string& text) {
    // The toolkit does not look at the box's result: a box that could not be shown is not noticed.
    if (pc_.TakeFailure("ShowInfoBox", text)) return;
    pc_.windows.RecordBox(BoxKind::InfoBox, created && !closed ? kMainWindow : 0, text, applicationTitle,
                          plat::kMbOk);
}

}  // namespace sim
