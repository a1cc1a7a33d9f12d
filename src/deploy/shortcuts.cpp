// Shortcuts through COM's shell link object: the program group with the
// touch tool's and the uninstaller's shortcuts, and the additional files and
// shortcuts that a package declares.
#include <string>
#include <vector>

#include "config/additional_items.h"
#include "config/ini_file.h"
#include "config/ini_text.h"
#include "deploy/file_ops.h"
#include "platform/os.h"
#include "platform/shell.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {

namespace {

// The link file's path as the save takes it: UTF-16 in a buffer of this
// many characters, the NUL included.
constexpr int kLinkPathChars = 259;

bool SaveShellLink(const std::string& target, const std::string& arguments, const std::string& description,
                   const std::string& linkFile, const std::string& iconFile) {
    plat::Os& os = plat::os();
    plat::ShellApi& shell = os.Shell();
    plat::ComObject link = 0;
    if (!plat::Succeeded(shell.CoCreateInstance(plat::kClsidShellLink, 0, plat::kClsctxInprocServer,
                                                plat::kIidShellLinkA, &link)))
        return false;
    shell.ShellLinkSetPath(link, target);
    shell.ShellLinkSetDescription(link, description);
    if (!arguments.empty()) shell.ShellLinkSetArguments(link, arguments);
    if (!iconFile.empty()) shell.ShellLinkSetIconLocation(link, iconFile, 0);
    bool saved = false;
    plat::ComObject file = 0;
    if (plat::Succeeded(shell.QueryInterface(link, plat::kIidPersistFile, &file))) {
        std::u16string widePath;
        // A path that does not fit is not saved under a name cut short.
        if (os.System().MultiByteToWideChar(plat::kCpAcp, 0, linkFile, &widePath, kLinkPathChars) != 0)
            saved = plat::Succeeded(shell.PersistFileSave(file, widePath, 1));
        shell.Release(file);
    }
    shell.Release(link);
    return saved;
}

std::string ItemTrace(const std::vector<std::string>& fields) {
    using config::ItemField;
    return "0=" + ItemField(fields, 0) + ", 1=" + ItemField(fields, 1) + ", 2=" + ItemField(fields, 2) +
           ", 3=" + ItemField(fields, 3) + ", 4=" + ItemField(fields, 4);
}

// Bit 0: a shortcut in the program group; bit 1: one on the desktop.
std::int32_t ShortcutFlags(const std::vector<std::string>& fields) {
    return config::ParseIniInteger(config::ItemField(fields, 2)).value_or(0);
}

}  // namespace

bool TVEXA_Form1::CreateShellLink(const std::string& target, const std::string& description,
                                  const std::string& linkFile, const std::string& iconFile) {
    StepCode = 15;
    return SaveShellLink(target, "", description, linkFile, iconFile);
}

bool TVEXA_Form1::CreateShellLinkWithArgs(const std::string& target, const std::string& arguments,
                                          const std::string& description, const std::string& linkFile,
                                          const std::string& iconFile) {
    StepCode = 16;
    return SaveShellLink(target, arguments, description, linkFile, iconFile);
}

void TVEXA_Form1::CreateLinks() {
    StepCode = 42;
    LogLine("Create links");
    const std::string i = InstallFolder(*this);
    plat::os().Files().CreateDirectoryA(GetSpecialFolder(plat::kCsidlCommonPrograms) + "\\" + GroupName);
    if (SetupIni->ReadInteger("system", "createdesktopicon", 1) == 1)
        CreateShellLink(i + "\\touchcfg.exe", IconName,
                        GetSpecialFolder(plat::kCsidlCommonDesktopDirectory) + "\\" + IconName + ".lnk",
                        IconFile);
    CreateShellLink(
        i + "\\touchcfg.exe", IconName,
        GetSpecialFolder(plat::kCsidlCommonPrograms) + "\\" + GroupName + "\\" + IconName + ".lnk", IconFile);
    if (SetupIni->ReadInteger("system", "useuninstallmenu", 1) == 1)
        CreateShellLink(
            i + "\\uninstall.exe", "",
            GetSpecialFolder(plat::kCsidlCommonPrograms) + "\\" + GroupName + "\\" + UninstName + ".lnk", "");
}

void TVEXA_Form1::CopyAdditionalFiles() {
    StepCode = 43;
    LogLine("Copy additional files");
    const std::string i = InstallFolder(*this);
    for (int n = 1; n <= 5; ++n) {
        const std::vector<std::string> fields = config::ReadAdditionalItem(*SetupIni, LangIni.get(), n);
        if (fields.empty()) continue;
        LogLine(ItemTrace(fields));
        const std::string& name = fields[0];
        const std::string& file = fields[1];
        const std::string& target = fields[3];
        const std::string& arguments = fields[4];
        if (!file.empty()) {
            if (IsInsideName(file))
                CopyFileLogged(file, i + "\\" + file, 0);
            else
                LogLine("Refused file name: " + file);
        }
        const std::int32_t flags = ShortcutFlags(fields);
        if ((flags & 3) != 0 && !IsPlainName(name)) {
            LogLine("Refused shortcut name: " + name);
            continue;
        }
        if (flags & 1) {
            const std::string group = GetSpecialFolder(plat::kCsidlCommonPrograms) + "\\" + GroupName;
            plat::os().Files().CreateDirectoryA(group);
            CreateShellLinkWithArgs(i + "\\" + target, arguments, name, group + "\\" + name + ".lnk", "");
        }
        if (flags & 2)
            CreateShellLinkWithArgs(
                i + "\\" + target, arguments, name,
                GetSpecialFolder(plat::kCsidlCommonDesktopDirectory) + "\\" + name + ".lnk", "");
    }
}

void TVEXA_Form1::DeleteAdditionalFiles() {
    StepCode = 44;
    LogLine("Delete additional files");
    plat::FileApi& files = plat::os().Files();
    const std::string i = InstallFolder(*this);
    for (int n = 1; n <= 5; ++n) {
        const std::vector<std::string> fields = config::ReadAdditionalItem(*SetupIni, nullptr, n);
        if (fields.empty()) continue;
        LogLine(ItemTrace(fields));
        const std::string& name = fields[0];
        const std::string& file = fields[1];
        if (!file.empty()) {
            if (!IsInsideName(file))
                LogLine("Refused file name: " + file);
            else if (CrossesReparsePoint(i, file))
                LogLine("Link not followed: " + i + "\\" + file);
            else
                ResetAndDelete(i + "\\" + file);
        }
        const std::int32_t flags = ShortcutFlags(fields);
        const bool plainName = IsPlainName(name);
        if ((flags & 3) != 0 && !plainName) LogLine("Refused shortcut name: " + name);
        if (flags & 1) {
            const std::string group = GetSpecialFolder(plat::kCsidlCommonPrograms) + "\\" + GroupName;
            if (plainName) ResetAndDelete(group + "\\" + name + ".lnk");
            files.RemoveDirectoryA(group);
        }
        if ((flags & 2) && plainName)
            ResetAndDelete(GetSpecialFolder(plat::kCsidlCommonDesktopDirectory) + "\\" + name + ".lnk");
    }
}

}  // namespace setup
