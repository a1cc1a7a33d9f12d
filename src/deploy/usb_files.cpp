// The NT USB file set: the filter driver and the control-panel applet in the
// Windows folders, and the tools, configuration files, DPInst, DevCon and the
// virtual touch package in the install folder.
#include <string>

#include "config/ini_file.h"
#include "deploy/file_ops.h"
#include "deploy/payloads/payloads.h"
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {

namespace {

bool FileExists(const std::string& path) {
    plat::DWord attributes = plat::os().Files().GetFileAttributesA(path);
    return attributes != plat::kInvalidFileAttributes && (attributes & plat::kFileAttributeDirectory) == 0;
}

}  // namespace

void TVEXA_Form1::CopyNtUsbFiles() {
    StepCode = 45;
    LogLine("Copy NT USB files");
    plat::Os& os = plat::os();
    const std::string& w = WindowsDir;
    const std::string i = InstallFolder(*this);
    const std::string& t = TempDir;
    const bool x64 = Is64Bit == 1;
    // 64-bit builds of the driver files and the virtual touch package.
    const std::string built = x64 ? "xp64\\" : "";

    ResetAndDelete(w + "\\inf\\qzusbf.inf");
    ResetAndDelete(w + "\\inf\\qzusbf.pnf");

    SwitchFsRedirection(*this, false);
    ResetAndDelete(w + "\\System32\\Drivers\\qzusbf.sys");
    ResetAndDelete(w + "\\System32\\Drivers\\qz232.sys");
    CopyFileLogged(built + "qzusbf.sys", w + "\\System32\\Drivers\\qzusbf.sys", 0);
    ResetAndDelete(w + "\\System32\\touchcfg.cpl");
    if (SetupIni->ReadInteger("system", "createcontrolpanel", 1) == 1) {
        const char* applet = x64 ? (IsVistaOrLater ? "touchcfg64v.cpl" : "touchcfg64.cpl")
                                 : (IsVistaOrLater ? "touchcfgv.cpl" : "touchcfg.cpl");
        CopyFileLogged(applet, w + "\\System32\\touchcfg.cpl", 0);
    }
    SwitchFsRedirection(*this, true);

    os.Files().CreateDirectoryA(i);
    CopyFileLogged(built + "qzusbf.sys", i + "\\qzusbf.sys", 0);
    CopyFileLogged(built + "qzusbf.inf", i + "\\qzusbf.inf", 0);
    CopyFileLogged(built + (IsVistaOrLater ? "qzusbfv.cat" : "qzusbf.cat"), i + "\\qzusbf.cat", 0);

    CopyFileLogged(IsVistaOrLater ? "touchcfg.exe" : "touchcfg_xp.exe", i + "\\touchcfg.exe", 0);
    BuildTouchCfgIni(i + "\\touchcfg.ini");
    CopyFileLogged("setup.exe", i + "\\setup.exe", 0);
    CopyFileLogged("setup.dll", i + "\\setup.dll", 0);
    WriteSetupIni(i + "\\setup.ini");
    CopyFileLogged("setup.dat", i + "\\uninstall.exe", 0);
    CopyFileLogged("tsutils.dll", i + "\\tsutils.dll", 0);
    CopyFileLogged("setdev64.exe", i + "\\setdev64.exe", 0);
    CopyFileLogged("vexasdk.dll", i + "\\vexasdk.dll", 0);
    if (SetupIni->ReadInteger("system", "allowmultiport", 0) == 1 && !MultiMonitor)
        CopyFileLogged("hidfilter.exe", i + "\\hidfilter.exe", 0);
    CopyFileLogged("readme.txt", i + "\\readme.txt", 0);
    CopyFileLogged(t + "qzusbf.inf", i + "\\qzusbf.inf", 0);

    if (IsVistaOrLater || IsWin7OrLater) CopyFileLogged(t + "qzusbf.inf", w + "\\inf\\qzusbf.inf", 0);

    // With redirection in force: on 64-bit Windows the 32-bit system folder.
    if (FileExists(w + "\\System32\\dpinst.exe")) {
        CopyFileLogged(w + "\\System32\\dpinst.exe", i + "\\dpinst.exe", 0);
    } else {
        const payloads::Image dpinst = x64 ? payloads::DpinstX64() : payloads::DpinstX86();
        WriteImageFile(i + "\\dpinst.exe", dpinst.data, dpinst.size);
    }

    if (IsVistaOrLater) {
        const payloads::Image devcon = x64 ? payloads::DevconX64() : payloads::DevconX86();
        if (WriteImageFile(i + "\\devcon.exe", devcon.data, devcon.size)) {
            CopyFileLogged(built + "vtouch.inf", i + "\\vtouch.inf", 0);
            CopyFileLogged(built + "vtouch.cat", i + "\\vtouch.cat", 0);
            CopyFileLogged(built + "vtouch.sys", i + "\\vtouch.sys", 0);
            CopyFileLogged(built + "qzusbf.inf", i + "\\qzusbf.inf", 0);
            CopyFileLogged(built + "qzusbfv.cat", i + "\\qzusbf.cat", 0);
            CopyFileLogged(built + "qzusbf.sys", i + "\\qzusbf.sys", 0);
        }
    }

    CopyExtraFolders(*this);

    os.Files().SetFileAttributesA(i + "\\touchcfg.ini", plat::kFileAttributeNormal);
    os.Files().SetFileAttributesA(i + "\\setup.ini", plat::kFileAttributeNormal);
    config::IniFile installed(i + "\\setup.ini");
    installed.WriteInteger("system", "product", 0);
    installed.WriteString("INFData", "manufacturer", Manufacturer);
    installed.WriteString("INFData", "vidpid", DeviceHwId);
    installed.WriteString("INFData", "devdesc", DeviceDescText);
}

}  // namespace setup
