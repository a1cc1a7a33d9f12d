// The simulated shell: special folders laid out as the machine's Windows
// family lays them out, COM initialisation of the program's thread, and the
// shell link object, whose saved files hold their properties as readable text.
//
// Behaviour worth knowing when writing tests:
// - Windows 2000 and XP (major version 5) keep profiles below
//   "<drive>\Documents and Settings" ("All Users" for the common folders);
//   Vista and later below "<drive>\Users" and "<drive>\ProgramData"
//   (Public for the common desktop). `folders` overrides a folder.
// - SHGetSpecialFolderLocation answers E_INVALIDARG for a folder number it
//   does not know and HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when the
//   folder does not exist on the machine.
// - IShellLinkA::SetPath keeps any path and answers S_FALSE when no such
//   file exists, as Windows does.
// - CoCreateInstance needs CoInitialize first (CO_E_NOTINITIALIZED), knows
//   only the shell link class, and hands out IUnknown, IShellLinkA and
//   IPersistFile. Using an interface after its object was released, or
//   freeing an item-ID list twice, stops the test (HarnessFailure): on
//   Windows that is a crash.
// - A saved link file is an INI-like text ("[ShellLink]" with Target,
//   Arguments, WorkingDirectory, Description, IconLocation, IconIndex,
//   ShowCommand, Hotkey), written like CreateFile(CREATE_ALWAYS); its name is
//   converted from UTF-16 to the machine's ANSI code page.
// - Failure injection keys: the folder number in decimal
//   (SHGetSpecialFolderLocation), the folder's path (SHGetPathFromIDListA),
//   the text set (ShellLinkSet...), the file name (PersistFileSave/Load). An
//   injected Win32 error code is returned as its HRESULT.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace sim {

class SimPc;
struct MachineFacts;

// The path of special folder `csidl` on a machine with these facts; "" for a
// folder number the simulated shell does not know.
std::string SpecialFolderOf(const MachineFacts& facts, int csidl);

// The profile folders and common shell folders a fresh Windows of the
// facts' family has.
std::vector<std::string> StandardProfileFolders(const MachineFacts& facts);

// The properties a shell link holds.
struct ShellLinkData {
    std::string target;
    std::string arguments;
    std::string workingDirectory;
    std::string description;
    std::string iconPath;
    int iconIndex = 0;
    int showCommand = 1;  // SW_SHOWNORMAL
    int hotkey = 0;
    bool operator==(const ShellLinkData&) const = default;
};

// The saved form of a link, and back; nullopt when the text is no link.
std::string FormatShellLink(const ShellLinkData& link);
std::optional<ShellLinkData> ParseShellLink(const std::string& text);

class SimShell : public plat::ShellApi {
public:
    explicit SimShell(SimPc& pc);
    ~SimShell() override;

    plat::HResult SHGetSpecialFolderLocation(plat::Hwnd owner, int folder, plat::ItemIdList* list) override;
    plat::Bool SHGetPathFromIDListA(plat::ItemIdList list, std::string* path) override;
    void CoTaskMemFree(plat::ItemIdList memory) override;
    plat::HResult CoInitialize() override;
    void CoUninitialize() override;
    plat::HResult CoCreateInstance(const plat::Guid& clsid, plat::ComObject outer, plat::DWord context,
                                   const plat::Guid& iid, plat::ComObject* object) override;
    plat::HResult QueryInterface(plat::ComObject object, const plat::Guid& iid,
                                 plat::ComObject* result) override;
    plat::ULong Release(plat::ComObject object) override;
    plat::HResult ShellLinkSetPath(plat::ComObject link, const std::string& path) override;
    plat::HResult ShellLinkSetDescription(plat::ComObject link, const std::string& description) override;
    plat::HResult ShellLinkSetArguments(plat::ComObject link, const std::string& arguments) override;
    plat::HResult ShellLinkSetIconLocation(plat::ComObject link, const std::string& iconPath,
                                           int index) override;
    plat::HResult ShellLinkGetPath(plat::ComObject link, std::string* path, int maxChars,
                                   plat::DWord flags) override;
    plat::HResult ShellLinkGetDescription(plat::ComObject link, std::string* description,
                                          int maxChars) override;
    plat::HResult ShellLinkGetArguments(plat::ComObject link, std::string* arguments, int maxChars) override;
    plat::HResult ShellLinkGetWorkingDirectory(plat::ComObject link, std::string* folder,
                                               int maxChars) override;
    plat::HResult ShellLinkGetIconLocation(plat::ComObject link, std::string* iconPath, int maxChars,
                                           int* index) override;
    plat::HResult ShellLinkGetShowCmd(plat::ComObject link, int* showCommand) override;
    plat::HResult PersistFileSave(plat::ComObject file, const std::u16string& fileName,
                                  plat::Bool remember) override;
    plat::HResult PersistFileLoad(plat::ComObject file, const std::u16string& fileName,
                                  plat::DWord mode) override;

    // Special folders placed elsewhere than the family's layout, by number.
    std::map<int, std::string> folders;
    std::string SpecialFolderPath(int csidl) const;

    // A link file on the machine read back (by full path, as saved); nullopt
    // when it is missing or no link.
    std::optional<ShellLinkData> ReadLink(const std::string& path) const;

    int comInitialized = 0;  // CoInitialize calls not yet undone
    std::size_t LiveComObjects() const;
    std::size_t OpenItemIdLists() const { return itemIdLists_.size(); }

private:
    enum class Interface { Unknown, ShellLink, PersistFile };
    struct LinkObject;
    LinkObject& Object(plat::ComObject pointer, Interface expected, const char* call);
    plat::HResult Injected(const std::string& call, const std::string& argument);
    std::string AnsiName(const std::u16string& fileName);

    SimPc& pc_;
    std::map<plat::ItemIdList, std::string> itemIdLists_;
    std::map<plat::ComObject, std::pair<std::shared_ptr<LinkObject>, Interface>> interfaces_;
};

}  // namespace sim
