// The NT RS-232 file set: the serial driver and the applet in the Windows
// folders, the tools and configuration files in the install folder, and the
// driver INF registered with Windows.
#include <string>

#include "config/ini_file.h"
#include "deploy/file_ops.h"
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
    const bool x64 = Is64Bit == 1;

    ResetAndDelete(w + "\\inf\\qz232.inf");
    ResetAndDelete(w + "\\inf\\qz232.pnf");

    SwitchFsRedirection(*this, false);
    ResetAndDelete(w + "\\System32\\Drivers\\qz232.sys");
    ResetAndDelete(w + "\\System32\\Drivers\\qzusbf.sys");
    CopyFileLogged(x64 ? "xp64\\232\\qz232.sys" : "232\\qz232.sys", w + "\\System32\\Drivers\\qz232.sys", 0);
    ResetAndDelete(w + "\\System32\\touchcfg.cpl");
    if (SetupIni->ReadInteger("system", "createcontrolpanel", 1) == 1)
        CopyFileLogged(x64 ? "touchcfg64.cpl" : "touchcfg.cpl", w + "\\System32\\touchcfg.cpl", 0);
    SwitchFsRedirection(*this, true);

    os.Files().CreateDirectoryA(i);
    CopyFileLogged(IsVistaOrLater ? "touchcfg.exe" : "touchcfg_xp.exe", i + "\\touchcfg.exe", 0);
    BuildTouchCfgIni(i + "\\touchcfg.ini");
    CopyFileLogged("setup.exe", i + "\\setup.exe", 0);
    CopyFileLogged("setup.dll", i + "\\setup.dll", 0);
    WriteSetupIni(i + "\\setup.ini");
    CopyFileLogged("setup.dat", i + "\\uninstall.exe", 0);
    CopyFileLogged("tsutils.dll", i + "\\tsutils.dll", 0);
    CopyFileLogged("readme.txt", i + "\\readme.txt", 0);
    CopyFileLogged("232\\qz232.inf", i + "\\qz232.inf", 0);
    CopyFileLogged("vexasdk.dll", i + "\\vexasdk.dll", 0);

    if (IsVistaOrLater) {
        if (os.Devices().SetupCopyOEMInfA(FullPackagePath("232\\qz232.inf"), "", plat::kSpostPath, 0, nullptr,
                                          0, nullptr, nullptr))
            LogLine("CopyOEM OK");
        else
            LogLine("CopyOEM Failed=" + std::to_string(os.GetLastError()));
    } else {
        CopyFileLogged("232\\qz232.inf", w + "\\inf\\qz232.inf", 0);
    }

    CopyExtraFolders(*this);

    os.Files().SetFileAttributesA(i + "\\touchcfg.ini", plat::kFileAttributeNormal);
    os.Files().SetFileAttributesA(i + "\\setup.ini", plat::kFileAttributeNormal);
    config::IniFile installed(i + "\\setup.ini");
    installed.WriteInteger("system", "product", 1);
    installed.WriteString("INFData", "manufacturer", Manufacturer);
}

}  // namespace setup
