// The real machine: each seam method is the Win32 call of the same name, with
// the program's flags passed through and the results converted to seam types.
// The thread's last error is read right after every call and kept, so that
// plat::Os::GetLastError() reports the outcome of the last seam call.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/system.h"
#include "platform/win32/toolkit.h"

namespace plat::win32 {

// The last error of the calling thread, as seen right after the last seam call.
class LastError {
public:
    template <typename T>
    T Track(T result) {
        value_ = ::GetLastError();
        return result;
    }
    void Capture() { value_ = ::GetLastError(); }
    DWord Value() const { return value_; }

private:
    DWord value_ = 0;
};

inline HANDLE ToHandle(Handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
inline Handle FromHandle(HANDLE handle) {
    return reinterpret_cast<Handle>(handle);
}
inline HWND ToHwnd(Hwnd window) {
    return reinterpret_cast<HWND>(window);
}
inline Hwnd FromHwnd(HWND window) {
    return reinterpret_cast<Hwnd>(window);
}
HKEY ToHkey(HKey key);

class Win32Registry : public RegistryApi {
public:
    explicit Win32Registry(LastError& error) : error_(error) {}
    Long RegOpenKeyExA(HKey key, const std::string& subKey, DWord options, DWord samDesired,
                       HKey* result) override;
    Long RegCreateKeyExA(HKey key, const std::string& subKey, DWord options, DWord samDesired, HKey* result,
                         DWord* disposition) override;
    Long RegCloseKey(HKey key) override;
    Long RegQueryValueExA(HKey key, const std::string& valueName, DWord* type,
                          std::vector<std::uint8_t>* data) override;
    Long RegSetValueExA(HKey key, const std::string& valueName, DWord type,
                        const std::vector<std::uint8_t>& data) override;
    Long RegDeleteValueA(HKey key, const std::string& valueName) override;
    Long RegDeleteKeyA(HKey key, const std::string& subKey) override;
    Long RegEnumKeyExA(HKey key, DWord index, std::string* name) override;
    Long RegEnumValueA(HKey key, DWord index, std::string* name, DWord* type) override;

private:
    LastError& error_;
};

class Win32Files : public FileApi {
public:
    explicit Win32Files(LastError& error) : error_(error) {}
    DWord GetFileAttributesA(const std::string& path) override;
    Bool SetFileAttributesA(const std::string& path, DWord attributes) override;
    Bool DeleteFileA(const std::string& path) override;
    Bool CopyFileA(const std::string& existing, const std::string& target, Bool failIfExists) override;
    Bool MoveFileExA(const std::string& existing, const std::string& target, DWord flags) override;
    Bool CreateDirectoryA(const std::string& path) override;
    Bool RemoveDirectoryA(const std::string& path) override;
    DWord GetCurrentDirectoryA(std::string* path) override;
    Bool SetCurrentDirectoryA(const std::string& path) override;
    Handle FindFirstFileA(const std::string& pattern, FindData* data) override;
    Bool FindNextFileA(Handle find, FindData* data) override;
    Bool FindClose(Handle find) override;
    Bool ReadWholeFile(const std::string& path, std::string* contents) override;
    Bool WriteWholeFile(const std::string& path, const std::string& contents) override;
    Handle CreateFileA(const std::string& path, DWord desiredAccess, DWord shareMode,
                       DWord creationDisposition, DWord flagsAndAttributes) override;
    Bool WriteFile(Handle file, const void* data, DWord size, DWord* written) override;

private:
    LastError& error_;
};

class Win32Services : public ServiceApi {
public:
    explicit Win32Services(LastError& error) : error_(error) {}
    Handle OpenSCManagerA(const std::string& machine, const std::string& database, DWord access) override;
    Handle OpenServiceA(Handle manager, const std::string& name, DWord access) override;
    Bool QueryServiceStatus(Handle service, ServiceStatus* status) override;
    Bool StartServiceA(Handle service, const std::vector<std::string>& args) override;
    Bool ControlService(Handle service, DWord control, ServiceStatus* status) override;
    Bool DeleteService(Handle service) override;
    Bool CloseServiceHandle(Handle handle) override;

private:
    LastError& error_;
};

class Win32Processes : public ProcessApi {
public:
    explicit Win32Processes(LastError& error) : error_(error) {}
    Bool CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                        Bool inheritHandles, DWord creationFlags, const std::string& currentDirectory,
                        const StartupInfo& startup, ProcessInformation* info) override;
    DWord WaitForSingleObject(Handle handle, DWord milliseconds) override;
    Bool GetExitCodeProcess(Handle process, DWord* exitCode) override;
    Bool CloseHandle(Handle handle) override;
    Handle GetCurrentThread() override;
    Bool SetThreadPriority(Handle thread, int priority) override;
    DWord GetModuleFileNameA(std::string* path) override;
    std::vector<std::string> CommandLineArguments() override;
    [[noreturn]] void ExitProcess(unsigned exitCode) override;

private:
    LastError& error_;
};

class Win32Windows : public WindowApi {
public:
    explicit Win32Windows(LastError& error) : error_(error) {}
    Hwnd FindWindowA(const std::optional<std::string>& className,
                     const std::optional<std::string>& windowName) override;
    LResult SendMessageA(Hwnd window, UInt message, WParam wParam, LParam lParam) override;
    Bool PostMessageA(Hwnd window, UInt message, WParam wParam, LParam lParam) override;
    int MessageBoxA(Hwnd owner, const std::string& text, const std::string& caption, UInt flags) override;

private:
    LastError& error_;
};

class Win32Clock : public ClockApi {
public:
    explicit Win32Clock(LastError& error) : error_(error) {}
    void Sleep(DWord milliseconds) override;
    DWord GetTickCount() override;

private:
    LastError& error_;
};

class Win32Libraries : public LibraryApi {
public:
    explicit Win32Libraries(LastError& error) : error_(error) {}
    Handle LoadLibraryA(const std::string& fileName) override;
    Handle GetModuleHandleA(const std::string& moduleName) override;
    ProcAddress GetProcAddress(Handle module, const std::string& procName) override;
    Bool FreeLibrary(Handle module) override;
    std::int32_t CallIntFunction(ProcAddress function) override;
    std::uint8_t CallWow64EnableWow64FsRedirection(ProcAddress function, std::uint8_t enable) override;
    Bool CallIsWow64Process(ProcAddress function, Handle process, Bool* wow64) override;
    DWord CallNetUserGetInfo(ProcAddress function, const std::string& userName, DWord level,
                             DWord* privilege) override;

private:
    LastError& error_;
};

class Win32System : public SystemApi {
public:
    explicit Win32System(LastError& error) : error_(error) {}
    DWord GetVersion() override;
    Bool GetVersionExA(OsVersionInfo* info) override;
    int GetLocaleInfoA(DWord locale, DWord type, std::string* data, int maxChars) override;
    Bool GetUserNameA(std::string* name, DWord* size) override;
    UInt GetWindowsDirectoryA(std::string* path, UInt maxChars) override;
    UInt GetSystemDirectoryA(std::string* path, UInt maxChars) override;
    DWord GetTempPathA(DWord maxChars, std::string* path) override;
    Bool SystemParametersInfoA(UInt action, UInt param, NonClientMetrics* metrics, UInt winIni) override;
    Hwnd GetDesktopWindow() override;
    Handle GetDC(Hwnd window) override;
    int ReleaseDC(Hwnd window, Handle dc) override;
    Handle CreateFontIndirectA(const LogFont& font) override;
    Handle SelectObject(Handle dc, Handle object) override;
    Bool DeleteObject(Handle object) override;
    Bool GetTextMetricsA(Handle dc, TextMetric* metrics) override;
    int GetDeviceCaps(Handle dc, int index) override;
    Handle GetCurrentProcess() override;
    int MultiByteToWideChar(UInt codePage, DWord flags, const std::string& text, std::u16string* wide,
                            int maxChars) override;
    DWord FormatMessageA(DWord flags, DWord messageId, DWord languageId, std::string* text,
                         DWord maxChars) override;
    int WideCharToMultiByte(UInt codePage, DWord flags, const std::u16string& wide,
                            std::string* multiByte) override;
    Bool SystemParametersInfoA(UInt action, UInt param, std::nullptr_t, UInt winIni) override;
    Bool OpenProcessToken(Handle process, DWord desiredAccess, Handle* token) override;
    Bool LookupPrivilegeValueA(const std::string& systemName, const std::string& name, Luid* luid) override;
    Bool AdjustTokenPrivileges(Handle token, Bool disableAll, const TokenPrivileges& newState,
                               DWord bufferLength) override;
    Bool ExitWindowsEx(UInt flags, DWord reason) override;
    Bool SetDoubleClickTime(UInt milliseconds) override;
    void GetLocalTime(SystemTime* time) override;
    int GetDateFormatA(DWord locale, DWord flags, const SystemTime& time, const std::string& format,
                       std::string* text, int maxChars) override;
    int GetTimeFormatA(DWord locale, DWord flags, const SystemTime& time, const std::string& format,
                       std::string* text, int maxChars) override;

private:
    LastError& error_;
};

class Win32Devices : public DeviceApi {
public:
    explicit Win32Devices(LastError& error) : error_(error) {}
    Handle SetupDiGetClassDevsA(const Guid* classGuid, const std::string& enumerator, Hwnd parent,
                                DWord flags) override;
    Handle SetupDiCreateDeviceInfoList(const Guid* classGuid, Hwnd parent) override;
    Bool SetupDiDestroyDeviceInfoList(Handle set) override;
    Bool SetupDiEnumDeviceInfo(Handle set, DWord index, DevInfoData* device) override;
    Bool SetupDiGetDeviceRegistryPropertyA(Handle set, const DevInfoData& device, DWord property,
                                           DWord* regDataType, std::uint8_t* buffer, DWord bufferSize,
                                           DWord* requiredSize) override;
    Bool SetupDiSetDeviceRegistryPropertyA(Handle set, const DevInfoData& device, DWord property,
                                           const std::uint8_t* buffer, DWord bufferSize) override;
    Bool SetupDiRemoveDevice(Handle set, const DevInfoData& device) override;
    Bool SetupDiEnumDeviceInterfaces(Handle set, const DevInfoData* device, const Guid& interfaceClassGuid,
                                     DWord index, DeviceInterfaceData* data) override;
    Bool SetupDiGetDeviceInterfaceDetailA(Handle set, const DeviceInterfaceData& data,
                                          DeviceInterfaceDetail* detail, DWord detailSize,
                                          DWord* requiredSize, DevInfoData* device) override;
    Bool SetupDiSetClassInstallParamsA(Handle set, const DevInfoData* device, const PropChangeParams* params,
                                       DWord paramsSize) override;
    Bool SetupDiCallClassInstaller(DWord installFunction, Handle set, const DevInfoData* device) override;
    Bool SetupDiGetINFClassA(const std::string& infName, Guid* classGuid, std::string* className,
                             DWord classNameSize, DWord* requiredSize) override;
    void HidD_GetHidGuid(Guid* hidGuid) override;
    Bool HidD_GetAttributes(Handle device, HiddAttributes* attributes) override;

    Bool CallUpdateDriverForPlugAndPlayDevicesA(ProcAddress function, Hwnd parent,
                                                const std::string& hardwareId, const std::string& fullInfPath,
                                                DWord installFlags, Bool* rebootRequired) override;
    Bool CallSetupUninstallOEMInfA(ProcAddress function, const std::string& infFileName,
                                   DWord flags) override;

    // Driver package store (files on the target PC), in driver_store.cpp.
    Bool SetupCopyOEMInfA(const std::string& sourceInf, const std::string& mediaLocation, DWord mediaType,
                          DWord copyStyle, std::string* destination, DWord destinationSize,
                          DWord* requiredSize, std::string* destinationComponent) override;

private:
    LastError& error_;
};

// COM is used through the interfaces' C++ declarations; the seam's pointers
// are the interface pointers themselves.
class Win32Shell : public ShellApi {
public:
    HResult SHGetSpecialFolderLocation(Hwnd owner, int folder, ItemIdList* list) override;
    Bool SHGetPathFromIDListA(ItemIdList list, std::string* path) override;
    void CoTaskMemFree(ItemIdList memory) override;
    HResult CoInitialize() override;
    void CoUninitialize() override;
    HResult CoCreateInstance(const Guid& clsid, ComObject outer, DWord context, const Guid& iid,
                             ComObject* object) override;
    HResult QueryInterface(ComObject object, const Guid& iid, ComObject* result) override;
    ULong Release(ComObject object) override;
    HResult ShellLinkSetPath(ComObject link, const std::string& path) override;
    HResult ShellLinkSetDescription(ComObject link, const std::string& description) override;
    HResult ShellLinkSetArguments(ComObject link, const std::string& arguments) override;
    HResult ShellLinkSetIconLocation(ComObject link, const std::string& iconPath, int index) override;
    HResult ShellLinkGetPath(ComObject link, std::string* path, int maxChars, DWord flags) override;
    HResult ShellLinkGetDescription(ComObject link, std::string* description, int maxChars) override;
    HResult ShellLinkGetArguments(ComObject link, std::string* arguments, int maxChars) override;
    HResult ShellLinkGetWorkingDirectory(ComObject link, std::string* folder, int maxChars) override;
    HResult ShellLinkGetIconLocation(ComObject link, std::string* iconPath, int maxChars,
                                     int* index) override;
    HResult ShellLinkGetShowCmd(ComObject link, int* showCommand) override;
    HResult PersistFileSave(ComObject file, const std::u16string& fileName, Bool remember) override;
    HResult PersistFileLoad(ComObject file, const std::u16string& fileName, DWord mode) override;
};

class Win32Os : public Os {
public:
    Win32Os();
    RegistryApi& Registry() override { return registry_; }
    FileApi& Files() override { return files_; }
    ServiceApi& Services() override { return services_; }
    ProcessApi& Processes() override { return processes_; }
    WindowApi& Windows() override { return windows_; }
    ClockApi& Clock() override { return clock_; }
    LibraryApi& Libraries() override { return libraries_; }
    SystemApi& System() override { return system_; }
    DeviceApi& Devices() override { return devices_; }
    ShellApi& Shell() override { return shell_; }
    UiApi& Ui() override { return ui_; }
    DWord GetLastError() override { return error_.Value(); }

private:
    LastError error_;
    Win32Registry registry_{error_};
    Win32Files files_{error_};
    Win32Services services_{error_};
    Win32Processes processes_{error_};
    Win32Windows windows_{error_};
    Win32Clock clock_{error_};
    Win32Libraries libraries_{error_};
    Win32System system_{error_};
    Win32Devices devices_{error_};
    Win32Shell shell_;
    Toolkit ui_;
};

}  // namespace plat::win32
