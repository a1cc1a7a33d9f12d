// The main window and the setup state it holds.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/wintypes.h"
#include "resources/layout.h"

namespace config {
class IniFile;
}

namespace setup {

// What the command line asks for. Only the first two arguments count: the
// first without regard to case, the second exactly.
struct CommandSwitch {
    enum Kind { None, Install, Uninstall, BadProduct } kind = None;
    std::int32_t product = -1;  // for Install: 0 USB, 1 RS-232
};
CommandSwitch ParseCommandLine(const std::vector<std::string>& arguments);

// The entry point of Wow64EnableWow64FsRedirection on 64-bit Windows (0 when
// missing), looked up at startup for switching file-system redirection
// around writes into the native system folders.
extern plat::ProcAddress Wow64EnableFsRedirection;

// The language code of the language pack for the system's abbreviated language name.
std::string MapLanguageCode(const std::string& answer);

std::int32_t MulDivRounded(std::int32_t number, std::int32_t numerator, std::int32_t denominator);

class TVEXA_Form1 : public plat::UiEvents {
public:
    TVEXA_Form1();
    ~TVEXA_Form1() override;
    TVEXA_Form1(const TVEXA_Form1&) = delete;
    TVEXA_Form1& operator=(const TVEXA_Form1&) = delete;

    // Creates the window hidden and runs the startup sequence under the
    // fatal-error handler. Returns when the window is to be shown.
    void Create();

    // Window events.
    void FormCreate();
    void FormShow();
    void InstallButtonClick();
    void ExitButtonClick();
    void UninstallButtonClick();
    void RadioButton1Click();
    void RadioButton2Click();
    void Label1Click();

    // Shell routines used by the procedures.
    void StopTouchTools();
    void WaitWithMessages(std::int32_t rounds);
    [[noreturn]] void ExitSetup();
    [[noreturn]] void FatalErrorHandler(const std::string& errorMessage);
    void LogLine(const std::string& text);

    // System queries of the startup sequence.
    bool GetCaptionFont(std::string& name, std::uint8_t& charset, std::int32_t& size);
    bool IsWow64();
    std::string GetCurrentUserName();
    std::int32_t IsAdministrator();  // 0 guest (and every failure), 1 user, 2 administrator

    // Devices and registry: HID discovery, INF models and controller
    // selection, OEM INF removal, driver and device settings, registry
    // cleanup, the restart offer and the device rescan.
    std::string FindHidDevicePath(const std::string& hardwareIdText);
    std::string FindHidMapper(std::int32_t vendorId, std::int32_t productId);
    void ReadUsbInfModels();
    void SelectConnectedDevice();
    void RemoveOemInfsSerial(bool remove);
    void RemoveOemInfsUsb(bool remove);
    void SetNtUsbRegistry();
    void SetC3UsbRegistry();
    void SetNtSerialRegistry();
    void CleanUsbRegistry();
    void CleanUsbDeviceRegistry();
    void CleanSerialRegistry();
    [[noreturn]] void RebootWindows(const std::string& question);
    std::int32_t RescanDevices();

    // The install and uninstall runs, their product-specific middles and the
    // Plug-and-Play endings of an install, each of which ends the process.
    void InstallProcedure();
    void UninstallProcedure();
    bool InstallUsbProduct();
    bool InstallSerialProduct();
    bool UninstallUsbProduct();
    bool UninstallSerialProduct();
    [[noreturn]] void VistaUsbProcedure();
    [[noreturn]] void Win2000UsbProcedure();
    [[noreturn]] void SerialPnpProcedure();

    // Files on the target PC: the installed configuration files, the staged
    // driver package, the file sets and their removal, shortcuts and
    // additional files, and the per-user leftovers.
    void WriteSetupIni(const std::string& path);
    void BuildTouchCfgIni(const std::string& path);
    void GenerateInf();
    void CopyFileLogged(const std::string& source, const std::string& destination, std::uint8_t failIfExists);
    std::string GetSpecialFolder(std::int32_t csidl);
    void CopyNtUsbFiles();
    void CopyNtSerialFiles();
    void DeleteNtUsbFiles();
    void DeleteNtSerialFiles();
    bool CreateShellLink(const std::string& target, const std::string& description,
                         const std::string& linkFile, const std::string& iconFile);
    bool CreateShellLinkWithArgs(const std::string& target, const std::string& arguments,
                                 const std::string& description, const std::string& linkFile,
                                 const std::string& iconFile);
    void CreateLinks();
    void CopyAdditionalFiles();
    void DeleteAdditionalFiles();
    void CleanVirtualStore();

    // Toolkit events, each run under the fatal-error handler.
    void OnControlClick(int id) override;
    void OnShow() override;

    // Control state as the program set it.
    void SetCaption(ControlId id, const std::string& text);
    void SetVisible(ControlId id, bool visible);
    void SetEnabled(ControlId id, bool enabled);
    // Selecting an option that was not selected runs its click handler, and
    // unselects the other option of the group.
    void SetChecked(ControlId id, bool checked);
    bool Checked(ControlId id) const { return controls_[id].checked; }
    bool Visible(ControlId id) const { return controls_[id].visible; }

    // The setup state.
    bool PcaStoppedBySetup = false;
    std::string UiFontName;
    std::uint8_t UiFontCharset = 0;
    std::int32_t UiFontSize = 0;
    std::string WindowsDir;
    std::string SourceDir;
    std::string TargetSubDir;
    std::string DeviceHwId;
    std::string DeviceDescText;
    std::vector<std::string> HwIdList;
    std::vector<std::string> HwDescList;
    std::string LangCode;
    std::array<std::string, 21> UiTexts;
    std::int32_t ProductKind = 0;
    std::int32_t Is64Bit = 0;
    std::string IconFile;
    std::string ProgramFilesDir;
    std::string TempDir;
    std::vector<std::string> PidList;
    std::string DriverDisplayName;
    std::string Manufacturer;
    bool MultiMonitor = false;
    bool IsNT = false;
    bool IsVistaOrLater = false;
    bool IsWin7OrLater = false;
    bool IsXpOr2003 = false;
    std::string GroupName;
    std::string IconName;
    std::string UninstName;
    std::unique_ptr<config::IniFile> SetupIni;
    std::unique_ptr<config::IniFile> LangIni;

    // How long StopTouchTools keeps asking a touch tool that does not close.
    static constexpr int kStopTouchToolsRounds = 30;

    // Runs a window event; an error that escapes it goes to FatalErrorHandler,
    // as the toolkit's application-wide error hook does.
    void HandleEvent(const std::function<void()>& handler);

private:
    std::string ExecutableFolder();
    std::string SystemFolder();
    std::string SystemLanguageCode();
    void ReadProgramFilesDir();
    void RunCommandLine(const CommandSwitch& command);

    std::vector<plat::ControlSpec> controls_;
};

}  // namespace setup
