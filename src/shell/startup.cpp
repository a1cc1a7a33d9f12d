// The startup sequence: prepares the process, checks that setup may run,
// reads the configuration and texts, dresses the window and dispatches the
// command line.
#include <cctype>
#include <optional>
#include <string>
#include <utility>

#include "config/colors.h"
#include "config/ini_file.h"
#include "config/ini_text.h"
#include "config/ui_texts.h"
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/package_tools.h"
#include "system/processes.h"
#include "system/services.h"

namespace setup {
namespace {

bool FileExists(const std::string& path) {
    plat::DWord attributes = plat::os().Files().GetFileAttributesA(path);
    return attributes != plat::kInvalidFileAttributes && (attributes & plat::kFileAttributeDirectory) == 0;
}

// Removes the compatibility-layer entries Windows recorded for programs in
// the package folder; true when one was removed.
bool RemoveCompatibilityLayers(const std::string& sourceDir) {
    plat::RegistryApi& registry = plat::os().Registry();
    plat::HKey key = 0;
    if (registry.RegOpenKeyExA(plat::kHkeyLocalMachine,
                               "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers", 0,
                               plat::kKeyAllAccess, &key) != 0)
        return false;
    std::vector<std::string> names;
    std::string name;
    plat::DWord type = 0;
    for (plat::DWord index = 0; registry.RegEnumValueA(key, index, &name, &type) == 0; ++index)
        names.push_back(name);
    bool removed = false;
    for (const auto& valueName : names) {
        // An empty folder (the program's path could not be read) names no
        // program, and must not match every other program's entry.
        if (sourceDir.empty() || valueName.find(sourceDir) == std::string::npos) continue;
        if (registry.RegDeleteValueA(key, valueName) == 0) removed = true;
    }
    registry.RegCloseKey(key);
    return removed;
}

}  // namespace

plat::ProcAddress Wow64EnableFsRedirection = 0;

std::string MapLanguageCode(const std::string& answer) {
    std::string upper = answer;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "ZHI") return "CHS";
    static const std::pair<const char*, const char*> kByPrefix[] = {
        {"EN", "ENU"}, {"AR", "ARA"}, {"ES", "ESP"}, {"FR", "FRA"},
        {"PT", "PTG"}, {"DE", "DEU"}, {"ZH", "CHT"}};
    for (const auto& [prefix, code] : kByPrefix)
        if (upper.starts_with(prefix)) return code;
    return answer;
}

std::string TVEXA_Form1::ExecutableFolder() {
    std::string path;
    plat::os().Processes().GetModuleFileNameA(&path);
    return path.substr(0, path.find_last_of('\\') + 1);
}

void TVEXA_Form1::FormCreate() {
    plat::Os& os = plat::os();
    StepCode = 0;
    bool setupIniFound = false;

    SourceDir = ExecutableFolder();

    if (RemoveCompatibilityLayers(SourceDir)) {
        os.Ui().ShowInfoBox("Please reinstall!");
        os.Ui().CloseMainWindow();
        plat::EndProcess(0);
    }

    // Remembered as soon as the service accepted the stop: when the wait then
    // times out or a status poll fails, the service still goes on to stop, and
    // the exit routine must start it again.
    bool pcaStopAccepted = false;
    StopServiceWait("PcaSvc", 10, &pcaStopAccepted);
    PcaStoppedBySetup = pcaStopAccepted;

    LogLine("SETUP start!");
    os.Ui().SetProgressPosition(ProgressBar1, 0);
    SetVisible(Panel6, false);
    SetVisible(Panel4, false);

    StepCode = 25;
    if (plat::Hwnd uninstaller =
            os.Windows().FindWindowA(std::string(kUninstallerClass), std::string(kUninstallerTitle))) {
        for (int i = 0; i < 5; ++i)
            os.Windows().PostMessageA(uninstaller, kToolMessage, kUninstallerNotifyParam, 0);
    }

    StepCode = 26;
    IsNT = (os.System().GetVersion() & 0x80000000u) == 0;
    if (!IsNT) {
        os.Windows().MessageBoxA(
            0,
            "This program no longer support Windows version lower than XP! Please contact "
            "your distributor for support!",
            "WARNING !!!", 0x1030);
        ExitSetup();
    }

    plat::OsVersionInfo version;
    version.size = 148;
    os.System().GetVersionExA(&version);
    IsVistaOrLater = version.major == 6;
    IsWin7OrLater = version.major == 6 && version.minor > 0;
    IsXpOr2003 = !IsVistaOrLater && version.major == 5 && version.minor >= 1;
    LogLine("Ver=" + std::to_string(version.major) + "." + std::to_string(version.minor));

    StepCode = 27;
    std::optional<std::int32_t> setupFlag = GetSetupFlag(SourceDir, SystemFolder());
    if (!setupFlag) {
        os.Windows().MessageBoxA(0, "SETUP.DLL not found!", "ERROR", 0x30);
        ExitSetup();
    }
    MultiMonitor = *setupFlag == 1;

    SetChecked(RadioButton1, false);
    SetChecked(RadioButton2, false);
    SetChecked(RadioButton1, true);

    StepCode = 28;
    const std::string pnpreg = PnpRegCommand(SourceDir);
    for (int i = 0; i < 2; ++i) {
        RunCommand(pnpreg, plat::kSwHide, false);
        os.Clock().Sleep(500);
    }

    StepCode = 29;
    LangCode = SystemLanguageCode();

    StepCode = 30;
    std::string langFilePath;
    if (FileExists(SourceDir + "setup.ini")) {
        setupIniFound = true;
        SetupIni = std::make_unique<config::IniFile>(SourceDir + "setup.ini");
        langFilePath = SourceDir + "setup.ini";
    } else {
        langFilePath = SourceDir + "default.ini";
        if (!FileExists(langFilePath)) {
            os.Ui().ShowInfoBox("ERROR : Can't retrieve setup configuration file#1! Setup aborted!");
            ExitSetup();
        }
        SetupIni = std::make_unique<config::IniFile>(langFilePath);
        if (config::EqualsIgnoringCase(SetupIni->ReadString(config::kLanguagePacksSection,
                                                            config::kLanguageKey, config::kAutoLanguage),
                                       config::kAutoLanguage)) {
            std::string folder =
                SetupIni->ReadString(config::kLanguagePacksSection, config::kLanguageFolderKey, "");
            langFilePath.clear();
            if (!folder.empty()) {
                langFilePath =
                    SourceDir + folder + "\\" + std::string(config::kLanguagePackPrefix) + LangCode;
                if (!FileExists(langFilePath)) langFilePath = SourceDir + "default.ini";
            }
        }
    }

    StepCode = 31;
    if (!GetCaptionFont(UiFontName, UiFontCharset, UiFontSize)) {
        plat::WindowSpec design = MainWindowSpec();
        UiFontName = design.fontName;
        UiFontSize = design.fontSize;
        UiFontCharset = static_cast<std::uint8_t>(design.fontCharset);
    }
    os.Ui().SetFont(UiFontName, UiFontSize, UiFontCharset);
    os.Ui().SetColors(
        static_cast<plat::Color>(SetupIni->ReadInteger("system", "formcolor", config::kDefaultFormColor)),
        static_cast<plat::Color>(SetupIni->ReadInteger("system", "textcolor", config::kDefaultTextColor)),
        {Panel1, Panel2, Panel4, Panel41, Panel42, GroupBox1, RadioButton1, RadioButton2});
    GroupName = std::string(config::kDefaultGroupName);
    IconName = std::string(config::kDefaultIconName);
    UninstName = std::string(config::kDefaultUninstName);
    UiTexts = config::BuiltInTexts();

    StepCode = 32;
    if (langFilePath.empty() || !FileExists(langFilePath)) {
        os.Ui().ShowInfoBox("ERROR : Can't retrieve setup configuration file#2! Setup aborted!");
        ExitSetup();
    }
    LangIni = std::make_unique<config::IniFile>(langFilePath);
    if (LangIni->SectionExists(config::kSetupTextSection)) {
        GroupName = LangIni->ReadString(config::kSetupTextSection, config::kGroupNameKey, GroupName);
        IconName = LangIni->ReadString(config::kSetupTextSection, config::kIconNameKey, IconName);
        UninstName = LangIni->ReadString(config::kSetupTextSection, config::kUninstNameKey, UninstName);
        for (size_t i = 0; i < UiTexts.size(); ++i)
            UiTexts[i] = LangIni->ReadString(config::kSetupTextSection, config::UiTextKey(i), UiTexts[i]);
    }

    StepCode = 33;
    if (IsAdministrator() != 2) {
        os.Ui().ShowInfoBox(UiTexts[20]);
        ExitSetup();
    }
    UiTexts[0] = config::FillVersionPlaceholders(UiTexts[0], config::ReadPackageVersion(*SetupIni));
    std::string installCaption = UiTexts[4];
    std::string exitCaption = UiTexts[6];
    if (installCaption.find('&') == std::string::npos) installCaption += " (&i)";
    if (exitCaption.find('&') == std::string::npos) exitCaption += " (&x)";
    SetCaption(InstallButton, installCaption);
    SetCaption(UninstallButton, UiTexts[5]);
    SetCaption(ExitButton, exitCaption);
    SetCaption(GroupBox1, UiTexts[10]);
    SetCaption(RadioButton1, UiTexts[11]);
    SetCaption(RadioButton2, UiTexts[12]);
    std::string background = SetupIni->ReadString("system", "background", "");
    if (!background.empty() && FileExists(background)) os.Ui().LoadPicture(Image1, background);

    StepCode = 34;
    ProgramFilesDir = "C:\\Program Files";
    Is64Bit = 0;
    Wow64EnableFsRedirection = 0;
    ReadProgramFilesDir();
    if (IsNT) {
        if (IsWow64()) {
            Is64Bit = 1;
            LogLine("--for AMD64");
            plat::Handle kernel32 = os.Libraries().GetModuleHandleA("kernel32.dll");
            Wow64EnableFsRedirection =
                kernel32 ? os.Libraries().GetProcAddress(kernel32, "Wow64EnableWow64FsRedirection") : 0;
            if (Wow64EnableFsRedirection == 0) os.Ui().ShowInfoBox("Internal error for 64 bits setup!");
        } else {
            LogLine("--for x86");
        }
    }

    StepCode = 35;
    TargetSubDir = "\\" + SetupIni->ReadString("system", "targetdir", "Brivo");
    IconFile.clear();
    std::string iconFile = SetupIni->ReadString("system", "iconfile", "default");
    if (iconFile != "default") IconFile = ProgramFilesDir + TargetSubDir + "\\" + iconFile;
    TempDir.clear();
    if (os.System().GetTempPathA(259, &TempDir) == 0) TempDir.clear();
    LogLine("TMP path=" + TempDir);

    StepCode = 36;
    WindowsDir.clear();
    if (os.System().GetWindowsDirectoryA(&WindowsDir, 255) >= 255) WindowsDir.clear();
    LogLine("SYS path=" + WindowsDir);
    SourceDir = ExecutableFolder();
    LogLine("SRC path=" + SourceDir);
    if (os.Windows().FindWindowA(std::string("TForm1"), UiTexts[0]) != 0) ExitSetup();
    os.Ui().SetCaption(UiTexts[0]);
    os.Ui().SetApplicationTitle(UiTexts[0]);
    Manufacturer = SetupIni->ReadString("INFData", "manufacturer", "nil");
    if (Manufacturer == "nil") {
        os.Ui().ShowInfoBox(UiTexts[14]);
        ExitSetup();
    }
    if (SetupIni->ReadInteger("system", "usbonly", 0) != 0) {
        SetVisible(GroupBox1, false);
        SetEnabled(GroupBox1, false);
    }
    if (MultiMonitor) {
        LogLine("--Multi monitor");
        SetVisible(GroupBox1, false);
    } else {
        LogLine("--Single monitor");
    }
    ProductKind = 0;
    if (!MultiMonitor) ProductKind = SetupIni->ReadInteger("system", "product", -1);

    CommandSwitch command = ParseCommandLine(os.Processes().CommandLineArguments());
    StepCode = 37;
    if (command.kind == CommandSwitch::Install || command.kind == CommandSwitch::BadProduct)
        RunCommandLine(command);
    StepCode = 38;
    if (command.kind == CommandSwitch::Uninstall) RunCommandLine(command);

    if (setupIniFound) ExitSetup();
}

std::string TVEXA_Form1::SystemLanguageCode() {
    std::string answer;
    if (plat::os().System().GetLocaleInfoA(plat::kLocaleSystemDefault, plat::kLocaleSAbbrevLangName, &answer,
                                           11) == 0)
        return "ENU";
    return MapLanguageCode(answer);
}

void TVEXA_Form1::ReadProgramFilesDir() {
    plat::RegistryApi& registry = plat::os().Registry();
    plat::HKey key = 0;
    // Full access on purpose: a process without the right to write there keeps the default.
    if (registry.RegOpenKeyExA(plat::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                               plat::kKeyAllAccess, &key) != 0)
        return;
    plat::DWord type = 0;
    std::vector<std::uint8_t> data;
    std::string value;
    if (registry.RegQueryValueExA(key, "ProgramFilesDir", &type, &data) == 0 &&
        (type == plat::kRegSz || type == plat::kRegExpandSz)) {
        value.assign(data.begin(), data.end());
        value = value.substr(0, value.find('\0'));
    }
    ProgramFilesDir = value.empty() ? "C:\\Program Files" : value;
    registry.RegCloseKey(key);
}

void TVEXA_Form1::RunCommandLine(const CommandSwitch& command) {
    plat::Os& os = plat::os();
    if (command.kind == CommandSwitch::BadProduct) {
        os.Windows().MessageBoxA(os.Ui().MainWindow(), "Please specify product to install !", "WARNING",
                                 0x30);
        ExitSetup();
    }
    if (command.kind == CommandSwitch::Install) {
        ProductKind = command.product;
        os.Processes().SetThreadPriority(os.Processes().GetCurrentThread(),
                                         plat::kThreadPriorityTimeCritical);
        InstallProcedure();
        ExitSetup();
    }
    if (!IsVistaOrLater) {
        plat::Handle kernel32 = os.Libraries().GetModuleHandleA("kernel32.dll");
        if (kernel32 != 0 && os.Libraries().GetProcAddress(kernel32, "GetLocaleInfoEx") != 0)
            IsVistaOrLater = true;
    }
    os.Processes().SetThreadPriority(os.Processes().GetCurrentThread(), plat::kThreadPriorityTimeCritical);
    UninstallProcedure();
    ExitSetup();
}

}  // namespace setup
