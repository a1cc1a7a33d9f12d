// The removal sets: what the USB and RS-232 file sets and the product's
// shortcuts placed, taken away again, and the extra folders, the program
// group and the install folder removed when they are empty.
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "deploy/file_ops.h"
#include "platform/os.h"
#include "platform/shell.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {

namespace {

// Files of the install folder are named relative to it; the others are full paths.
struct ProductFile {
    bool inInstallFolder;
    const char* name;
};

// Both products' files in the native system folders of 64-bit Windows.
const char* const kNativeFiles[] = {"\\inf\\qz232.inf",
                                    "\\inf\\qz232.pnf",
                                    "\\inf\\qzusbf.inf",
                                    "\\inf\\qzusbf.pnf",
                                    "\\System32\\qzusbf.sys",
                                    "\\System32\\Drivers\\qzusbf.sys",
                                    "\\System32\\Drivers\\qz232.sys",
                                    "\\System32\\touchcfg.cpl"};

const std::vector<ProductFile> kUsbFiles = {{false, "\\inf\\qzusbf.inf"},
                                            {false, "\\inf\\qzusbf.pnf"},
                                            {false, "\\System32\\touchcfg.cpl"},
                                            {false, "\\System32\\Drivers\\qzusbf.sys"},
                                            {true, "\\touchcfg.exe"},
                                            {true, "\\touchcfg.ini"},
                                            {true, "\\setup.exe"},
                                            {true, "\\setup.dll"},
                                            {true, "\\setup.ini"},
                                            {true, "\\uninstall.exe"},
                                            {true, "\\tsutils.dll"},
                                            {true, "\\qzusbf.inf"},
                                            {true, "\\qzusbf.cat"},
                                            {true, "\\qzusbf.sys"},
                                            {true, "\\qz232.inf"},
                                            {true, "\\readme.txt"},
                                            {true, "\\info.log"},
                                            {true, "\\dpinst.exe"},
                                            {true, "\\devcon.exe"},
                                            {true, "\\setdev64.exe"},
                                            {true, "\\hidfilter.exe"},
                                            {true, "\\vtouch.inf"},
                                            {true, "\\vtouch.cat"},
                                            {true, "\\vtouch.sys"},
                                            {true, "\\vexasdk.dll"},
                                            {true, "\\sdkdemo.exe"}};

const std::vector<ProductFile> kSerialFiles = {{false, "\\inf\\qz232.inf"},
                                               {false, "\\inf\\qz232.pnf"},
                                               {false, "\\System32\\touchcfg.cpl"},
                                               {false, "\\System32\\Drivers\\qz232.sys"},
                                               {true, "\\touchcfg.exe"},
                                               {true, "\\touchcfg.ini"},
                                               {true, "\\setup.exe"},
                                               {true, "\\setup.dll"},
                                               {true, "\\setup.ini"},
                                               {true, "\\uninstall.exe"},
                                               {true, "\\tsutils.dll"},
                                               {true, "\\qz232.inf"},
                                               {true, "\\qzusbf.inf"},
                                               {true, "\\readme.txt"},
                                               {true, "\\info.log"},
                                               {true, "\\vtouch.inf"},
                                               {true, "\\vtouch.cat"},
                                               {true, "\\vtouch.sys"},
                                               {true, "\\vexasdk.dll"},
                                               {true, "\\sdkdemo.exe"}};

constexpr const char* kApplet = "\\System32\\touchcfg.cpl";

bool IsReparsePoint(const std::string& path) {
    plat::DWord attributes = plat::os().Files().GetFileAttributesA(path);
    return attributes != plat::kInvalidFileAttributes && (attributes & plat::kFileAttributeReparsePoint) != 0;
}

// An applet still loaded goes at the next restart.
void DeleteApplet(const std::string& path) {
    plat::FileApi& files = plat::os().Files();
    if (!files.DeleteFileA(path)) files.MoveFileExA(path, "", plat::kMoveFileDelayUntilReboot);
}

}  // namespace

// The steps both removal routines share.
static void RemoveProductFiles(TVEXA_Form1& form, const std::vector<ProductFile>& productFiles) {
    plat::FileApi& files = plat::os().Files();
    const std::string& w = form.WindowsDir;
    const std::string i = InstallFolder(form);

    if (form.Is64Bit == 1) {
        SwitchFsRedirection(form, false);
        for (const char* name : kNativeFiles) {
            const std::string path = w + name;
            files.SetFileAttributesA(path, plat::kFileAttributeNormal);
            if (std::string(name) == kApplet)
                DeleteApplet(path);
            else
                files.DeleteFileA(path);
        }
        SwitchFsRedirection(form, true);
    }

    // An install folder that is a junction or symbolic link leads elsewhere:
    // nothing is deleted through it, only the link itself is removed.
    const bool installFolderIsLink = IsReparsePoint(i);
    if (installFolderIsLink) form.LogLine("Link not followed: " + i);
    auto pathOf = [&](const ProductFile& file) { return (file.inInstallFolder ? i : w) + file.name; };
    for (const ProductFile& file : productFiles)
        if (!(file.inInstallFolder && installFolderIsLink))
            files.SetFileAttributesA(pathOf(file), plat::kFileAttributeNormal);
    files.SetFileAttributesA(i, plat::kFileAttributeNormal);
    for (const ProductFile& file : productFiles) {
        if (file.inInstallFolder && installFolderIsLink) continue;
        if (!file.inInstallFolder && std::string(file.name) == kApplet)
            DeleteApplet(pathOf(file));
        else
            files.DeleteFileA(pathOf(file));
    }

    const std::string programs = form.GetSpecialFolder(plat::kCsidlCommonPrograms);
    const std::string desktop = form.GetSpecialFolder(plat::kCsidlCommonDesktopDirectory);
    const std::string group = programs + "\\" + form.GroupName;
    files.DeleteFileA(desktop + "\\" + form.IconName + ".lnk");
    files.DeleteFileA(group + "\\" + form.IconName + ".lnk");
    files.DeleteFileA(group + "\\" + form.UninstName + ".lnk");

    // The extra folders, inside the install folder only: when it cannot be
    // reached, folders of the same names elsewhere are left alone.
    if (!installFolderIsLink && files.SetCurrentDirectoryA(i + "\\")) {
        for (int n = 1; n <= 10; ++n) {
            const std::string key = "copysubdir" + std::to_string(n);
            const std::string name = form.SetupIni->ReadString("system", key, "");
            if (name.empty()) continue;
            if (!IsInsideName(name)) {
                form.LogLine("Refused " + key + "=" + name);
                continue;
            }
            const std::string folder = i + "\\" + name;
            const std::size_t slash = name.find_last_of("\\/");
            if (CrossesReparsePoint(i, slash == std::string::npos ? "" : name.substr(0, slash))) {
                form.LogLine("Link not followed: " + folder);
                continue;
            }
            if (IsReparsePoint(folder)) {
                form.LogLine("Link not followed: " + folder);
            } else {
                plat::FindData found;
                plat::Handle search = files.FindFirstFileA(folder + "\\*.*", &found);
                if (search != plat::kInvalidHandle) {
                    do {
                        if (found.attributes & plat::kFileAttributeDirectory) continue;
                        ResetAndDelete(folder + "\\" + found.name);
                    } while (files.FindNextFileA(search, &found));
                    files.FindClose(search);
                }
            }
            // Succeeds only when empty; a link goes without its target.
            files.RemoveDirectoryA(folder);
        }
    }
    files.SetCurrentDirectoryA("..");
    files.SetCurrentDirectoryA("\\");

    files.RemoveDirectoryA(group);
    files.RemoveDirectoryA(i);
}

void TVEXA_Form1::DeleteNtUsbFiles() {
    StepCode = 47;
    RemoveProductFiles(*this, kUsbFiles);
}

void TVEXA_Form1::DeleteNtSerialFiles() {
    StepCode = 48;
    RemoveProductFiles(*this, kSerialFiles);
}

}  // namespace setup
