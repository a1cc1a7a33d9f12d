#include "platform/sim/processes.h"

#include <cctype>

#include "platform/sim/machine.h"
#include "platform/sim/names.h"

namespace sim {
namespace {

bool HasExtension(const std::string& name) {
    return FileNameOf(name).find('.') != std::string::npos;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

}  // namespace

bool SimProcesses::IsFile(const std::string& path) {
    SimPc::OwnUse ownUse(pc_);
    plat::DWord attributes = pc_.files.GetFileAttributesA(path);
    return attributes != plat::kInvalidFileAttributes && (attributes & plat::kFileAttributeDirectory) == 0;
}

std::string SimProcesses::ResolveCommandLine(const std::string& commandLine,
                                             const std::string& currentDirectory) {
    // Candidate module names: a quoted first token, or every blank-delimited
    // prefix of an unquoted line, shortest first (the documented ambiguity of
    // unquoted paths with blanks).
    std::vector<std::string> candidates;
    size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string::npos) return {};
    if (commandLine[start] == '"') {
        auto end = commandLine.find('"', start + 1);
        candidates.push_back(
            commandLine.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1));
    } else {
        size_t pos = start;
        while (true) {
            size_t blank = commandLine.find_first_of(" \t", pos);
            candidates.push_back(
                commandLine.substr(start, blank == std::string::npos ? std::string::npos : blank - start));
            if (blank == std::string::npos) break;
            pos = commandLine.find_first_not_of(" \t", blank);
            if (pos == std::string::npos) break;
        }
    }

    SimPc::OwnUse ownUse(pc_);
    std::string savedDirectory;
    pc_.files.GetCurrentDirectoryA(&savedDirectory);
    if (!currentDirectory.empty()) pc_.files.SetCurrentDirectoryA(currentDirectory);
    std::string found;
    for (std::string name : candidates) {
        if (!HasExtension(name)) name += ".exe";
        std::vector<std::string> tries;
        if (name.find_first_of("\\/:") != std::string::npos) {
            tries.push_back(name);
        } else {
            // The program's own folder, the current folder, System32, Windows, PATH.
            // (The child's current folder does not count: the caller's does.)
            tries.push_back(Join(FolderOf(ownPath), name));
            tries.push_back(Join(savedDirectory, name));
            tries.push_back(Join(pc_.facts.windowsDir + "\\System32", name));
            tries.push_back(Join(pc_.facts.windowsDir, name));
            for (const auto& folder : searchPath) tries.push_back(Join(folder, name));
        }
        for (const auto& path : tries) {
            // Relative names in the command line resolve against the caller's folder.
            std::string full = path;
            if (path.find(':') == std::string::npos && !path.starts_with("\\"))
                full = Join(savedDirectory, path);
            if (IsFile(full)) {
                found = pc_.files.Resolve(full);
                break;
            }
        }
        if (!found.empty()) break;
    }
    pc_.files.SetCurrentDirectoryA(savedDirectory);
    return found;
}

const ProgramModel* SimProcesses::ModelFor(const std::string& program) const {
    if (auto it = byPath_.find(UpperName(program)); it != byPath_.end()) return &it->second;
    if (auto it = byName_.find(UpperName(FileNameOf(program))); it != byName_.end()) return &it->second;
    if (!byImage_.empty())
        if (auto it = byImage_.find(pc_.files.Contents(program)); it != byImage_.end()) return &it->second;
    return nullptr;
}

plat::DWord SimProcesses::ImageError(const std::string& program, const ProgramModel* model) const {
    constexpr plat::DWord kErrorBadExeFormat = 193;
    constexpr plat::DWord kErrorExeMachineTypeMismatch = 216;
    // An executable image starts with the "MZ" signature; anything else is not a program.
    if (pc_.files.Contents(program).rfind("MZ", 0) != 0) return kErrorBadExeFormat;
    // A 64-bit image on 32-bit Windows: Vista and later name the machine-type
    // mismatch, older versions report an image that is not valid.
    if (model && model->is64BitImage && !pc_.facts.is64Bit)
        return pc_.facts.major >= 6 ? kErrorExeMachineTypeMismatch : kErrorBadExeFormat;
    return 0;
}

void SimProcesses::ModelByImage(const std::string& image, ProgramModel model) {
    byImage_[image] = std::move(model);
}

void SimProcesses::AddProgram(const std::string& path, ProgramModel model) {
    pc_.files.AddFile(path, "MZ");
    byPath_[UpperName(path)] = std::move(model);
}

void SimProcesses::ModelByName(const std::string& fileName, ProgramModel model) {
    byName_[UpperName(fileName)] = std::move(model);
}

plat::Bool SimProcesses::CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                                        plat::Bool inheritHandles, plat::DWord creationFlags,
                                        const std::string& currentDirectory, const plat::StartupInfo& startup,
                                        plat::ProcessInformation* info) {
    Launch launch;
    launch.applicationName = applicationName;
    launch.commandLine = commandLine;
    launch.creationFlags = creationFlags;
    launch.inheritHandles = inheritHandles;
    launch.startup = startup;
    launch.startedAt = pc_.clock.now;
    std::string callerDirectory;
    {
        SimPc::OwnUse ownUse(pc_);
        pc_.files.GetCurrentDirectoryA(&callerDirectory);
    }
    launch.currentDirectory = currentDirectory.empty() ? callerDirectory : currentDirectory;

    if (pc_.TakeFailure("CreateProcessA", commandLine.empty() ? applicationName : commandLine)) {
        launches.push_back(launch);
        return 0;
    }
    // The new process starts in the folder given, which must exist.
    constexpr plat::DWord kErrorDirectory = 267;
    if (!currentDirectory.empty() && !pc_.files.IsFolder(pc_.files.Resolve(currentDirectory))) {
        launches.push_back(launch);
        pc_.SetLastError(kErrorDirectory);
        return 0;
    }
    std::string program = applicationName.empty()
                              ? ResolveCommandLine(commandLine, "")
                              : (IsFile(applicationName) ? pc_.files.Resolve(applicationName) : "");
    if (program.empty()) {
        launches.push_back(launch);
        pc_.SetLastError(plat::kErrorFileNotFound);
        return 0;
    }
    const ProgramModel* model = ModelFor(program);
    if (plat::DWord error = ImageError(program, model)) {
        launches.push_back(launch);
        pc_.SetLastError(error);
        return 0;
    }
    launch.program = program;
    launch.created = true;
    plat::DWord runtime = !model ? 0 : model->runtimeOf ? model->runtimeOf(launch) : model->runtimeMs;
    launches.push_back(launch);
    size_t index = launches.size() - 1;
    if (model && model->run) {
        // The model may start programs itself, which adds to the launches.
        const Launch started = launches[index];
        SimPc::OwnUse ownUse(pc_);
        plat::DWord code = model->run(pc_, started);
        launches[index].exitCode = code;
    }

    info->process = pc_.NewHandle();
    info->thread = pc_.NewHandle();
    info->processId = static_cast<plat::DWord>(1000 + index * 4);
    info->threadId = info->processId + 2;
    handles_[info->process] = {index, pc_.clock.now + runtime, false};
    handles_[info->thread] = {index, pc_.clock.now + runtime, true};
    pc_.SetLastError(0);
    return 1;
}

plat::DWord SimProcesses::WaitForSingleObject(plat::Handle handle, plat::DWord milliseconds) {
    if (pc_.TakeFailure("WaitForSingleObject", CommandLineOf(handle))) return plat::kWaitFailed;
    auto it = handles_.find(handle);
    if (it == handles_.end()) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return plat::kWaitFailed;
    }
    std::uint64_t now = pc_.clock.now;
    if (it->second.endsAt <= now) {
        launches[it->second.launch].waited = true;
        return plat::kWaitObject0;
    }
    if (milliseconds != 0xFFFFFFFFu && now + milliseconds < it->second.endsAt) {
        pc_.clock.Advance(milliseconds);
        return plat::kWaitTimeout;
    }
    pc_.clock.Advance(it->second.endsAt - now);
    launches[it->second.launch].waited = true;
    return plat::kWaitObject0;
}

plat::Bool SimProcesses::GetExitCodeProcess(plat::Handle process, plat::DWord* result) {
    if (pc_.TakeFailure("GetExitCodeProcess", CommandLineOf(process))) return 0;
    auto it = handles_.find(process);
    if (it == handles_.end() || it->second.isThread) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    *result = it->second.endsAt <= pc_.clock.now ? launches[it->second.launch].exitCode : plat::kStillActive;
    return 1;
}

plat::Bool SimProcesses::CloseHandle(plat::Handle handle) {
    const std::string file = pc_.files.OpenFilePath(handle);
    if (pc_.TakeFailure("CloseHandle", file.empty() ? CommandLineOf(handle) : file)) return 0;
    // One CloseHandle for every kernel handle: files, devices and tokens too.
    if (pc_.files.CloseFileHandle(handle)) return 1;
    if (handles_.erase(handle) == 0 && !pc_.devices.CloseDeviceHandle(handle) &&
        !pc_.system.CloseToken(handle)) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    return 1;
}

plat::Bool SimProcesses::SetThreadPriority(plat::Handle thread, int priority) {
    if (pc_.TakeFailure("SetThreadPriority")) return 0;
    if (thread != kCurrentThread) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    threadPriority = priority;
    return 1;
}

std::string SimProcesses::CommandLineOf(plat::Handle handle) const {
    auto it = handles_.find(handle);
    return it == handles_.end() ? std::string() : launches[it->second.launch].commandLine;
}

std::vector<std::string> SimProcesses::CommandLineArguments() {
    // The runtime could not split the command line (out of memory): no arguments.
    if (pc_.TakeFailure("CommandLineArguments")) return {};
    return arguments;
}

plat::DWord SimProcesses::GetModuleFileNameA(std::string* path) {
    if (pc_.TakeFailure("GetModuleFileNameA")) {
        path->clear();
        return 0;
    }
    *path = ownPath;
    return static_cast<plat::DWord>(ownPath.size());
}

void SimProcesses::ExitProcess(unsigned code) {
    exited = true;
    exitCode = code;
    throw ProcessExit{code};
}

}  // namespace sim
