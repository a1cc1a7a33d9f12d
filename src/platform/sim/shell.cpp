#include "platform/sim/shell.h"

#include <cstdio>
#include <sstream>

#include "platform/sim/machine.h"

namespace sim {

namespace {

constexpr std::size_t kMaxPath = 260;
constexpr plat::HResult kClassENoAggregation = static_cast<plat::HResult>(0x80040110u);

std::string Drive(const MachineFacts& facts) {
    return facts.windowsDir.size() >= 2 ? facts.windowsDir.substr(0, 2) : "C:";
}

// Windows 2000 and XP keep the profiles below "Documents and Settings".
bool OldProfileLayout(const MachineFacts& facts) {
    return facts.major < 6;
}

// A buffer-filling Get: the text, cut to fit `maxChars` with its NUL.
plat::HResult Fill(const std::string& text, std::string* out, int maxChars) {
    if (maxChars <= 0) return plat::kEInvalidArg;
    if (out) *out = text.substr(0, static_cast<std::size_t>(maxChars - 1));
    return plat::kSOk;
}

}  // namespace

std::string SpecialFolderOf(const MachineFacts& facts, int csidl) {
    const std::string drive = Drive(facts);
    if (OldProfileLayout(facts)) {
        const std::string profiles = drive + "\\Documents and Settings";
        const std::string user = profiles + "\\" + facts.userName;
        const std::string all = profiles + "\\All Users";
        switch (csidl) {
            case plat::kCsidlPrograms:
                return user + "\\Start Menu\\Programs";
            case plat::kCsidlDesktopDirectory:
                return user + "\\Desktop";
            case plat::kCsidlCommonPrograms:
                return all + "\\Start Menu\\Programs";
            case plat::kCsidlCommonDesktopDirectory:
                return all + "\\Desktop";
            case plat::kCsidlAppData:
                return user + "\\Application Data";
            case plat::kCsidlLocalAppData:
                return user + "\\Local Settings\\Application Data";
            case plat::kCsidlCommonAppData:
                return all + "\\Application Data";
            default:
                break;
        }
    } else {
        const std::string user = drive + "\\Users\\" + facts.userName;
        switch (csidl) {
            case plat::kCsidlPrograms:
                return user + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
            case plat::kCsidlDesktopDirectory:
                return user + "\\Desktop";
            case plat::kCsidlCommonPrograms:
                return drive + "\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
            case plat::kCsidlCommonDesktopDirectory:
                return drive + "\\Users\\Public\\Desktop";
            case plat::kCsidlAppData:
                return user + "\\AppData\\Roaming";
            case plat::kCsidlLocalAppData:
                return user + "\\AppData\\Local";
            case plat::kCsidlCommonAppData:
                return drive + "\\ProgramData";
            default:
                break;
        }
    }
    if (csidl == plat::kCsidlWindows) return facts.windowsDir;
    if (csidl == plat::kCsidlSystem) return facts.windowsDir + "\\System32";
    return "";
}

std::vector<std::string> StandardProfileFolders(const MachineFacts& facts) {
    const std::string drive = Drive(facts);
    std::vector<std::string> folders;
    if (OldProfileLayout(facts)) {
        const std::string profiles = drive + "\\Documents and Settings";
        folders = {profiles + "\\All Users", profiles + "\\Default User", profiles + "\\" + facts.userName};
    } else {
        folders = {drive + "\\Users\\Public", drive + "\\Users\\Default",
                   drive + "\\Users\\" + facts.userName};
    }
    for (int csidl : {plat::kCsidlPrograms, plat::kCsidlDesktopDirectory, plat::kCsidlCommonPrograms,
                      plat::kCsidlCommonDesktopDirectory, plat::kCsidlAppData, plat::kCsidlLocalAppData,
                      plat::kCsidlCommonAppData})
        folders.push_back(SpecialFolderOf(facts, csidl));
    return folders;
}

std::string FormatShellLink(const ShellLinkData& link) {
    std::ostringstream out;
    out << "; A shell link of the simulated PC.\r\n"
        << "[ShellLink]\r\n"
        << "Target=" << link.target << "\r\n"
        << "Arguments=" << link.arguments << "\r\n"
        << "WorkingDirectory=" << link.workingDirectory << "\r\n"
        << "Description=" << link.description << "\r\n"
        << "IconLocation=" << link.iconPath << "\r\n"
        << "IconIndex=" << link.iconIndex << "\r\n"
        << "ShowCommand=" << link.showCommand << "\r\n"
        << "Hotkey=" << link.hotkey << "\r\n";
    return out.str();
}

std::optional<ShellLinkData> ParseShellLink(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    bool header = false;
    ShellLinkData link;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line == "[ShellLink]") {
            header = true;
            continue;
        }
        if (!header) return std::nullopt;
        auto eq = line.find('=');
        if (eq == std::string::npos) return std::nullopt;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        auto number = [&]() -> int {
            try {
                return std::stoi(value);
            } catch (const std::exception&) {
                return 0;
            }
        };
        if (key == "Target")
            link.target = value;
        else if (key == "Arguments")
            link.arguments = value;
        else if (key == "WorkingDirectory")
            link.workingDirectory = value;
        else if (key == "Description")
            link.description = value;
        else if (key == "IconLocation")
            link.iconPath = value;
        else if (key == "IconIndex")
            link.iconIndex = number();
        else if (key == "ShowCommand")
            link.showCommand = number();
        else if (key == "Hotkey")
            link.hotkey = number();
    }
    if (!header) return std::nullopt;
    return link;
}

struct SimShell::LinkObject {
    ShellLinkData data;
    std::string currentFile;  // remembered by a save or load
    plat::ULong references = 0;
    std::map<Interface, plat::ComObject> pointers;
};

SimShell::SimShell(SimPc& pc) : pc_(pc) {}

SimShell::~SimShell() = default;

std::string SimShell::AnsiName(const std::u16string& fileName) {
    // The file system of the simulated PC names files in the ANSI code page.
    SimPc::OwnUse own(pc_);
    std::string name;
    if (!fileName.empty() && pc_.system.WideCharToMultiByte(plat::kCpAcp, 0, fileName, &name) == 0)
        name.clear();
    return name;
}

plat::HResult SimShell::Injected(const std::string& call, const std::string& argument) {
    if (!pc_.TakeFailure(call, argument)) return plat::kSOk;
    plat::DWord error = pc_.GetLastError();
    return error < 0x10000u ? plat::HResultFromWin32(error) : static_cast<plat::HResult>(error);
}

std::string SimShell::SpecialFolderPath(int csidl) const {
    auto it = folders.find(csidl);
    return it != folders.end() ? it->second : SpecialFolderOf(pc_.facts, csidl);
}

plat::HResult SimShell::SHGetSpecialFolderLocation(plat::Hwnd, int folder, plat::ItemIdList* list) {
    if (list) *list = 0;
    if (plat::HResult failure = Injected("SHGetSpecialFolderLocation", std::to_string(folder)))
        return failure;
    std::string path = SpecialFolderPath(folder);
    if (path.empty()) return plat::kEInvalidArg;
    if (!pc_.files.IsFolder(path)) return plat::HResultFromWin32(plat::kErrorFileNotFound);
    plat::ItemIdList handle = pc_.NewHandle();
    itemIdLists_[handle] = path;
    if (list) *list = handle;
    return plat::kSOk;
}

plat::Bool SimShell::SHGetPathFromIDListA(plat::ItemIdList list, std::string* path) {
    auto it = itemIdLists_.find(list);
    if (list != 0 && it == itemIdLists_.end())
        throw HarnessFailure{"SHGetPathFromIDListA with an item-ID list that is not allocated"};
    if (pc_.TakeFailure("SHGetPathFromIDListA", list ? it->second : "")) {
        if (path) path->clear();
        return 0;
    }
    if (list == 0 || it->second.size() + 1 > kMaxPath) {
        if (path) path->clear();
        return 0;
    }
    if (path) *path = it->second;
    return 1;
}

void SimShell::CoTaskMemFree(plat::ItemIdList memory) {
    if (memory == 0) return;
    if (itemIdLists_.erase(memory) == 0)
        throw HarnessFailure{"CoTaskMemFree of memory that is not allocated"};
}

plat::HResult SimShell::CoInitialize() {
    if (plat::HResult failure = Injected("CoInitialize", "")) return failure;
    return ++comInitialized == 1 ? plat::kSOk : plat::kSFalse;
}

void SimShell::CoUninitialize() {
    if (comInitialized > 0) --comInitialized;
}

plat::HResult SimShell::CoCreateInstance(const plat::Guid& clsid, plat::ComObject outer, plat::DWord context,
                                         const plat::Guid& iid, plat::ComObject* object) {
    if (object) *object = 0;
    if (plat::HResult failure = Injected("CoCreateInstance", GuidText(clsid))) return failure;
    if (comInitialized == 0) return plat::kCoENotInitialized;
    if (object == nullptr) return plat::kEPointer;
    if (clsid != plat::kClsidShellLink || (context & plat::kClsctxInprocServer) == 0)
        return plat::kRegdbEClassNotReg;
    if (outer != 0) return kClassENoAggregation;
    auto created = std::make_shared<LinkObject>();
    plat::ComObject unknown = pc_.NewHandle();
    created->pointers[Interface::Unknown] = unknown;
    interfaces_[unknown] = {created, Interface::Unknown};
    created->references = 1;
    plat::HResult result = QueryInterface(unknown, iid, object);
    Release(unknown);
    return result;
}

plat::HResult SimShell::QueryInterface(plat::ComObject object, const plat::Guid& iid,
                                       plat::ComObject* result) {
    LinkObject& link = Object(object, Interface::Unknown, "QueryInterface");
    if (result == nullptr) return plat::kEPointer;
    *result = 0;
    if (plat::HResult failure = Injected("QueryInterface", GuidText(iid))) return failure;
    Interface wanted;
    if (iid == plat::kIidUnknown)
        wanted = Interface::Unknown;
    else if (iid == plat::kIidShellLinkA)
        wanted = Interface::ShellLink;
    else if (iid == plat::kIidPersistFile)
        wanted = Interface::PersistFile;
    else
        return plat::kENoInterface;
    auto found = link.pointers.find(wanted);
    if (found == link.pointers.end()) {
        plat::ComObject pointer = pc_.NewHandle();
        found = link.pointers.emplace(wanted, pointer).first;
        interfaces_[pointer] = {interfaces_.at(object).first, wanted};
    }
    ++link.references;
    *result = found->second;
    return plat::kSOk;
}

plat::ULong SimShell::Release(plat::ComObject object) {
    Object(object, Interface::Unknown, "Release");
    std::shared_ptr<LinkObject> link = interfaces_.at(object).first;
    if (--link->references > 0) return link->references;
    for (const auto& [kind, pointer] : link->pointers) interfaces_.erase(pointer);
    return 0;
}

SimShell::LinkObject& SimShell::Object(plat::ComObject pointer, Interface expected, const char* call) {
    auto it = interfaces_.find(pointer);
    if (it == interfaces_.end())
        throw HarnessFailure{std::string(call) + " on an interface pointer that is not alive"};
    if (expected != Interface::Unknown && it->second.second != expected)
        throw HarnessFailure{std::string(call) + " on a pointer of another interface"};
    return *it->second.first;
}

plat::HResult SimShell::ShellLinkSetPath(plat::ComObject link, const std::string& path) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::SetPath");
    if (plat::HResult failure = Injected("ShellLinkSetPath", path)) return failure;
    object.data.target = path;
    // The target is kept all the same; Windows answers S_FALSE when it does not exist.
    const std::string target = pc_.files.Resolve(path);
    return !target.empty() && pc_.files.Exists(target) ? plat::kSOk : plat::kSFalse;
}

plat::HResult SimShell::ShellLinkSetDescription(plat::ComObject link, const std::string& description) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::SetDescription");
    if (plat::HResult failure = Injected("ShellLinkSetDescription", description)) return failure;
    object.data.description = description;
    return plat::kSOk;
}

plat::HResult SimShell::ShellLinkSetArguments(plat::ComObject link, const std::string& arguments) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::SetArguments");
    if (plat::HResult failure = Injected("ShellLinkSetArguments", arguments)) return failure;
    object.data.arguments = arguments;
    return plat::kSOk;
}

plat::HResult SimShell::ShellLinkSetIconLocation(plat::ComObject link, const std::string& iconPath,
                                                 int index) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::SetIconLocation");
    if (plat::HResult failure = Injected("ShellLinkSetIconLocation", iconPath)) return failure;
    object.data.iconPath = iconPath;
    object.data.iconIndex = index;
    return plat::kSOk;
}

plat::HResult SimShell::ShellLinkGetPath(plat::ComObject link, std::string* path, int maxChars, plat::DWord) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::GetPath");
    if (plat::HResult failure = Injected("ShellLinkGetPath", object.currentFile)) return failure;
    plat::HResult result = Fill(object.data.target, path, maxChars);
    // A link without a target answers S_FALSE and an empty text.
    return result == plat::kSOk && object.data.target.empty() ? plat::kSFalse : result;
}

plat::HResult SimShell::ShellLinkGetDescription(plat::ComObject link, std::string* description,
                                                int maxChars) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::GetDescription");
    if (plat::HResult failure = Injected("ShellLinkGetDescription", object.currentFile)) return failure;
    return Fill(object.data.description, description, maxChars);
}

plat::HResult SimShell::ShellLinkGetArguments(plat::ComObject link, std::string* arguments, int maxChars) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::GetArguments");
    if (plat::HResult failure = Injected("ShellLinkGetArguments", object.currentFile)) return failure;
    return Fill(object.data.arguments, arguments, maxChars);
}

plat::HResult SimShell::ShellLinkGetWorkingDirectory(plat::ComObject link, std::string* folder,
                                                     int maxChars) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::GetWorkingDirectory");
    if (plat::HResult failure = Injected("ShellLinkGetWorkingDirectory", object.currentFile)) return failure;
    return Fill(object.data.workingDirectory, folder, maxChars);
}

plat::HResult SimShell::ShellLinkGetIconLocation(plat::ComObject link, std::string* iconPath, int maxChars,
                                                 int* index) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::GetIconLocation");
    if (plat::HResult failure = Injected("ShellLinkGetIconLocation", object.currentFile)) return failure;
    if (index) *index = object.data.iconIndex;
    return Fill(object.data.iconPath, iconPath, maxChars);
}

plat::HResult SimShell::ShellLinkGetShowCmd(plat::ComObject link, int* showCommand) {
    LinkObject& object = Object(link, Interface::ShellLink, "IShellLinkA::GetShowCmd");
    if (plat::HResult failure = Injected("ShellLinkGetShowCmd", object.currentFile)) return failure;
    if (showCommand) *showCommand = object.data.showCommand;
    return plat::kSOk;
}

plat::HResult SimShell::PersistFileSave(plat::ComObject file, const std::u16string& fileName,
                                        plat::Bool remember) {
    LinkObject& object = Object(file, Interface::PersistFile, "IPersistFile::Save");
    std::string name = fileName.empty() ? object.currentFile : AnsiName(fileName);
    if (plat::HResult failure = Injected("PersistFileSave", name)) return failure;
    if (name.empty()) return plat::kEInvalidArg;
    if (plat::DWord error = pc_.files.WriteForCall(name, FormatShellLink(object.data)))
        return plat::HResultFromWin32(error);
    if (remember || fileName.empty()) object.currentFile = name;
    return plat::kSOk;
}

plat::HResult SimShell::PersistFileLoad(plat::ComObject file, const std::u16string& fileName, plat::DWord) {
    LinkObject& object = Object(file, Interface::PersistFile, "IPersistFile::Load");
    std::string name = AnsiName(fileName);
    if (plat::HResult failure = Injected("PersistFileLoad", name)) return failure;
    std::string text;
    if (plat::DWord error = pc_.files.ReadForCall(name, &text)) return plat::HResultFromWin32(error);
    std::optional<ShellLinkData> data = ParseShellLink(text);
    if (!data) return plat::kEFail;
    object.data = *data;
    object.currentFile = name;
    return plat::kSOk;
}

std::optional<ShellLinkData> SimShell::ReadLink(const std::string& path) const {
    if (!pc_.files.Exists(path) || pc_.files.IsFolder(path)) return std::nullopt;
    return ParseShellLink(pc_.files.Contents(path));
}

std::size_t SimShell::LiveComObjects() const {
    std::size_t count = 0;
    for (const auto& [pointer, entry] : interfaces_)
        if (entry.second == Interface::Unknown) ++count;
    return count;
}

}  // namespace sim
