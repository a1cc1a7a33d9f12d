// The touch tools' settings and logs that survive outside the install folder:
// the per-user copies Vista's file virtualisation made of "touchcfg.ini", and
// the "TOUCH" folder of the shared application data.
#include "shell/per_user_cleanup.h"

#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/shell.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {

namespace {

// The sub-folders of `folder` (which ends with a backslash) in the order the
// system lists them, "." and ".." left out; every kind of entry is listed
// (attribute mask 0x3F), so hidden and system folders count too.
std::vector<std::string> SubFolders(const std::string& folder) {
    plat::FileApi& files = plat::os().Files();
    std::vector<std::string> names;
    plat::FindData found;
    plat::Handle search = files.FindFirstFileA(folder + "*.*", &found);
    if (search == plat::kInvalidHandle) return names;
    do {
        if ((found.attributes & plat::kFileAttributeDirectory) && found.name != "." && found.name != "..")
            names.push_back(found.name);
    } while (files.FindNextFileA(search, &found));
    files.FindClose(search);
    return names;
}

}  // namespace

std::string GetCommonAppDataPath() {
    StepCode = 1;
    plat::Os& os = plat::os();
    plat::ItemIdList list = 0;
    if (!plat::Succeeded(
            os.Shell().SHGetSpecialFolderLocation(os.Ui().MainWindow(), plat::kCsidlCommonAppData, &list)))
        return "";
    std::string path;
    if (!os.Shell().SHGetPathFromIDListA(list, &path)) path.clear();
    os.Shell().CoTaskMemFree(list);
    return path;
}

void TVEXA_Form1::CleanVirtualStore() {
    StepCode = 73;
    LogLine("Handling VISTA Virtualization");
    plat::FileApi& files = plat::os().Files();

    // Without a drive part before its first backslash the Program Files
    // folder names no profile root, and nothing is touched.
    const std::size_t firstBackslash = ProgramFilesDir.find('\\');
    if (firstBackslash != std::string::npos && firstBackslash > 0) {
        const std::string profiles = ProgramFilesDir.substr(0, firstBackslash + 1) + "USERS\\";
        const std::string virtualStore =
            "\\AppData\\Local\\VirtualStore\\" + ProgramFilesDir.substr(firstBackslash + 1) + TargetSubDir;
        for (const std::string& profile : SubFolders(profiles)) {
            const std::string copy = profiles + profile + virtualStore + "\\touchcfg.ini";
            files.SetFileAttributesA(copy, plat::kFileAttributeNormal);
            if (!files.DeleteFileA(copy)) files.MoveFileExA(copy, "", plat::kMoveFileDelayUntilReboot);
        }
    }

    const std::string commonAppData = GetCommonAppDataPath();
    if (commonAppData.empty()) return;
    const std::string shared = commonAppData + "\\TOUCH\\";
    for (const std::string& folder : SubFolders(shared)) {
        for (const char* name : {"\\touchcfg.ini", "\\log.txt", "\\info.log"}) {
            files.SetFileAttributesA(shared + folder + name, plat::kFileAttributeNormal);
            files.DeleteFileA(shared + folder + name);
        }
    }
}

}  // namespace setup
