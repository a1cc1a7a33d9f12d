#include "deploy/file_ops.h"

#include <vector>

#include "config/ini_file.h"
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {

namespace {

std::vector<std::string_view> Components(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// Windows drops trailing dots and blanks of a name, so such a name is ".",
// ".." or nothing.
bool DotsAndBlanksOnly(std::string_view part) {
    return !part.empty() && part.find_first_not_of(". ") == std::string_view::npos;
}

}  // namespace

std::string InstallFolder(const TVEXA_Form1& form) {
    return form.ProgramFilesDir + form.TargetSubDir;
}

bool ResetAndDelete(const std::string& path) {
    plat::FileApi& files = plat::os().Files();
    files.SetFileAttributesA(path, plat::kFileAttributeNormal);
    return files.DeleteFileA(path) != 0;
}

void SwitchFsRedirection(const TVEXA_Form1& form, bool enabled) {
    // Without the switch (startup has told the user) the writes go where
    // the system sends them; calling through a missing entry would crash.
    if (form.Is64Bit != 1 || Wow64EnableFsRedirection == 0) return;
    plat::os().Libraries().CallWow64EnableWow64FsRedirection(Wow64EnableFsRedirection, enabled ? 1 : 0);
}

bool WriteImageFile(const std::string& path, const unsigned char* data, std::size_t size) {
    plat::Os& os = plat::os();
    plat::Handle file = os.Files().CreateFileA(path, plat::kGenericRead | plat::kGenericWrite, 0,
                                               plat::kCreateAlways, plat::kFileAttributeNormal);
    if (file == plat::kInvalidHandle) return false;
    plat::DWord written = 0;
    os.Files().WriteFile(file, data, static_cast<plat::DWord>(size), &written);
    os.Processes().CloseHandle(file);
    return true;
}

bool IsInsideName(std::string_view name) {
    if (name.empty() || name.find(':') != std::string_view::npos) return false;
    if (name.front() == '\\' || name.front() == '/') return false;  // rooted, or UNC
    for (std::string_view part : Components(name))
        if (DotsAndBlanksOnly(part)) return false;
    return true;
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string_view::npos && !DotsAndBlanksOnly(name);
}

bool CrossesReparsePoint(const std::string& base, std::string_view relative) {
    plat::FileApi& files = plat::os().Files();
    auto isReparsePoint = [&](const std::string& path) {
        plat::DWord attributes = files.GetFileAttributesA(path);
        return attributes != plat::kInvalidFileAttributes && (attributes & plat::kFileAttributeReparsePoint);
    };
    if (isReparsePoint(base)) return true;
    std::string path = base;
    for (std::string_view part : Components(relative)) {
        if (part.empty()) continue;
        path += "\\";
        path += part;
        if (isReparsePoint(path)) return true;
    }
    return false;
}

void PlaceInstallFolderFiles(TVEXA_Form1& form, const std::vector<InstallFolderFile>& files) {
    using Kind = InstallFolderFile::Kind;
    const std::string installFolder = InstallFolder(form);
    for (const InstallFolderFile& file : files) {
        const std::string destination = installFolder + "\\" + file.name;
        switch (file.kind) {
            case Kind::PackageFile:
                if (!file.multiPortFilterOnly || InstallsMultiPortFilter(*form.SetupIni, form.MultiMonitor))
                    form.CopyFileLogged(file.source, destination, 0);
                break;
            case Kind::TouchCfgIni:
                form.BuildTouchCfgIni(destination);
                break;
            case Kind::SetupIni:
                form.WriteSetupIni(destination);
                break;
            case Kind::StagedUsbInf:
                form.CopyFileLogged(form.TempDir + file.source, destination, 0);
                break;
        }
    }
}

void CopyExtraFolders(TVEXA_Form1& form) {
    plat::FileApi& files = plat::os().Files();
    const std::string installFolder = InstallFolder(form);
    for (int n = 1; n <= 10; ++n) {
        const std::string key = "copysubdir" + std::to_string(n);
        const std::string folder = form.SetupIni->ReadString("system", key, "");
        if (folder.empty()) continue;
        if (!IsInsideName(folder)) {
            form.LogLine("Refused " + key + "=" + folder);
            continue;
        }
        files.CreateDirectoryA(installFolder + "\\" + folder);
        plat::FindData found;
        plat::Handle search = files.FindFirstFileA(folder + "\\*.*", &found);
        if (search == plat::kInvalidHandle) continue;
        do {
            if (found.attributes & kSkippedByExtraFolderCopy) continue;
            form.CopyFileLogged(folder + "\\" + found.name, installFolder + "\\" + folder + "\\" + found.name,
                                0);
        } while (files.FindNextFileA(search, &found));
        files.FindClose(search);
    }
}

}  // namespace setup
