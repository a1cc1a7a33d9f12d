#include "platform/sim/libraries.h"

#include <cctype>

#include "platform/sim/machine.h"
#include "platform/sim/names.h"

namespace sim {
namespace {

std::string WithDll(const std::string& name) {
    return FileNameOf(name).find('.') == std::string::npos ? name + ".dll" : name;
}

}  // namespace

SimLibraries::SimLibraries(SimPc& pc) : pc_(pc) {
    for (const char* library : {"KERNEL32.DLL", "NETAPI32.DLL", "NEWDEV.DLL", "SETUPAPI.DLL"})
        system_[library];
}

namespace {

// Whether the system library of this Windows exports the function, as
// Microsoft documents each function's first version. Only the exports the
// program looks up at run time vary; the others are there on every NT system.
bool ExportedBy(const MachineFacts& facts, const std::string& library, const std::string& name) {
    const plat::DWord version = facts.major * 100 + facts.minor;  // 500 2000, 501 XP, 502 2003 and XP x64
    const int sp = facts.ServicePackNumber();
    if (library == "KERNEL32.DLL") {
        if (name == "GetLocaleInfoEx") return version >= 600;
        if (name == "IsWow64Process")
            return version >= 600 || (version == 501 && sp >= 2) ||
                   (version == 502 && (sp >= 1 || facts.is64Bit));
        if (name == "Wow64EnableWow64FsRedirection")
            return version >= 600 || (version == 502 && facts.is64Bit);
        if (name == "SetDllDirectoryA")
            return version >= 600 || (version >= 501 && (sp >= 1 || facts.is64Bit));
        return false;
    }
    if (library == "NETAPI32.DLL") return name == "NetUserGetInfo" || name == "NetApiBufferFree";
    if (library == "NEWDEV.DLL") return name == "UpdateDriverForPlugAndPlayDevicesA";
    if (library == "SETUPAPI.DLL") return name == "SetupUninstallOEMInfA" && version >= 501;
    return false;
}

}  // namespace

bool SimLibraries::SystemExports(const std::string& library, const std::string& name) const {
    std::string key = UpperName(WithDll(FileNameOf(library)));
    auto it = system_.find(key);
    if (it == system_.end()) return false;
    if (it->second.removed.count(name)) return false;
    return it->second.added.count(name) > 0 || ExportedBy(pc_.facts, key, name);
}

void SimLibraries::SetSystemExport(const std::string& library, const std::string& name, bool present) {
    SystemLibrary& exports = system_[UpperName(WithDll(FileNameOf(library)))];
    (present ? exports.added : exports.removed).insert(name);
    (present ? exports.removed : exports.added).erase(name);
}

void SimLibraries::ModelByName(const std::string& fileName,
                               std::function<LibraryModel(const std::string& path)> factory) {
    byName_[UpperName(fileName)] = std::move(factory);
}

const LibraryModel* SimLibraries::ModelOf(const std::string& path) {
    auto model = models_.find(UpperName(path));
    if (model != models_.end()) return &model->second;
    auto factory = byName_.find(UpperName(FileNameOf(path)));
    if (factory == byName_.end()) return nullptr;
    models_[UpperName(path)] = factory->second(path);
    return &models_[UpperName(path)];
}

void SimLibraries::AddLibrary(const std::string& path, LibraryModel model) {
    pc_.files.AddFile(path, "MZ");
    models_[UpperName(path)] = std::move(model);
}

std::string SimLibraries::FindLibrary(const std::string& fileName) {
    SimPc::OwnUse ownUse(pc_);
    std::string name = WithDll(fileName);
    auto isFile = [&](const std::string& path) {
        plat::DWord attributes = pc_.files.GetFileAttributesA(path);
        return attributes != plat::kInvalidFileAttributes &&
               (attributes & plat::kFileAttributeDirectory) == 0;
    };
    if (name.find_first_of("\\/:") != std::string::npos) return isFile(name) ? pc_.files.Resolve(name) : "";
    // The standard search order with safe DLL search mode: the program's folder,
    // System32, Windows, the current folder, PATH.
    std::string ownFolder = pc_.processes.ownPath.substr(0, pc_.processes.ownPath.find_last_of('\\'));
    std::string current;
    pc_.files.GetCurrentDirectoryA(&current);
    std::vector<std::string> folders = {ownFolder, pc_.facts.windowsDir + "\\System32", pc_.facts.windowsDir,
                                        current};
    for (const auto& folder : pc_.processes.searchPath) folders.push_back(folder);
    for (auto folder : folders) {
        if (!folder.empty() && folder.back() == '\\') folder.pop_back();
        std::string path = folder + "\\" + name;
        if (isFile(path)) return pc_.files.Resolve(path);
    }
    return {};
}

plat::Handle SimLibraries::LoadLibraryA(const std::string& fileName) {
    if (pc_.TakeFailure("LoadLibraryA", fileName)) return 0;
    return Load(fileName);
}

plat::Handle SimLibraries::Load(const std::string& fileName) {
    std::string key = UpperName(FileNameOf(WithDll(fileName)));
    bool systemLibrary = system_.count(key) > 0;
    std::string path;
    if (systemLibrary) {
        // System libraries are known DLLs: always loaded from the system folder.
        path = pc_.facts.windowsDir + "\\System32\\" + FileNameOf(WithDll(fileName));
    } else {
        path = FindLibrary(fileName);
        if (path.empty()) {
            pc_.SetLastError(plat::kErrorModNotFound);
            return 0;
        }
    }
    for (auto& [handle, library] : loaded_) {
        if (UpperName(library.path) == UpperName(path)) {
            ++library.references;
            return handle;
        }
    }
    plat::Handle handle = pc_.NewHandle();
    loaded_[handle] = {path, systemLibrary, 1};
    loads.push_back(path);
    pc_.SetLastError(0);
    return handle;
}

plat::Handle SimLibraries::GetModuleHandleA(const std::string& moduleName) {
    if (pc_.TakeFailure("GetModuleHandleA", moduleName)) return 0;
    if (moduleName.empty()) return kProgramModule;  // NULL: the program's own module
    std::string key = UpperName(FileNameOf(WithDll(moduleName)));
    for (auto& [handle, library] : loaded_)
        if (UpperName(FileNameOf(library.path)) == key) return handle;
    if (key == "KERNEL32.DLL") return Load(moduleName);  // always mapped in every process
    pc_.SetLastError(plat::kErrorModNotFound);
    return 0;
}

plat::ProcAddress SimLibraries::GetProcAddress(plat::Handle module, const std::string& procName) {
    if (pc_.TakeFailure("GetProcAddress", procName)) return 0;
    if (module == kProgramModule) {  // the program exports nothing
        pc_.SetLastError(plat::kErrorProcNotFound);
        return 0;
    }
    auto it = loaded_.find(module);
    if (it == loaded_.end()) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    bool present;
    if (it->second.system) {
        present = SystemExports(it->second.path, procName);
    } else {
        const LibraryModel* model = ModelOf(it->second.path);
        present = model != nullptr && model->exports.count(procName) > 0;
    }
    if (!present) {
        pc_.SetLastError(plat::kErrorProcNotFound);
        return 0;
    }
    plat::ProcAddress address = nextProc_ += 0x10;
    procs_[address] = {module, procName};
    return address;
}

plat::Bool SimLibraries::FreeLibrary(plat::Handle module) {
    auto it = loaded_.find(module);
    if (pc_.TakeFailure("FreeLibrary", it == loaded_.end() ? std::string() : FileNameOf(it->second.path)))
        return 0;
    if (it == loaded_.end()) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    if (--it->second.references == 0) loaded_.erase(it);
    return 1;
}

const SimLibraries::Proc* SimLibraries::ProcOf(plat::ProcAddress address, const std::string& expected) {
    auto it = procs_.find(address);
    if (it == procs_.end())
        throw HarnessFailure{"call through an entry point that was never looked up (" + expected + ")"};
    if (loaded_.find(it->second.module) == loaded_.end())
        throw HarnessFailure{"call into an unloaded library: " + it->second.name};
    if (!expected.empty() && it->second.name != expected)
        throw HarnessFailure{"entry point " + it->second.name + " called as " + expected};
    calls.push_back(FileNameOf(loaded_[it->second.module].path) + "!" + it->second.name);
    return &it->second;
}

std::int32_t SimLibraries::CallIntFunction(plat::ProcAddress function) {
    const Proc* proc = ProcOf(function, "");
    const Loaded& library = loaded_[proc->module];
    const LibraryModel* model = ModelOf(library.path);
    if (model == nullptr) throw HarnessFailure{"no model for " + proc->name};
    // The library's own failure: the function returns the injected error as its result.
    if (pc_.TakeFailure("CallIntFunction", proc->name)) return static_cast<std::int32_t>(pc_.GetLastError());
    SimPc::OwnUse ownUse(pc_);
    return model->exports.at(proc->name)(pc_);
}

std::uint8_t SimLibraries::CallWow64EnableWow64FsRedirection(plat::ProcAddress function,
                                                             std::uint8_t enable) {
    ProcOf(function, "Wow64EnableWow64FsRedirection");
    if (pc_.TakeFailure("Wow64EnableWow64FsRedirection")) return 0;
    pc_.files.SetRedirection(enable != 0);
    return 1;
}

plat::Bool SimLibraries::CallIsWow64Process(plat::ProcAddress function, plat::Handle, plat::Bool* wow64) {
    ProcOf(function, "IsWow64Process");
    if (pc_.TakeFailure("IsWow64Process")) return 0;
    *wow64 = pc_.facts.is64Bit ? 1 : 0;
    return 1;
}

}  // namespace sim

namespace sim {

plat::DWord SimLibraries::CallNetUserGetInfo(plat::ProcAddress function, const std::string& userName,
                                             plat::DWord level, plat::DWord* privilege) {
    ProcOf(function, "NetUserGetInfo");
    if (pc_.TakeFailure("NetUserGetInfo", userName)) return pc_.GetLastError();
    constexpr plat::DWord kNerrUserNotFound = 2221;
    constexpr plat::DWord kErrorInvalidLevel = 124;
    // Levels 0 (the name), 1 (with the privilege), 2, 3, 4, 10, 11, 20, 23 and 24 are defined.
    if (level != 0 && level != 1 && level != 2 && level != 3 && level != 4 && level != 10 && level != 11 &&
        level != 20 && level != 23 && level != 24)
        return kErrorInvalidLevel;
    if (!SameName(userName, pc_.facts.userName)) return kNerrUserNotFound;
    if (level != 0) *privilege = static_cast<plat::DWord>(pc_.facts.privilege);
    return 0;
}

}  // namespace sim
