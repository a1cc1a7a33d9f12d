// The NT USB file set: the filter driver and the control-panel applet in the
// Windows folders, and the tools, configuration files, DPInst, DevCon and the
// virtual touch package in the install folder.
#include <string>

#include "config/ini_file.h"
#include "deploy/file_ops.h"
#include "deploy/file_sets.h"
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
    const TargetWindows windows{Is64Bit == 1, IsVistaOrLater};
    const bool x64 = windows.x64;

    ResetAndDelete(w + "\\inf\\qzusbf.inf");
    ResetAndDelete(w + "\\inf\\qzusbf.pnf");

    SwitchFsRedirection(*this, false);
    ResetAndDelete(w + "\\System32\\Drivers\\qzusbf.sys");
    ResetAndDelete(w + "\\System32\\Drivers\\qz232.sys");
    CopyFileLogged(UsbDriverPackage(windows).driver, w + "\\System32\\Drivers\\qzusbf.sys", 0);
    ResetAndDelete(w + "\\System32\\touchcfg.cpl");
    if (InstallsApplet(*SetupIni)) CopyFileLogged(UsbApplet(windows), w + "\\System32\\touchcfg.cpl", 0);
    SwitchFsRedirection(*this, true);

    os.Files().CreateDirectoryA(i);
    PlaceInstallFolderFiles(*this, UsbInstallFolderFiles(windows));

    if (IsVistaOrLater || IsWin7OrLater) CopyFileLogged(t + "qzusbf.inf", w + "\\inf\\qzusbf.inf", 0);

    // With redirection in force: on 64-bit Windows the 32-bit system folder.
    if (FileExists(w + "\\System32\\" + kDpInstFile)) {
        CopyFileLogged(w + "\\System32\\" + kDpInstFile, i + "\\" + kDpInstFile, 0);
    } else {
        const payloads::Image dpinst = x64 ? payloads::DpinstX64() : payloads::DpinstX86();
        WriteImageFile(i + "\\" + kDpInstFile, dpinst.data, dpinst.size);
    }

    if (IsVistaOrLater) {
        const payloads::Image devcon = x64 ? payloads::DevconX64() : payloads::DevconX86();
        if (WriteImageFile(i + "\\" + kDevConFile, devcon.data, devcon.size))
            PlaceInstallFolderFiles(*this, UsbVistaInstallFolderFiles(windows));
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
