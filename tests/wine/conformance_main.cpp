// The conformance scenarios against the Win32 backend: a console program for
// Windows (and Wine). It is also its own child program and service program:
//   conformance.exe                      runs every scenario, prints one line each
//   conformance.exe exit N [sleep MS]    ends with exit code N after MS milliseconds
//   conformance.exe service MODE         a service (started by the service manager)
// Any other arguments end with exit code 99.
#include <windows.h>
// The Setup API header needs windows.h first.
#include <setupapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "conformance/scenario.h"
#include "platform/os.h"
#include "platform/win32/win32_os.h"

namespace {

// --- The child program -------------------------------------------------------

int RunChild(int argc, char** argv) {
    if ((argc != 3 && argc != 5) || std::strcmp(argv[1], "exit") != 0) return 99;
    char* end = nullptr;
    unsigned long code = std::strtoul(argv[2], &end, 10);
    if (*end != '\0') return 99;
    if (argc == 5) {
        if (std::strcmp(argv[3], "sleep") != 0) return 99;
        ::Sleep(static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)));
    }
    return static_cast<int>(code);
}

// --- The service program -----------------------------------------------------

SERVICE_STATUS_HANDLE serviceHandle = nullptr;
SERVICE_STATUS serviceStatus{};
HANDLE stopEvent = nullptr;
bool slowStart = false;

void Report(DWORD state, DWORD accepted, DWORD checkPoint, DWORD waitHint) {
    serviceStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    serviceStatus.dwCurrentState = state;
    serviceStatus.dwControlsAccepted = accepted;
    serviceStatus.dwWin32ExitCode = NO_ERROR;
    serviceStatus.dwCheckPoint = checkPoint;
    serviceStatus.dwWaitHint = waitHint;
    ::SetServiceStatus(serviceHandle, &serviceStatus);
}

DWORD WINAPI ServiceControl(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING, 0, 1, 3000);
        ::SetEvent(stopEvent);
        return NO_ERROR;
    }
    if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
    return ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, char** argv) {
    serviceHandle = ::RegisterServiceCtrlHandlerExA(argv[0], ServiceControl, nullptr);
    if (serviceHandle == nullptr) return;
    stopEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (slowStart) {
        // Start-pending for four seconds, accepting no control meanwhile.
        for (DWORD checkPoint = 1; checkPoint <= 8; ++checkPoint) {
            Report(SERVICE_START_PENDING, 0, checkPoint, 2000);
            ::Sleep(500);
        }
    }
    Report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP, 0, 0);
    ::WaitForSingleObject(stopEvent, INFINITE);
    Report(SERVICE_STOPPED, 0, 0, 0);
}

int RunService(const char* mode) {
    slowStart = std::strcmp(mode, "slow-start") == 0;
    char name[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherA(table) ? 0 : 1;
}

// --- The fixture -------------------------------------------------------------

std::string OwnPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(window, message, wParam, lParam);
}

class Win32Fixture : public conformance::Fixture {
public:
    void AddService(const std::string& name, ServiceKind kind, const std::string& mode) override {
        SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (manager == nullptr) return;
        std::string image = kind == ServiceKind::KernelDriver ? "system32\\drivers\\" + name + ".sys"
                                                              : "\"" + OwnPath() + "\" service " + mode;
        SC_HANDLE service = ::CreateServiceA(
            manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
            kind == ServiceKind::KernelDriver ? SERVICE_KERNEL_DRIVER : SERVICE_WIN32_OWN_PROCESS,
            SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, image.c_str(), nullptr, nullptr, nullptr, nullptr,
            nullptr);
        if (service == nullptr)
            std::printf("NOTE: the fixture could not create service %s (error %lu)\n", name.c_str(),
                        ::GetLastError());
        else
            ::CloseServiceHandle(service);
        ::CloseServiceHandle(manager);
        services_.push_back(name);
    }

    void AddWindow(const std::string& className, const std::string& title) override {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ProbeWindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = className.c_str();
        ::RegisterClassA(&windowClass);
        HWND window = ::CreateWindowA(className.c_str(), title.c_str(), WS_OVERLAPPED, 0, 0, 100, 100,
                                      nullptr, nullptr, windowClass.hInstance, nullptr);
        if (window != nullptr) windows_.push_back(window);
    }

    void HoldFile(const std::string& path, bool allowRead) override {
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, allowRead ? FILE_SHARE_READ : 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) files_.push_back(file);
    }

    bool AddJunction(const std::string& path, const std::string& target) override {
        if (!::CreateDirectoryA(path.c_str(), nullptr)) return false;
        HANDLE folder = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        bool made = false;
        if (folder != INVALID_HANDLE_VALUE) {
            // A mount-point reparse buffer: the NT path to substitute, then the name to print.
            std::wstring print(target.begin(), target.end());
            std::wstring substitute = L"\\??\\" + print;
            std::vector<WORD> names(substitute.begin(), substitute.end());
            names.push_back(0);
            names.insert(names.end(), print.begin(), print.end());
            names.push_back(0);
            const WORD substituteBytes = static_cast<WORD>(substitute.size() * 2);
            const WORD printBytes = static_cast<WORD>(print.size() * 2);
            std::vector<BYTE> buffer(8 + 8 + names.size() * 2, 0);
            const DWORD tag = 0xA0000003;  // IO_REPARSE_TAG_MOUNT_POINT
            const WORD dataLength = static_cast<WORD>(8 + names.size() * 2);
            const WORD header[] = {0, substituteBytes, static_cast<WORD>(substituteBytes + 2), printBytes};
            std::memcpy(buffer.data(), &tag, 4);
            std::memcpy(buffer.data() + 4, &dataLength, 2);
            std::memcpy(buffer.data() + 8, header, 8);
            std::memcpy(buffer.data() + 16, names.data(), names.size() * 2);
            DWORD returned = 0;
            made = ::DeviceIoControl(folder, 0x000900A4 /* FSCTL_SET_REPARSE_POINT */, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr) != 0;
            ::CloseHandle(folder);
        }
        if (!made) ::RemoveDirectoryA(path.c_str());
        return made;
    }

    void AddRootDevice(const std::string& hardwareId) override {
        GUID systemClass = {0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
        HDEVINFO set = ::SetupDiCreateDeviceInfoList(&systemClass, nullptr);
        if (set == INVALID_HANDLE_VALUE) return;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        std::string ids = hardwareId + std::string(2, '\0');
        if (!::SetupDiCreateDeviceInfoA(set, "ConformanceCheck", &systemClass, nullptr, nullptr,
                                        DICD_GENERATE_ID, &device) ||
            !::SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                                 reinterpret_cast<const BYTE*>(ids.data()),
                                                 static_cast<DWORD>(ids.size())) ||
            !::SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device))
            std::printf("NOTE: the fixture could not register device %s (error %lu)\n", hardwareId.c_str(),
                        ::GetLastError());
        ::SetupDiDestroyDeviceInfoList(set);
        devices_.push_back(hardwareId);
    }

    // Undoes what the scenario had set up.
    void Release() {
        for (const auto& hardwareId : devices_) RemoveDevices(hardwareId);
        devices_.clear();
        for (HANDLE file : files_) ::CloseHandle(file);
        files_.clear();
        for (HWND window : windows_) ::DestroyWindow(window);
        windows_.clear();
        SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        for (const auto& name : services_) {
            SC_HANDLE service = manager ? ::OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS) : nullptr;
            if (service == nullptr) continue;
            SERVICE_STATUS status;
            for (int i = 0;
                 i < 40 && ::QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED;
                 ++i) {
                ::ControlService(service, SERVICE_CONTROL_STOP, &status);
                ::Sleep(250);
            }
            ::DeleteService(service);
            ::CloseServiceHandle(service);
        }
        if (manager) ::CloseServiceHandle(manager);
        services_.clear();
    }

private:
    // Every device, connected or not, whose first hardware ID is `hardwareId`.
    static void RemoveDevices(const std::string& hardwareId) {
        HDEVINFO set = ::SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
        if (set == INVALID_HANDLE_VALUE) return;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
            char ids[4096 + 2] = {};
            if (::SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                                    reinterpret_cast<BYTE*>(ids), 4096, nullptr) &&
                ::lstrcmpiA(ids, hardwareId.c_str()) == 0)
                ::SetupDiRemoveDevice(set, &device);
        }
        ::SetupDiDestroyDeviceInfoList(set);
    }

    std::vector<std::string> devices_;
    std::vector<HANDLE> files_;
    std::vector<HWND> windows_;
    std::vector<std::string> services_;
};

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(folder.c_str());
}

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool IsWow64Process() {
    using IsWow64Entry = BOOL(WINAPI*)(HANDLE, BOOL*);
    auto entry = reinterpret_cast<IsWow64Entry>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return entry != nullptr && entry(::GetCurrentProcess(), &wow64) && wow64;
}

const char* Label(conformance::Outcome outcome) {
    switch (outcome) {
        case conformance::Outcome::Passed:
            return "PASS";
        case conformance::Outcome::Failed:
            return "FAIL";
        case conformance::Outcome::KnownWineDeparture:
            return "KNOWN";
        case conformance::Outcome::Skipped:
            return "SKIP";
    }
    return "?";
}

int RunScenarios(const char* only) {
    static plat::win32::Win32Os machine;
    plat::SetOs(&machine);
    Win32Fixture fixture;
    conformance::Backend backend;
    backend.wine = RunningUnderWine();
    backend.wow64 = IsWow64Process();
    backend.name = std::string("Win32 backend") + (backend.wine ? " under Wine" : "") +
                   (backend.wow64 ? ", 32-bit process on 64-bit Windows" : ", 64-bit process");
    backend.child = OwnPath();
    backend.fixture = &fixture;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::printf("conformance: %s\n", backend.name.c_str());
    if (!backend.wow64)
        std::printf(
            "NOTE: scenarios of the 32-bit view and of System32 redirection are skipped in a 64-bit "
            "process\n");

    int scenarios = 0, passed = 0, known = 0, failed = 0, skipped = 0, index = 0;
    for (const conformance::Scenario& scenario : conformance::Scenarios()) {
        ++index;
        std::string id = std::string(scenario.facility) + "/" + scenario.name;
        if (only != nullptr && id.find(only) == std::string::npos) continue;
        ++scenarios;
        backend.unique = "W" + std::to_string(::GetCurrentProcessId()) + "x" + std::to_string(index);
        backend.scratch = std::string(temp) + "conf-" + backend.unique;
        RemoveTree(backend.scratch);
        ::CreateDirectoryA(backend.scratch.c_str(), nullptr);
        std::string saved(MAX_PATH, '\0');
        saved.resize(::GetCurrentDirectoryA(MAX_PATH, saved.data()));

        conformance::Check check(backend);
        scenario.run(check, backend);

        ::SetCurrentDirectoryA(saved.c_str());
        fixture.Release();
        RemoveTree(backend.scratch);

        conformance::Outcome worst = conformance::Outcome::Passed;
        for (const auto& result : check.Results()) {
            if (result.outcome == conformance::Outcome::Passed) continue;
            std::printf("  %s %s: %s%s%s\n", Label(result.outcome), id.c_str(), result.what.c_str(),
                        result.what.empty() ? "" : ": ", result.detail.c_str());
            if (result.outcome == conformance::Outcome::Failed ||
                (result.outcome == conformance::Outcome::KnownWineDeparture &&
                 worst != conformance::Outcome::Failed) ||
                (result.outcome == conformance::Outcome::Skipped && worst == conformance::Outcome::Passed))
                worst = result.outcome;
        }
        std::printf("%s %s\n", Label(worst), id.c_str());
        switch (worst) {
            case conformance::Outcome::Passed:
                ++passed;
                break;
            case conformance::Outcome::Failed:
                ++failed;
                break;
            case conformance::Outcome::KnownWineDeparture:
                ++known;
                break;
            case conformance::Outcome::Skipped:
                ++skipped;
                break;
        }
        std::fflush(stdout);
    }
    std::printf("%d scenarios: %d passed, %d with known Wine departures, %d failed, %d skipped\n", scenarios,
                passed, known, failed, skipped);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "service") == 0) return RunService(argv[2]);
    if (argc == 1) return RunScenarios(nullptr);
    if (argc == 3 && std::strcmp(argv[1], "--only") == 0) return RunScenarios(argv[2]);
    return RunChild(argc, argv);
}
