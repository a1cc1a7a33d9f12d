// Removal of the copies of the touch drivers' INF files that Windows keeps in
// its INF folder, so that it does not reinstall an old driver.
#include <cctype>
#include <memory>

#include "config/ini_file.h"
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/device_interfaces.h"

namespace setup {
namespace {

// The search admits read-only, hidden, system and archive files (0x27); the
// other attributes it filters on, volume labels and folders, leave an entry out.
constexpr plat::DWord kSearchAttributes = 0x27;
constexpr plat::DWord kLeftOut =
    ~kSearchAttributes &
    (plat::kFileAttributeHidden | plat::kFileAttributeSystem | 0x08 | plat::kFileAttributeDirectory);

// "oem" + a number + ".inf", letter case aside. Windows numbers its copies
// without limit, so oem100.inf and beyond are as much the touch driver's as oem7.inf.
bool IsOemInfName(const std::string& name) {
    std::string upper = UpperAscii(name);
    if (upper.size() < 8 || upper.rfind("OEM", 0) != 0 || upper.compare(upper.size() - 4, 4, ".INF") != 0)
        return false;
    for (std::size_t i = 3; i + 4 < upper.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(upper[i]))) return false;
    return true;
}

// Windows' own removal of an OEM INF (Vista and later), forced even when
// devices still use it.
void UninstallOemInf(const std::string& fileName) {
    LogLine("Try to load UninstallOem");
    plat::Os& os = plat::os();
    plat::Handle setupapi = os.Libraries().LoadLibraryA("setupapi.dll");
    if (setupapi == 0) {
        LogLine("--failed#0!");
        return;
    }
    plat::ProcAddress uninstall = os.Libraries().GetProcAddress(setupapi, "SetupUninstallOEMInfA");
    if (uninstall == 0) {
        LogLine("--failed#2!");
        return;
    }
    if (os.Devices().CallSetupUninstallOEMInfA(uninstall, fileName, plat::kSuoiForceDelete))
        LogLine("UninstallOem OK!");
    else
        LogLine("UninstallOem failed=" + std::to_string(os.GetLastError()));
}

void DeleteFileLeavingNoAttributes(const std::string& path) {
    plat::FileApi& files = plat::os().Files();
    files.SetFileAttributesA(path, plat::kFileAttributeNormal);
    files.DeleteFileA(path);
}

void RemoveOemInfs(const TVEXA_Form1& form, bool remove, const std::string& keyPrefix,
                   const std::string& matchText) {
    plat::FileApi& files = plat::os().Files();
    const std::string folder = form.WindowsDir + "\\inf\\";
    plat::FindData found;
    plat::Handle search = files.FindFirstFileA(folder + "oem*.inf", &found);
    if (search == plat::kInvalidHandle) return;
    do {
        if ((found.attributes & kLeftOut) != 0 || !IsOemInfName(found.name)) continue;
        const std::string infPath = folder + found.name;
        auto inf = std::make_unique<config::IniFile>(infPath);
        for (int number = 1; number <= 5; ++number) {
            std::string value =
                UpperAscii(inf->ReadString("QZMfg", keyPrefix + std::to_string(number) + "%", ""));
            if (value.find(matchText) == std::string::npos) continue;
            if (!remove) break;
            inf.reset();
            std::string base = infPath.substr(0, infPath.find_last_of('.') + 1);
            if (form.IsVistaOrLater) UninstallOemInf(found.name);
            // Whatever Windows did, no copy may survive.
            DeleteFileLeavingNoAttributes(base + "pnf");
            DeleteFileLeavingNoAttributes(infPath);
            break;
        }
    } while (files.FindNextFileA(search, &found));
    files.FindClose(search);
}

}  // namespace

void TVEXA_Form1::RemoveOemInfsSerial(bool remove) {
    StepCode = 69;
    LogLine("Scan OEM");
    RemoveOemInfs(*this, remove, "%QZ232_", "SERENUM\\QVR000");
}

void TVEXA_Form1::RemoveOemInfsUsb(bool remove) {
    StepCode = 70;
    LogLine("Scan OEM USB");
    RemoveOemInfs(*this, remove, "%QZUSB_", "USB\\VID_0D7A&");
}

}  // namespace setup
