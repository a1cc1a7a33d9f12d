#include "shell/form.h"

#include <exception>

#include "config/ini_file.h"
#include "platform/os.h"
#include "shell/trace.h"
#include "system/package_tools.h"
#include "system/services.h"

namespace setup {

TVEXA_Form1::TVEXA_Form1() : controls_(MainWindowControls()) {}

TVEXA_Form1::~TVEXA_Form1() = default;

void TVEXA_Form1::HandleEvent(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        FatalErrorHandler(error.what());
    }
}

void TVEXA_Form1::Create() {
    plat::os().Ui().CreateMainWindow(MainWindowSpec(), controls_, this);
    HandleEvent([this] { FormCreate(); });
}

void TVEXA_Form1::OnControlClick(int id) {
    HandleEvent([this, id] {
        switch (id) {
            case InstallButton:
                InstallButtonClick();
                break;
            case ExitButton:
                ExitButtonClick();
                break;
            case UninstallButton:
                UninstallButtonClick();
                break;
            case RadioButton1:
            case RadioButton2:
                SetChecked(static_cast<ControlId>(id), true);
                break;
            case Label1:
                Label1Click();
                break;
            default:
                break;
        }
    });
}

void TVEXA_Form1::OnShow() {
    HandleEvent([this] { FormShow(); });
}

void TVEXA_Form1::SetCaption(ControlId id, const std::string& text) {
    controls_[id].caption = text;
    plat::os().Ui().SetControlText(id, text);
}

void TVEXA_Form1::SetVisible(ControlId id, bool visible) {
    controls_[id].visible = visible;
    plat::os().Ui().SetControlVisible(id, visible);
}

void TVEXA_Form1::SetEnabled(ControlId id, bool enabled) {
    controls_[id].enabled = enabled;
    plat::os().Ui().SetControlEnabled(id, enabled);
}

void TVEXA_Form1::SetChecked(ControlId id, bool checked) {
    if (controls_[id].checked == checked) return;
    controls_[id].checked = checked;
    plat::os().Ui().SetControlChecked(id, checked);
    if (!checked) return;
    ControlId other = id == RadioButton1 ? RadioButton2 : RadioButton1;
    if (controls_[other].checked) {
        controls_[other].checked = false;
        plat::os().Ui().SetControlChecked(other, false);
    }
    if (id == RadioButton1)
        RadioButton1Click();
    else
        RadioButton2Click();
}

void TVEXA_Form1::FormShow() {
    plat::os().Ui().SetFocus(controls_[GroupBox1].visible ? GroupBox1 : InstallButton);
}

void TVEXA_Form1::InstallButtonClick() {
    InstallProcedure();
}

void TVEXA_Form1::ExitButtonClick() {
    plat::os().Ui().CloseMainWindow();
    ExitSetup();
}

void TVEXA_Form1::UninstallButtonClick() {
    UninstallProcedure();
}

void TVEXA_Form1::RadioButton1Click() {
    StepCode = 75;
    ProductKind = 0;
}

void TVEXA_Form1::RadioButton2Click() {
    StepCode = 76;
    ProductKind = 1;
}

void TVEXA_Form1::Label1Click() {
    std::string version = "3.23", package = "0", release = "R100614";
    if (SetupIni) {
        version = SetupIni->ReadString("system", "version", version);
        package = SetupIni->ReadString("system", "package", package);
        release = SetupIni->ReadString("system", "release", release);
    }
    plat::os().Ui().ShowInfoBox("*Ostrel Touch Screen Setup Program version 2.83." + version + "." + package +
                                "." + release);
}

void TVEXA_Form1::StopTouchTools() {
    StepCode = 72;
    LogLine("CloseAPI");
    plat::Os& os = plat::os();
    // A tool normally closes on the first request; one that has not closed
    // after this many rounds is hung, and an unattended install must not wait
    // for it forever. The install goes on; files the tool still holds are then
    // handled like any file in use.
    for (int round = 0; round < kStopTouchToolsRounds; ++round) {
        plat::Hwnd tool = os.Windows().FindWindowA(std::string(kTouchToolClass), std::nullopt);
        if (tool == 0) return;
        os.Windows().SendMessageA(tool, kToolMessage, kCloseToolParam, 0);
        os.Clock().Sleep(1000);
    }
    LogLine("CloseAPI: touch tool still running");
}

void TVEXA_Form1::WaitWithMessages(std::int32_t rounds) {
    StepCode = 77;
    if (rounds < 0) return;
    plat::Os& os = plat::os();
    for (std::int32_t i = 0; i <= rounds; ++i) {
        os.Ui().ProcessMessages();
        os.Clock().Sleep(10);
    }
}

void TVEXA_Form1::LogLine(const std::string& text) {
    setup::LogLine(text);
}

void TVEXA_Form1::ExitSetup() {
    if (PcaStoppedBySetup) {
        // Startup may have stopped waiting for the stop (a time-out, a failed
        // status poll) while the service was still stopping; it refuses the
        // start until then. Wait for the stop to end and ask again.
        if (StartServiceWait("PcaSvc", 10) == ServiceFailed && WaitWhileServiceStops("PcaSvc", 10))
            StartServiceWait("PcaSvc", 10);
    }
    plat::EndProcess(0);
}

void TVEXA_Form1::FatalErrorHandler(const std::string& errorMessage) {
    std::string report =
        "This program can't continue to complete the task !!!\n"
        "Please report below messages to support center\n"
        "SOURCE=" +
        std::to_string(StepCode) + "\n" + "ERROR MSG=" + errorMessage;
    plat::Os& os = plat::os();
    os.Windows().MessageBoxA(os.Ui().MainWindow(), report, "Fatal error !!!", 0x30);
    ExitSetup();
}

}  // namespace setup
