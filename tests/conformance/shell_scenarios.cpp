// Shell folders and shell links: the common special folders, COM
// initialisation, the shell link object's properties saved through
// IPersistFile and loaded back, and the failures of each step.
#include "conformance/helpers.h"

namespace conformance {
namespace {

plat::ShellApi& Shell() {
    return plat::os().Shell();
}

std::string HResultText(plat::HResult result) {
    return Hex(static_cast<std::uint32_t>(result));
}

// The path of a special folder, or the HRESULT of the failing call.
std::string FolderPath(int csidl) {
    plat::ItemIdList list = 0;
    plat::HResult result = Shell().SHGetSpecialFolderLocation(0, csidl, &list);
    if (!plat::Succeeded(result)) return "failed, " + HResultText(result);
    std::string path;
    bool converted = Shell().SHGetPathFromIDListA(list, &path) != 0;
    Shell().CoTaskMemFree(list);
    return converted ? Upper(path) : "no path";
}

// COM on this thread for the scenario; undone at the end.
class ComScope {
public:
    explicit ComScope(Check& check) {
        plat::HResult result = Shell().CoInitialize();
        // S_FALSE: already initialised on this thread, which counts as well.
        check.Expect(
            "CoInitialize",
            result == plat::kSOk || result == plat::kSFalse ? "S_OK or S_FALSE" : HResultText(result),
            "S_OK or S_FALSE");
    }
    ~ComScope() { Shell().CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
};

plat::ComObject NewLink(Check& check) {
    plat::ComObject link = 0;
    check.Expect("CoCreateInstance of the shell link",
                 HResultText(Shell().CoCreateInstance(plat::kClsidShellLink, 0, plat::kClsctxInprocServer,
                                                      plat::kIidShellLinkA, &link)),
                 HResultText(plat::kSOk));
    return link;
}

std::u16string Wide(const std::string& path) {
    std::u16string wide;
    plat::os().System().MultiByteToWideChar(plat::kCpAcp, 0, path, &wide, 260);
    return wide;
}

}  // namespace

SCENARIO("shell", "common special folders of Windows 7") {
    // The default locations Windows Vista and 7 document for the common
    // programs, desktop and application-data folders.
    check.Expect("CSIDL_COMMON_PROGRAMS", FolderPath(plat::kCsidlCommonPrograms),
                 "C:\\PROGRAMDATA\\MICROSOFT\\WINDOWS\\START MENU\\PROGRAMS");
    check.Expect("CSIDL_COMMON_DESKTOPDIRECTORY", FolderPath(plat::kCsidlCommonDesktopDirectory),
                 "C:\\USERS\\PUBLIC\\DESKTOP");
    check.Expect("CSIDL_COMMON_APPDATA", FolderPath(plat::kCsidlCommonAppData), "C:\\PROGRAMDATA");
    check.Expect("a folder number that names no folder", FolderPath(0x7F), "failed, 0x80070057");
}

SCENARIO("shell", "shell link saved and loaded back") {
    ComScope com(check);
    const std::string path = InScratch(backend, "Touch panel.lnk");
    plat::ComObject link = NewLink(check);
    if (link == 0) return;
    // The documentation says S_OK for success; Windows answers S_FALSE for a
    // target that does not exist (and keeps it), as Wine's tests of Windows show.
    const std::string tool = InScratch(backend, "tool.exe");
    plat::os().Files().WriteWholeFile(tool, "MZ");
    check.Expect("SetPath of an existing file", HResultText(Shell().ShellLinkSetPath(link, tool)), "0x0");
    check.Expect("SetPath of a missing file",
                 HResultText(Shell().ShellLinkSetPath(link, "C:\\Program Files\\Tool\\tool.exe")), "0x1");
    check.Expect("SetDescription", HResultText(Shell().ShellLinkSetDescription(link, "Touch panel")), "0x0");
    check.Expect("SetArguments", HResultText(Shell().ShellLinkSetArguments(link, "/calib -x")), "0x0");
    check.Expect("SetIconLocation",
                 HResultText(Shell().ShellLinkSetIconLocation(link, "C:\\Program Files\\Tool\\tool.ico", 0)),
                 "0x0");
    plat::ComObject file = 0;
    check.Expect("QueryInterface for IPersistFile",
                 HResultText(Shell().QueryInterface(link, plat::kIidPersistFile, &file)), "0x0");
    check.Expect("Save", HResultText(Shell().PersistFileSave(file, Wide(path), 1)), "0x0");
    Shell().Release(file);
    check.Expect("the last Release", static_cast<std::int64_t>(Shell().Release(link)), 0);
    check.Expect("the link file exists",
                 Hex(plat::os().Files().GetFileAttributesA(path) & plat::kFileAttributeDirectory), "0x0");

    plat::ComObject reader = NewLink(check);
    if (reader == 0) return;
    plat::ComObject readerFile = 0;
    Shell().QueryInterface(reader, plat::kIidPersistFile, &readerFile);
    check.Expect("Load", HResultText(Shell().PersistFileLoad(readerFile, Wide(path), plat::kStgmRead)),
                 "0x0");
    std::string text;
    Shell().ShellLinkGetPath(reader, &text, 260, plat::kSlgpRawPath);
    check.Expect("the target read back", Upper(text), "C:\\PROGRAM FILES\\TOOL\\TOOL.EXE");
    Shell().ShellLinkGetDescription(reader, &text, 1024);
    check.Expect("the description read back", text, "Touch panel");
    Shell().ShellLinkGetArguments(reader, &text, 1024);
    check.Expect("the arguments read back", text, "/calib -x");
    int index = -1;
    Shell().ShellLinkGetIconLocation(reader, &text, 260, &index);
    check.Expect("the icon read back", Upper(text) + "," + std::to_string(index),
                 "C:\\PROGRAM FILES\\TOOL\\TOOL.ICO,0");
    Shell().ShellLinkGetWorkingDirectory(reader, &text, 260);
    check.Expect("no working folder was set", text, "");
    int show = 0;
    Shell().ShellLinkGetShowCmd(reader, &show);
    check.Expect("the show command keeps its default", show, 1);  // SW_SHOWNORMAL
    Shell().Release(readerFile);
    Shell().Release(reader);
}

SCENARIO("shell", "shell link failures") {
    ComScope com(check);
    plat::ComObject object = 1;
    const plat::Guid unknownClass{
        0x9E5F0E31, 0x3D2A, 0x4C1B, {0x8E, 0x7F, 0x21, 0x33, 0x44, 0x55, 0x66, 0x77}};
    check.Expect("CoCreateInstance of a class nobody registered",
                 HResultText(Shell().CoCreateInstance(unknownClass, 0, plat::kClsctxInprocServer,
                                                      plat::kIidUnknown, &object)),
                 HResultText(plat::kRegdbEClassNotReg));
    check.Expect("and no object", static_cast<std::int64_t>(object), 0);

    plat::ComObject link = NewLink(check);
    if (link == 0) return;
    plat::ComObject other = 1;
    check.Expect("QueryInterface for an interface the link lacks",
                 HResultText(Shell().QueryInterface(link, unknownClass, &other)),
                 HResultText(plat::kENoInterface));
    check.Expect("and no pointer", static_cast<std::int64_t>(other), 0);
    plat::ComObject file = 0;
    Shell().QueryInterface(link, plat::kIidPersistFile, &file);
    Shell().ShellLinkSetPath(link, "C:\\tool.exe");
    check.Expect("Save into a missing folder",
                 HResultText(Shell().PersistFileSave(file, Wide(InScratch(backend, "none\\x.lnk")), 1)),
                 HResultText(plat::HResultFromWin32(plat::kErrorPathNotFound)));
    const std::string text = InScratch(backend, "not a link.lnk");
    plat::os().Files().WriteWholeFile(text, "plain text, not a shell link");
    check.Expect(
        "Load of a file that is no link fails",
        plat::Succeeded(Shell().PersistFileLoad(file, Wide(text), plat::kStgmRead)) ? "succeeded" : "failed",
        "failed");
    Shell().Release(file);
    Shell().Release(link);
}

}  // namespace conformance
