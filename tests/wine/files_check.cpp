// The setup program's file routines against the real system, for the Wine
// tests: each run does one step in the package folder it is started in, with
// the setup state that startup would have given it, and prints the trace.
//
//   files_check STEP
//
//   usb | serial          stage the product's driver package, place its file
//                         set, the shortcuts and the additional files
//   remove-usb | remove-serial
//                         the product's removal set, then the additional
//                         files' removal
//   links                 every shortcut in the program group and on the
//                         common desktop, read back through the shell link
//                         object: "LINK <file>|<target>|<arguments>|
//                         <description>|<icon>,<index>|<working folder>"
//   images DIR            the four embedded images written into DIR as
//                         dpinst_x86.exe, dpinst_x64.exe, devcon_x86.exe and
//                         devcon_x64.exe
//
// Prints "TRACE <text>" for each trace text, "STATE <name>=<value>" for the
// state it set, and exits 0; an error that would end the run in the fatal
// report prints "ERROR <message>" and exits 1.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "config/ui_texts.h"
#include "deploy/file_ops.h"
#include "deploy/payloads/payloads.h"
#include "platform/os.h"
#include "platform/win32/win32_os.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace {

std::string ProgramFilesFolder() {
    plat::RegistryApi& registry = plat::os().Registry();
    plat::HKey key = 0;
    std::string value;
    if (registry.RegOpenKeyExA(plat::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                               plat::kKeyRead, &key) == 0) {
        plat::DWord type = 0;
        std::vector<std::uint8_t> data;
        if (registry.RegQueryValueExA(key, "ProgramFilesDir", &type, &data) == 0) {
            value.assign(data.begin(), data.end());
            value = value.substr(0, value.find('\0'));
        }
        registry.RegCloseKey(key);
    }
    return value.empty() ? "C:\\Program Files" : value;
}

// The setup state as startup leaves it for a package whose texts come from
// its own configuration file.
void Prepare(setup::TVEXA_Form1& form) {
    plat::Os& os = plat::os();
    std::string current;
    os.Files().GetCurrentDirectoryA(&current);
    form.SourceDir = current + (current.back() == '\\' ? "" : "\\");
    form.SetupIni = std::make_unique<config::IniFile>(form.SourceDir + "default.ini");
    form.LangIni = std::make_unique<config::IniFile>(form.SourceDir + "default.ini");
    form.UiTexts = config::BuiltInTexts();

    plat::OsVersionInfo version;
    version.size = 148;
    os.System().GetVersionExA(&version);
    form.IsNT = true;
    form.IsVistaOrLater = version.major == 6;
    form.IsWin7OrLater = version.major == 6 && version.minor > 0;
    form.IsXpOr2003 = !form.IsVistaOrLater && version.major == 5 && version.minor >= 1;
    form.Is64Bit = form.IsWow64() ? 1 : 0;
    if (form.Is64Bit == 1) {
        plat::Handle kernel32 = os.Libraries().GetModuleHandleA("kernel32.dll");
        setup::Wow64EnableFsRedirection =
            os.Libraries().GetProcAddress(kernel32, "Wow64EnableWow64FsRedirection");
    }

    os.System().GetWindowsDirectoryA(&form.WindowsDir, 255);
    os.System().GetTempPathA(259, &form.TempDir);
    form.ProgramFilesDir = ProgramFilesFolder();
    form.TargetSubDir = "\\" + form.SetupIni->ReadString("system", "targetdir", "Brivo");
    std::string icon = form.SetupIni->ReadString("system", "iconfile", "default");
    if (icon != "default") form.IconFile = form.ProgramFilesDir + form.TargetSubDir + "\\" + icon;
    form.GroupName =
        form.LangIni->ReadString("SetupText", "groupname", std::string(config::kDefaultGroupName));
    form.IconName = form.LangIni->ReadString("SetupText", "iconname", std::string(config::kDefaultIconName));
    form.UninstName =
        form.LangIni->ReadString("SetupText", "uninstname", std::string(config::kDefaultUninstName));
    form.Manufacturer = form.SetupIni->ReadString("INFData", "manufacturer", "nil");
    form.DeviceHwId = "VID_0D7A&PID_0300";
    form.DeviceDescText = "Example Touch USB Controller";

    std::printf(
        "STATE Windows=%lu.%lu\nSTATE Is64Bit=%d\nSTATE WindowsDir=%s\nSTATE ProgramFilesDir=%s\nSTATE "
        "TempDir=%s\n",
        static_cast<unsigned long>(version.major), static_cast<unsigned long>(version.minor), form.Is64Bit,
        form.WindowsDir.c_str(), form.ProgramFilesDir.c_str(), form.TempDir.c_str());
}

void PrintLinks(setup::TVEXA_Form1& form, const std::string& folder) {
    plat::Os& os = plat::os();
    plat::ShellApi& shell = os.Shell();
    plat::FindData found;
    plat::Handle search = os.Files().FindFirstFileA(folder + "\\*.lnk", &found);
    if (search == plat::kInvalidHandle) return;
    do {
        const std::string path = folder + "\\" + found.name;
        plat::ComObject link = 0;
        plat::ComObject file = 0;
        if (!plat::Succeeded(shell.CoCreateInstance(plat::kClsidShellLink, 0, plat::kClsctxInprocServer,
                                                    plat::kIidShellLinkA, &link)))
            continue;
        std::u16string widePath;
        os.System().MultiByteToWideChar(plat::kCpAcp, 0, path, &widePath, 260);
        std::string target, arguments, description, icon, workingFolder;
        int index = 0;
        plat::HResult loaded = plat::kEFail;
        if (plat::Succeeded(shell.QueryInterface(link, plat::kIidPersistFile, &file))) {
            loaded = shell.PersistFileLoad(file, widePath, plat::kStgmRead);
            shell.Release(file);
        }
        if (plat::Succeeded(loaded)) {
            shell.ShellLinkGetPath(link, &target, 260, plat::kSlgpRawPath);
            shell.ShellLinkGetArguments(link, &arguments, 1024);
            shell.ShellLinkGetDescription(link, &description, 1024);
            shell.ShellLinkGetIconLocation(link, &icon, 260, &index);
            shell.ShellLinkGetWorkingDirectory(link, &workingFolder, 260);
            std::printf("LINK %s|%s|%s|%s|%s,%d|%s\n", path.c_str(), target.c_str(), arguments.c_str(),
                        description.c_str(), icon.c_str(), index, workingFolder.c_str());
        } else {
            std::printf("LINK %s unreadable (0x%08lX)\n", path.c_str(), static_cast<unsigned long>(loaded));
        }
        shell.Release(link);
    } while (os.Files().FindNextFileA(search, &found));
    os.Files().FindClose(search);
    (void)form;
}

int Run(const std::vector<std::string>& arguments) {
    setup::TVEXA_Form1 form;
    Prepare(form);
    const std::string step = arguments.empty() ? "" : arguments[0];
    if (step == "usb" || step == "serial") {
        form.ProductKind = step == "usb" ? 0 : 1;
        form.GenerateInf();
        if (step == "usb")
            form.CopyNtUsbFiles();
        else
            form.CopyNtSerialFiles();
        form.CreateLinks();
        form.CopyAdditionalFiles();
    } else if (step == "remove-usb" || step == "remove-serial") {
        if (step == "remove-usb")
            form.DeleteNtUsbFiles();
        else
            form.DeleteNtSerialFiles();
        form.DeleteAdditionalFiles();
    } else if (step == "links") {
        const std::string programs = form.GetSpecialFolder(plat::kCsidlCommonPrograms);
        PrintLinks(form, programs + "\\" + form.GroupName);
        PrintLinks(form, form.GetSpecialFolder(plat::kCsidlCommonDesktopDirectory));
    } else if (step == "images" && arguments.size() == 2) {
        const std::pair<const char*, setup::payloads::Image> images[] = {
            {"dpinst_x86.exe", setup::payloads::DpinstX86()},
            {"dpinst_x64.exe", setup::payloads::DpinstX64()},
            {"devcon_x86.exe", setup::payloads::DevconX86()},
            {"devcon_x64.exe", setup::payloads::DevconX64()}};
        for (const auto& [name, image] : images)
            if (!setup::WriteImageFile(arguments[1] + "\\" + name, image.data, image.size))
                std::printf("ERROR cannot create %s\n", name);
    } else {
        std::fprintf(stderr, "usage: files_check usb|serial|remove-usb|remove-serial|links|images DIR\n");
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    plat::win32::Win32Os os;
    plat::SetOs(&os);
    setup::SetTraceSink([](const std::string& text) { std::printf("TRACE %s\n", text.c_str()); });
    os.Shell().CoInitialize();
    int status = 0;
    try {
        status = Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::printf("ERROR %s\n", error.what());
        status = 1;
    }
    std::fflush(stdout);
    os.Shell().CoUninitialize();
    return status;
}
