// The NT RS-232 file set: the serial driver and the applet in the Windows
// folders, the tools and configuration files in the install folder, and the
// driver INF registered with Windows.
#include <string>

#include "config/ini_file.h"
#include "deploy/file_ops.h"
#include "deploy/file_sets.h"
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {

namespace {

// The package's INF by its full path: the package folder is the current
// folder, and SetupCopyOEMInfA takes full paths only.
std::string FullPackagePath(const std::string& relative) {
    std::string current;
    if (plat::os().Files().GetCurrentDirectoryA(&current) == 0 || current.empty()) return relative;
    return current + (current.back() == '\\' ? "" : "\\") + relative;
}

}  // namespace

void TVEXA_Form1::CopyNtSerialFiles() {
    StepCode = 46;
    LogLine("Copy NT 232 files");
    plat::Os& os = plat::os();
    const std::string& w = WindowsDir;
    const std::string i = InstallFolder(*this);
    const TargetWindows windows{Is64Bit == 1, IsVistaOrLater};

    ResetAndDelete(w + "\\inf\\qz232.inf");
    ResetAndDelete(w + "\\inf\\qz232.pnf");

    SwitchFsRedirection(*this, false);
    ResetAndDelete(w + "\\System32\\Drivers\\qz232.sys");
    ResetAndDelete(w + "\\System32\\Drivers\\qzusbf.sys");
    CopyFileLogged(SerialDriverPackage(windows.x64).driver, w + "\\System32\\Drivers\\qz232.sys", 0);
    ResetAndDelete(w + "\\System32\\touchcfg.cpl");
    if (InstallsApplet(*SetupIni)) CopyFileLogged(SerialApplet(windows), w + "\\System32\\touchcfg.cpl", 0);
    SwitchFsRedirection(*this, true);

    os.Files().CreateDirectoryA(i);
    PlaceInstallFolderFiles(*this, SerialInstallFolderFiles(windows));

    if (IsVistaOrLater) {
        if (os.Devices().SetupCopyOEMInfA(FullPackagePath(kSerialInf), "", plat::kSpostPath, 0, nullptr, 0,
                                          nullptr, nullptr))
            LogLine("CopyOEM OK");
        else
            LogLine("CopyOEM Failed=" + std::to_string(os.GetLastError()));
    } else {
        CopyFileLogged(kSerialInf, w + "\\inf\\qz232.inf", 0);
    }

    CopyExtraFolders(*this);

    os.Files().SetFileAttributesA(i + "\\touchcfg.ini", plat::kFileAttributeNormal);
    os.Files().SetFileAttributesA(i + "\\setup.ini", plat::kFileAttributeNormal);
    config::IniFile installed(i + "\\setup.ini");
    installed.WriteInteger("system", "product", 1);
    installed.WriteString("INFData", "manufacturer", Manufacturer);
}

}  // namespace setup
