#include <windows.h>

#include <cstdlib>

#include "platform/win32/win32_os.h"

namespace plat::win32 {

Bool Win32Processes::CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                                    Bool inheritHandles, DWord creationFlags,
                                    const std::string& currentDirectory, const StartupInfo& startup,
                                    ProcessInformation* info) {
    // CreateProcessA may write into the command line, so it gets its own copy.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si{};
    si.cb = startup.cb;
    si.dwFlags = startup.flags;
    si.wShowWindow = startup.showWindow;
    PROCESS_INFORMATION pi{};
    BOOL ok = error_.Track(
        ::CreateProcessA(applicationName.empty() ? nullptr : applicationName.c_str(), line.data(), nullptr,
                         nullptr, inheritHandles, creationFlags, nullptr,
                         currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &si, &pi));
    if (info != nullptr) {
        info->process = FromHandle(pi.hProcess);
        info->thread = FromHandle(pi.hThread);
        info->processId = pi.dwProcessId;
        info->threadId = pi.dwThreadId;
    }
    return ok;
}

DWord Win32Processes::WaitForSingleObject(Handle handle, DWord milliseconds) {
    return error_.Track(::WaitForSingleObject(ToHandle(handle), milliseconds));
}

Bool Win32Processes::GetExitCodeProcess(Handle process, DWord* exitCode) {
    DWORD code = 0;
    BOOL ok = error_.Track(::GetExitCodeProcess(ToHandle(process), &code));
    if (ok && exitCode != nullptr) *exitCode = code;
    return ok;
}

Bool Win32Processes::CloseHandle(Handle handle) {
    return error_.Track(::CloseHandle(ToHandle(handle)));
}

Handle Win32Processes::GetCurrentThread() {
    return FromHandle(error_.Track(::GetCurrentThread()));
}

Bool Win32Processes::SetThreadPriority(Handle thread, int priority) {
    return error_.Track(::SetThreadPriority(ToHandle(thread), priority));
}

DWord Win32Processes::GetModuleFileNameA(std::string* path) {
    char buffer[MAX_PATH + 1] = {};
    DWORD length = error_.Track(::GetModuleFileNameA(nullptr, buffer, MAX_PATH));
    if (path != nullptr) path->assign(buffer, length);
    return length;
}

std::vector<std::string> Win32Processes::CommandLineArguments() {
    // The runtime has split the command line already, by the same rules the
    // program's original runtime used for its parameters.
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i] != nullptr ? __argv[i] : "");
    return args;
}

void Win32Processes::ExitProcess(unsigned exitCode) {
    ::ExitProcess(exitCode);
}

}  // namespace plat::win32
