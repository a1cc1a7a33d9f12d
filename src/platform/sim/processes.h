// Simulated processes: command lines resolved as CreateProcess does, programs
// whose effects on the machine are modelled, exit codes and run times on the
// simulated clock, and the record of every launch.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sim {

class SimPc;

struct Launch {
    std::string applicationName;  // as passed (empty: NULL)
    std::string commandLine;
    std::string program;           // the file that was started (empty when none was found)
    std::string currentDirectory;  // the folder the process started in
    plat::DWord creationFlags = 0;
    plat::Bool inheritHandles = 0;
    plat::StartupInfo startup;
    bool created = false;
    bool waited = false;  // the caller waited until the process ended
    plat::DWord exitCode = 0;
    std::uint64_t startedAt = 0;  // simulated milliseconds
};

// What a program does when it runs: its effect on the machine (applied at
// start), its exit code and how long it runs on the simulated clock.
struct ProgramModel {
    std::function<plat::DWord(SimPc&, const Launch&)> run;  // returns the exit code; may be empty (exit 0)
    plat::DWord runtimeMs = 0;
    bool is64BitImage = false;  // does not start on 32-bit Windows
    // The run time of one launch, when it depends on the command line (else runtimeMs).
    std::function<plat::DWord(const Launch&)> runtimeOf = {};
};

class SimProcesses : public plat::ProcessApi {
public:
    explicit SimProcesses(SimPc& pc) : pc_(pc) {}

    plat::Bool CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                              plat::Bool inheritHandles, plat::DWord creationFlags,
                              const std::string& currentDirectory, const plat::StartupInfo& startup,
                              plat::ProcessInformation* info) override;
    plat::DWord WaitForSingleObject(plat::Handle handle, plat::DWord milliseconds) override;
    plat::Bool GetExitCodeProcess(plat::Handle process, plat::DWord* result) override;
    plat::Bool CloseHandle(plat::Handle handle) override;
    plat::Handle GetCurrentThread() override { return kCurrentThread; }
    plat::Bool SetThreadPriority(plat::Handle thread, int priority) override;
    plat::DWord GetModuleFileNameA(std::string* path) override;
    std::vector<std::string> CommandLineArguments() override;
    [[noreturn]] void ExitProcess(unsigned exitCode) override;

    // A program that is present at `path` (the file is created) and behaves as modelled.
    void AddProgram(const std::string& path, ProgramModel model = {});
    // A model for every program of this file name, wherever it lies (the file must exist).
    void ModelByName(const std::string& fileName, ProgramModel model);
    // A model for every copy of this image, under any name: a program file
    // whose contents are `image` behaves as modelled.
    void ModelByImage(const std::string& image, ProgramModel model);

    // Finds the program a command line starts, by the documented rules; empty when none.
    std::string ResolveCommandLine(const std::string& commandLine, const std::string& currentDirectory);

    static constexpr plat::Handle kCurrentThread = static_cast<plat::Handle>(-2);

    std::string ownPath = "C:\\Package\\setup.exe";  // the running program
    std::vector<std::string> arguments;              // its command-line arguments
    std::vector<std::string> searchPath;             // folders of PATH
    int threadPriority = plat::kThreadPriorityNormal;
    std::vector<Launch> launches;
    bool exited = false;
    unsigned exitCode = 0;
    size_t OpenHandles() const { return handles_.size(); }

private:
    struct Running {
        size_t launch;
        std::uint64_t endsAt;
        bool isThread;
    };
    const ProgramModel* ModelFor(const std::string& program) const;
    std::string CommandLineOf(plat::Handle handle) const;  // of the launch a handle belongs to
    // The error CreateProcess gives for this file, 0 when it can start.
    plat::DWord ImageError(const std::string& program, const ProgramModel* model) const;
    bool IsFile(const std::string& path);

    SimPc& pc_;
    std::map<std::string, ProgramModel> byPath_;   // upper-case full path
    std::map<std::string, ProgramModel> byName_;   // upper-case file name
    std::map<std::string, ProgramModel> byImage_;  // file contents
    std::map<plat::Handle, Running> handles_;
};

}  // namespace sim
