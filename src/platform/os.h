// The seam between the setup program and the operating system.
//
// One method per Windows call that the program makes. Every method takes the
// call's flags, access masks, record sizes and options exactly as the program
// passes them and returns what Windows returns; the reason of a failure is read
// with GetLastError(), as on Windows. Two implementations exist: the real one
// (win32/) and a simulated PC (sim/). No file outside src/platform includes a
// system header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "platform/wintypes.h"

namespace plat {

// Registry (advapi32). Sub-key paths are relative to the given key; data is
// the raw value bytes (strings with their terminating NUL, as Windows stores them).
class RegistryApi {
public:
    virtual ~RegistryApi() = default;
    virtual Long RegOpenKeyExA(HKey key, const std::string& subKey, DWord options, DWord samDesired,
                               HKey* result) = 0;
    virtual Long RegCreateKeyExA(HKey key, const std::string& subKey, DWord options, DWord samDesired,
                                 HKey* result, DWord* disposition) = 0;
    virtual Long RegCloseKey(HKey key) = 0;
    // Reads a value; `data` receives the whole value.
    virtual Long RegQueryValueExA(HKey key, const std::string& valueName, DWord* type,
                                  std::vector<std::uint8_t>* data) = 0;
    virtual Long RegSetValueExA(HKey key, const std::string& valueName, DWord type,
                                const std::vector<std::uint8_t>& data) = 0;
    virtual Long RegDeleteValueA(HKey key, const std::string& valueName) = 0;
    // Deletes a key that has no sub-keys (the NT rule); the accessor walks subtrees.
    virtual Long RegDeleteKeyA(HKey key, const std::string& subKey) = 0;
    // ERROR_NO_MORE_ITEMS past the end.
    virtual Long RegEnumKeyExA(HKey key, DWord index, std::string* name) = 0;
    virtual Long RegEnumValueA(HKey key, DWord index, std::string* name, DWord* type) = 0;
};

// Files and folders (kernel32). Relative paths resolve against the current folder.
class FileApi {
public:
    virtual ~FileApi() = default;
    virtual DWord GetFileAttributesA(const std::string& path) = 0;  // kInvalidFileAttributes on failure
    virtual Bool SetFileAttributesA(const std::string& path, DWord attributes) = 0;
    virtual Bool DeleteFileA(const std::string& path) = 0;
    virtual Bool CopyFileA(const std::string& existing, const std::string& target, Bool failIfExists) = 0;
    // `target` empty stands for NULL (delete), as used with kMoveFileDelayUntilReboot.
    virtual Bool MoveFileExA(const std::string& existing, const std::string& target, DWord flags) = 0;
    virtual Bool CreateDirectoryA(const std::string& path) = 0;
    virtual Bool RemoveDirectoryA(const std::string& path) = 0;
    virtual DWord GetCurrentDirectoryA(std::string* path) = 0;  // length, 0 on failure
    virtual Bool SetCurrentDirectoryA(const std::string& path) = 0;
    virtual Handle FindFirstFileA(const std::string& pattern,
                                  FindData* data) = 0;  // kInvalidHandle on failure
    virtual Bool FindNextFileA(Handle find, FindData* data) = 0;
    virtual Bool FindClose(Handle find) = 0;
    // CreateFileA + ReadFile/WriteFile + CloseHandle on a whole file: the program
    // reads or writes its text files in one piece.
    virtual Bool ReadWholeFile(const std::string& path, std::string* contents) = 0;
    virtual Bool WriteWholeFile(const std::string& path, const std::string& contents) = 0;
    // A file, or a device by its interface path ("\\?\..."), opened with
    // security attributes and template NULL; closed with
    // ProcessApi::CloseHandle, which closes handles of every kind.
    virtual Handle CreateFileA(const std::string& path, DWord desiredAccess, DWord shareMode,
                               DWord creationDisposition, DWord flagsAndAttributes) = 0;  // kInvalidHandle
    virtual Bool WriteFile(Handle file, const void* data, DWord size, DWord* written) = 0;
};

// Service Control Manager (advapi32).
class ServiceApi {
public:
    virtual ~ServiceApi() = default;
    // Empty machine and database stand for NULL (local machine, active database).
    virtual Handle OpenSCManagerA(const std::string& machine, const std::string& database, DWord access) = 0;
    virtual Handle OpenServiceA(Handle manager, const std::string& name, DWord access) = 0;
    virtual Bool QueryServiceStatus(Handle service, ServiceStatus* status) = 0;
    virtual Bool StartServiceA(Handle service, const std::vector<std::string>& args) = 0;
    virtual Bool ControlService(Handle service, DWord control, ServiceStatus* status) = 0;
    virtual Bool DeleteService(Handle service) = 0;
    virtual Bool CloseServiceHandle(Handle handle) = 0;
};

// Processes and threads (kernel32).
class ProcessApi {
public:
    virtual ~ProcessApi() = default;
    // `applicationName` and `currentDirectory` empty stand for NULL.
    virtual Bool CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                                Bool inheritHandles, DWord creationFlags, const std::string& currentDirectory,
                                const StartupInfo& startup, ProcessInformation* info) = 0;
    virtual DWord WaitForSingleObject(Handle handle, DWord milliseconds) = 0;
    virtual Bool GetExitCodeProcess(Handle process, DWord* exitCode) = 0;
    virtual Bool CloseHandle(Handle handle) = 0;
    virtual Handle GetCurrentThread() = 0;
    virtual Bool SetThreadPriority(Handle thread, int priority) = 0;
    // The running program's own path (module NULL).
    virtual DWord GetModuleFileNameA(std::string* path) = 0;
    // The command-line arguments after the program name, split by the runtime's rules.
    virtual std::vector<std::string> CommandLineArguments() = 0;
    [[noreturn]] virtual void ExitProcess(unsigned exitCode) = 0;
};

// Top-level windows and messages (user32).
class WindowApi {
public:
    virtual ~WindowApi() = default;
    // std::nullopt stands for NULL: any class, or any title.
    virtual Hwnd FindWindowA(const std::optional<std::string>& className,
                             const std::optional<std::string>& windowName) = 0;
    virtual LResult SendMessageA(Hwnd window, UInt message, WParam wParam, LParam lParam) = 0;
    virtual Bool PostMessageA(Hwnd window, UInt message, WParam wParam, LParam lParam) = 0;
    virtual int MessageBoxA(Hwnd owner, const std::string& text, const std::string& caption, UInt flags) = 0;
};

// Time (kernel32).
class ClockApi {
public:
    virtual ~ClockApi() = default;
    virtual void Sleep(DWord milliseconds) = 0;
    virtual DWord GetTickCount() = 0;
};

// Libraries and their entry points (kernel32), and the calls made through a
// looked-up entry point. A ProcAddress is 0 when the export is missing.
class LibraryApi {
public:
    virtual ~LibraryApi() = default;
    virtual Handle LoadLibraryA(const std::string& fileName) = 0;
    virtual Handle GetModuleHandleA(const std::string& moduleName) = 0;
    virtual ProcAddress GetProcAddress(Handle module, const std::string& procName) = 0;
    virtual Bool FreeLibrary(Handle module) = 0;

    // Calls through looked-up entry points, one per function signature used.
    virtual std::int32_t CallIntFunction(ProcAddress function) = 0;  // int __stdcall f(void)
    virtual std::uint8_t CallWow64EnableWow64FsRedirection(ProcAddress function, std::uint8_t enable) = 0;
    virtual Bool CallIsWow64Process(ProcAddress function, Handle process, Bool* wow64) = 0;
    // NetUserGetInfo for the local computer; the user name is converted to
    // UTF-16 with the system code page. Returns the status; on success
    // `privilege` receives the account's privilege field (level 1).
    virtual DWord CallNetUserGetInfo(ProcAddress function, const std::string& userName, DWord level,
                                     DWord* privilege) = 0;
};

// One machine: its facilities and the last error of the calling thread.
class Os {
public:
    virtual ~Os() = default;
    virtual RegistryApi& Registry() = 0;
    virtual FileApi& Files() = 0;
    virtual ServiceApi& Services() = 0;
    virtual ProcessApi& Processes() = 0;
    virtual WindowApi& Windows() = 0;
    virtual ClockApi& Clock() = 0;
    virtual LibraryApi& Libraries() = 0;
    virtual SystemApi& System() = 0;
    virtual DeviceApi& Devices() = 0;
    virtual ShellApi& Shell() = 0;
    // The window toolkit: the main window, its controls and the application object.
    virtual UiApi& Ui() = 0;
    virtual DWord GetLastError() = 0;
};

// The machine the program runs on. Set once at program start (or by a test).
Os& os();
void SetOs(Os* instance);

// Ends the process through the current machine's ExitProcess, which never returns.
[[noreturn]] void EndProcess(unsigned exitCode);

}  // namespace plat
