// Simulated libraries: the package's libraries (found as files by the DLL
// search order) and the system libraries with the exports of the Windows
// version, plus the calls made through looked-up entry points.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sim {

class SimPc;

struct LibraryModel {
    std::map<std::string, std::function<std::int32_t(SimPc&)>> exports;  // by exact export name
};

class SimLibraries : public plat::LibraryApi {
public:
    explicit SimLibraries(SimPc& pc);

    plat::Handle LoadLibraryA(const std::string& fileName) override;
    plat::Handle GetModuleHandleA(const std::string& moduleName) override;
    plat::ProcAddress GetProcAddress(plat::Handle module, const std::string& procName) override;
    plat::Bool FreeLibrary(plat::Handle module) override;
    std::int32_t CallIntFunction(plat::ProcAddress function) override;
    std::uint8_t CallWow64EnableWow64FsRedirection(plat::ProcAddress function, std::uint8_t enable) override;
    plat::Bool CallIsWow64Process(plat::ProcAddress function, plat::Handle process,
                                  plat::Bool* wow64) override;
    plat::DWord CallNetUserGetInfo(plat::ProcAddress function, const std::string& userName, plat::DWord level,
                                   plat::DWord* privilege) override;

    // Checks a call through a looked-up entry point of the given export and
    // records it in `calls` (a harness failure when the entry point is not one).
    void CheckEntryPoint(plat::ProcAddress function, const std::string& exportName) {
        ProcOf(function, exportName);
    }

    // A library file with its exports, placed at `path` (the file is created).
    void AddLibrary(const std::string& path, LibraryModel model);
    // A model for every library of this file name, wherever it lies (the file
    // must exist); the factory gets the library's full path.
    void ModelByName(const std::string& fileName,
                     std::function<LibraryModel(const std::string& path)> factory);
    // Whether a system library ("kernel32.dll", ...; always present in
    // System32) exports the function on this machine's Windows version, and a
    // test's change to that.
    bool SystemExports(const std::string& library, const std::string& name) const;
    void SetSystemExport(const std::string& library, const std::string& name, bool present);

    // The program's own module, which GetModuleHandleA(NULL) returns.
    static constexpr plat::Handle kProgramModule = 0x400000;

    std::vector<std::string> loads;  // full paths of every library loaded, in order
    std::vector<std::string> calls;  // "library!export" of every call made
    size_t LoadedCount() const { return loaded_.size(); }

private:
    struct Loaded {
        std::string path;
        bool system;
        int references;
    };
    struct Proc {
        plat::Handle module;
        std::string name;
    };
    std::string FindLibrary(const std::string& fileName);
    plat::Handle Load(const std::string& fileName);  // LoadLibraryA without injected failures
    const Proc* ProcOf(plat::ProcAddress address, const std::string& expected);
    const LibraryModel* ModelOf(const std::string& path);

    SimPc& pc_;
    std::map<std::string, LibraryModel> models_;  // upper-case full path
    struct SystemLibrary {
        std::set<std::string> added, removed;  // tests' changes to the version's exports
    };
    std::map<std::string, SystemLibrary> system_;                                    // upper-case file name
    std::map<std::string, std::function<LibraryModel(const std::string&)>> byName_;  // upper-case file name
    std::map<plat::Handle, Loaded> loaded_;
    std::map<plat::ProcAddress, Proc> procs_;
    plat::ProcAddress nextProc_ = 0x7000;
};

}  // namespace sim
