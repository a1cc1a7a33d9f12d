// The install run: product check, staging, the window's busy state and
// progress, the earlier-install check, the product install, the touch
// parameter defaults, additional files, per-user cleanup, the registry
// entries, the package gates and the Plug-and-Play ending.
#include <cstdint>
#include <exception>
#include <string>

#include "config/ini_file.h"
#include "deploy/file_ops.h"
#include "platform/os.h"
#include "procedures/touch_defaults.h"
#include "registry/registry_access.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/package_tools.h"
#include "system/processes.h"

namespace setup {
namespace {

constexpr const char* kUninstallEntryKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QZ_Touch";
constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kMakerKey = "SOFTWARE\\Brivo";

bool FileExists(const std::string& path) {
    plat::DWord attributes = plat::os().Files().GetFileAttributesA(path);
    return attributes != plat::kInvalidFileAttributes && (attributes & plat::kFileAttributeDirectory) == 0;
}

void ProcessMessagesTwice() {
    plat::os().Ui().ProcessMessages();
    plat::os().Ui().ProcessMessages();
}

// The install does not run over an earlier installation whose uninstaller
// is still there; it may start that uninstaller, and ends.
void RefuseEarlierInstallation(TVEXA_Form1& form) {
    plat::Os& os = plat::os();
    try {
        RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyRead);
        if (!registry.OpenKey(kUninstallEntryKey, false)) return;
        const std::string command = registry.ReadString("UninstallString").value_or("");
        registry.CloseKey();
        if (!FileExists(UninstallEntryFile(command))) return;
        if (form.SetupIni->ReadInteger("system", "douninstall", 0) == 1) {
            if (os.Windows().MessageBoxA(os.Ui().MainWindow(), form.UiTexts[15], form.UiTexts[7],
                                         plat::kMbYesNo | plat::kMbIconExclamation) == plat::kIdYes)
                RunCommand(command, plat::kSwShowNormal, false);
        } else {
            os.Windows().MessageBoxA(os.Ui().MainWindow(), form.UiTexts[15], form.UiTexts[7],
                                     plat::kMbIconExclamation);
        }
        os.Ui().CloseMainWindow();
        form.ExitSetup();
    } catch (const std::exception&) {
        // Whatever goes wrong in the check, the install goes on.
    }
}

// "InstallPath", the auto-start entries and the uninstall entry.
void WriteInstallEntries(TVEXA_Form1& form, RegistryAccess& registry) {
    const std::string installFolder = InstallFolder(form);
    if (registry.OpenKey(kMakerKey, true)) registry.WriteString("InstallPath", installFolder);
    registry.CloseKey();
    if (registry.OpenKey(kRunKey, false)) {
        registry.WriteString("TS_Mapper", TouchCfgRunEntry(installFolder));
        if (form.SetupIni->ReadInteger("system", "alwayscalib", 0) == 1)
            registry.WriteString("TS_Calib", TouchCfgCalibEntry(installFolder));
    }
    registry.CloseKey();
    if (registry.OpenKey(kUninstallEntryKey, true)) {
        registry.WriteString("Displayname", form.UninstName);
        registry.WriteString("UninstallString", UninstallEntry(installFolder));
    }
    registry.CloseKey();
}

// The package version's digits read as one number: "3.23" is 323, "2.1" is 21.
std::int64_t VersionNumber(const std::string& version) {
    std::int64_t number = 0;
    for (char c : version) {
        // Beyond this any further digit only makes it larger than every gate.
        if (c >= '0' && c <= '9' && number < 1000000000) number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace

void TVEXA_Form1::InstallProcedure() {
    StepCode = 78;
    plat::Os& os = plat::os();
    if (ProductKind != 0 && ProductKind != 1) {
        os.Windows().MessageBoxA(os.Ui().MainWindow(), "Please select product to install !",
                                 os.Ui().ApplicationTitle(), plat::kMbOk);
        return;
    }
    GenerateInf();

    SetEnabled(InstallButton, false);
    SetEnabled(ExitButton, false);
    SetEnabled(GroupBox1, false);
    SetVisible(Panel6, true);
    int progress = 0;
    os.Ui().SetProgressPosition(ProgressBar1, progress);
    ProcessMessagesTwice();

    if (!MultiMonitor) RefuseEarlierInstallation(*this);

    StopTouchTools();
    os.Ui().SetProgressPosition(ProgressBar1, ++progress);
    ProcessMessagesTwice();

    if (ProductKind == 0)
        InstallUsbProduct();
    else
        InstallSerialProduct();
    os.Ui().SetProgressPosition(ProgressBar1, ++progress);
    ProcessMessagesTwice();

    {
        RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
        WriteTouchParameterDefaults(*this, registry);
        CopyAdditionalFiles();
        os.Ui().SetProgressPosition(ProgressBar1, ++progress);
        CleanVirtualStore();
        WriteInstallEntries(*this, registry);
    }
    os.Ui().SetProgressPosition(ProgressBar1, ++progress);

    // Packages older than 2.10, or below package level 1, take the 2000
    // procedure on Vista and later too.
    if (VersionNumber(SetupIni->ReadString("System", "version", "3.23")) < 210) IsVistaOrLater = false;
    if (SetupIni->ReadInteger("system", "package", 0) < 1) IsVistaOrLater = false;

    if (ProductKind == 1) SerialPnpProcedure();
    if (IsVistaOrLater) VistaUsbProcedure();
    Win2000UsbProcedure();
}

}  // namespace setup
