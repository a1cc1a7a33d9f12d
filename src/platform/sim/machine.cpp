#include "platform/sim/machine.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/sim/names.h"

namespace sim {

SimPc::SimPc()
    : files(*this),
      registry(*this),
      services(*this),
      processes(*this),
      windows(*this),
      libraries(*this),
      ui(*this),
      system(*this),
      devices(*this),
      shell(*this) {}

SimPc::~SimPc() = default;

void SimPc::FailCall(const std::string& call, plat::DWord error, int times, int skip) {
    failures.push_back({call, std::nullopt, error, times, skip});
}

void SimPc::FailCallOn(const std::string& call, const std::string& argument, plat::DWord error, int times,
                       int skip) {
    failures.push_back({call, argument, error, times, skip});
}

bool SimPc::TakeFailure(const std::string& call, const std::string& argument) {
    if (ownUse_ > 0) return false;
    ++programCalls;
    if (callLimit != 0 && programCalls > callLimit)
        throw HarnessFailure{"the program made more than " + std::to_string(callLimit) +
                             " seam calls (the last " + call + ")"};
    if (clock.limitMs != 0 && clock.now > clock.limitMs)
        throw HarnessFailure{"the simulated clock passed " + std::to_string(clock.limitMs) + " ms"};
    if (recordCalls) recordedCalls.push_back({call, argument});
    bool fail = false;
    for (Failure& failure : failures) {
        if (failure.call != call || failure.remaining == 0) continue;
        if (failure.argument && !SameName(*failure.argument, argument)) continue;
        if (failure.skip > 0) {
            --failure.skip;
            continue;
        }
        if (!fail) {
            if (failure.remaining > 0) --failure.remaining;
            lastError = failure.error;
            fail = true;
        }
    }
    return fail;
}

plat::DWord SimPc::UsualError(const std::string& call) {
    constexpr plat::DWord kNotEnoughMemory = 8;
    constexpr plat::DWord kInsufficientBuffer = 122;
    constexpr plat::DWord kInvalidWindowHandle = 1400;
    constexpr plat::DWord kServiceRequestTimeout = plat::kErrorServiceRequestTimeout;
    constexpr plat::DWord kNerrUserNotFound = 2221;
    constexpr plat::DWord kPrivilegeNotHeld = 1314;
    static const std::map<std::string, plat::DWord> kErrors = {
        // Registry: a key or value that refuses the caller.
        {"RegOpenKeyExA", plat::kErrorAccessDenied},
        {"RegCreateKeyExA", plat::kErrorAccessDenied},
        {"RegCloseKey", plat::kErrorInvalidHandle},
        {"RegQueryValueExA", plat::kErrorAccessDenied},
        {"RegSetValueExA", plat::kErrorAccessDenied},
        {"RegDeleteValueA", plat::kErrorAccessDenied},
        {"RegDeleteKeyA", plat::kErrorAccessDenied},
        {"RegEnumKeyExA", plat::kErrorAccessDenied},
        {"RegEnumValueA", plat::kErrorAccessDenied},
        // Files: a file or folder that refuses the caller.
        {"GetFileAttributesA", plat::kErrorAccessDenied},
        {"SetFileAttributesA", plat::kErrorAccessDenied},
        {"DeleteFileA", plat::kErrorAccessDenied},
        {"CopyFileA", plat::kErrorAccessDenied},
        {"MoveFileExA", plat::kErrorAccessDenied},
        {"CreateDirectoryA", plat::kErrorAccessDenied},
        {"RemoveDirectoryA", plat::kErrorAccessDenied},
        {"GetCurrentDirectoryA", plat::kErrorAccessDenied},
        {"SetCurrentDirectoryA", plat::kErrorAccessDenied},
        {"FindFirstFileA", plat::kErrorAccessDenied},
        {"FindNextFileA", plat::kErrorAccessDenied},
        {"FindClose", plat::kErrorInvalidHandle},
        {"ReadWholeFile", plat::kErrorAccessDenied},
        {"CreateFileA", plat::kErrorAccessDenied},
        {"WriteFile", 112 /* ERROR_DISK_FULL */},
        {"WriteWholeFile", plat::kErrorAccessDenied},
        // Services.
        {"OpenSCManagerA", plat::kErrorAccessDenied},
        {"OpenServiceA", plat::kErrorAccessDenied},
        {"QueryServiceStatus", plat::kErrorAccessDenied},
        {"StartServiceA", kServiceRequestTimeout},
        {"ControlService", kServiceRequestTimeout},
        {"DeleteService", plat::kErrorAccessDenied},
        {"CloseServiceHandle", plat::kErrorInvalidHandle},
        // Processes.
        {"CreateProcessA", plat::kErrorAccessDenied},
        {"WaitForSingleObject", plat::kErrorInvalidHandle},
        {"GetExitCodeProcess", plat::kErrorInvalidHandle},
        {"CloseHandle", plat::kErrorInvalidHandle},
        {"SetThreadPriority", plat::kErrorAccessDenied},
        {"GetModuleFileNameA", kNotEnoughMemory},
        {"CommandLineArguments", kNotEnoughMemory},
        // Windows and messages.
        {"FindWindowA", plat::kErrorAccessDenied},
        {"SendMessageA", plat::kErrorAccessDenied},
        {"PostMessageA", plat::kErrorAccessDenied},
        {"MessageBoxA", kNotEnoughMemory},
        // Libraries and the calls through their entry points.
        {"LoadLibraryA", plat::kErrorModNotFound},
        {"GetModuleHandleA", plat::kErrorModNotFound},
        {"GetProcAddress", plat::kErrorProcNotFound},
        {"FreeLibrary", plat::kErrorInvalidHandle},
        {"CallIntFunction", 1},
        {"Wow64EnableWow64FsRedirection", plat::kErrorInvalidParameter},
        {"IsWow64Process", plat::kErrorInvalidHandle},
        {"NetUserGetInfo", kNerrUserNotFound},
        // System information and the caption font's measurement.
        {"GetVersion", plat::kErrorCallNotImplemented},
        {"GetVersionExA", plat::kErrorInvalidParameter},
        {"GetLocaleInfoA", plat::kErrorInvalidParameter},
        {"GetUserNameA", plat::kErrorAccessDenied},
        {"GetWindowsDirectoryA", kInsufficientBuffer},
        {"GetSystemDirectoryA", kInsufficientBuffer},
        {"GetTempPathA", kInsufficientBuffer},
        {"SystemParametersInfoA", plat::kErrorInvalidParameter},
        {"GetDesktopWindow", kInvalidWindowHandle},
        {"GetDC", kInvalidWindowHandle},
        {"ReleaseDC", plat::kErrorInvalidHandle},
        {"CreateFontIndirectA", plat::kErrorInvalidParameter},
        {"SelectObject", plat::kErrorInvalidHandle},
        {"DeleteObject", plat::kErrorInvalidHandle},
        {"GetTextMetricsA", plat::kErrorInvalidHandle},
        {"GetDeviceCaps", plat::kErrorInvalidHandle},
        {"WideCharToMultiByte", plat::kErrorInvalidParameter},
        {"MultiByteToWideChar", plat::kErrorInvalidParameter},
        {"FormatMessageA", 317 /* ERROR_MR_MID_NOT_FOUND */},
        // Shell folders, COM and the shell link object: HRESULTs, given as
        // the Win32 error they carry (or as the HRESULT itself).
        {"SHGetSpecialFolderLocation", plat::kErrorFileNotFound},
        {"SHGetPathFromIDListA", plat::kErrorFileNotFound},
        {"CoInitialize", static_cast<plat::DWord>(plat::kEFail)},
        {"CoCreateInstance", static_cast<plat::DWord>(plat::kRegdbEClassNotReg)},
        {"QueryInterface", static_cast<plat::DWord>(plat::kENoInterface)},
        {"ShellLinkSetPath", static_cast<plat::DWord>(plat::kEFail)},
        {"ShellLinkSetDescription", static_cast<plat::DWord>(plat::kEFail)},
        {"ShellLinkSetArguments", static_cast<plat::DWord>(plat::kEFail)},
        {"ShellLinkSetIconLocation", static_cast<plat::DWord>(plat::kEFail)},
        {"ShellLinkGetPath", static_cast<plat::DWord>(plat::kEFail)},
        {"ShellLinkGetDescription", static_cast<plat::DWord>(plat::kEFail)},
        {"ShellLinkGetArguments", static_cast<plat::DWord>(plat::kEFail)},
        {"ShellLinkGetWorkingDirectory", static_cast<plat::DWord>(plat::kEFail)},
        {"ShellLinkGetIconLocation", static_cast<plat::DWord>(plat::kEFail)},
        {"ShellLinkGetShowCmd", static_cast<plat::DWord>(plat::kEFail)},
        {"PersistFileSave", plat::kErrorAccessDenied},
        {"PersistFileLoad", plat::kErrorFileNotFound},
        // The driver package store.
        {"SetupCopyOEMInfA", plat::kErrorAccessDenied},
        // Devices and driver packages: the Setup API, HID and newdev.
        {"SetupDiGetClassDevsA", plat::kErrorInvalidParameter},
        {"SetupDiCreateDeviceInfoList", kNotEnoughMemory},
        {"SetupDiDestroyDeviceInfoList", plat::kErrorInvalidHandle},
        {"SetupDiEnumDeviceInfo", plat::kErrorInvalidParameter},
        {"SetupDiGetDeviceRegistryPropertyA", plat::kErrorInvalidData},
        {"SetupDiSetDeviceRegistryPropertyA", plat::kErrorAccessDenied},
        {"SetupDiRemoveDevice", plat::kErrorAccessDenied},
        {"SetupDiEnumDeviceInterfaces", plat::kErrorInvalidParameter},
        {"SetupDiGetDeviceInterfaceDetailA", plat::kErrorInvalidParameter},
        {"SetupDiSetClassInstallParamsA", plat::kErrorInvalidParameter},
        {"SetupDiCallClassInstaller", plat::kErrorAccessDenied},
        {"SetupDiGetINFClassA", plat::kErrorFileNotFound},
        {"HidD_GetAttributes", plat::kErrorGenFailure},
        {"CreateFileA", plat::kErrorAccessDenied},
        {"UpdateDriverForPlugAndPlayDevicesA", plat::kErrorNoSuchDevinst},
        {"SetupUninstallOEMInfA", plat::kErrorAccessDenied},
        // Restart, double-click settings and the local time's formats.
        {"OpenProcessToken", plat::kErrorAccessDenied},
        {"LookupPrivilegeValueA", plat::kErrorNoSuchPrivilege},
        {"AdjustTokenPrivileges", plat::kErrorAccessDenied},
        {"ExitWindowsEx", kPrivilegeNotHeld},
        {"SetDoubleClickTime", plat::kErrorAccessDenied},
        {"GetDateFormatA", plat::kErrorInvalidParameter},
        {"GetTimeFormatA", plat::kErrorInvalidParameter},
        // The window toolkit: the Windows calls behind it failed.
        {"CreateMainWindow", kNotEnoughMemory},
        {"SetCaption", kInvalidWindowHandle},
        {"SetControlText", kInvalidWindowHandle},
        {"SetControlVisible", kInvalidWindowHandle},
        {"SetControlEnabled", kInvalidWindowHandle},
        {"SetControlChecked", kInvalidWindowHandle},
        {"SetProgressPosition", kInvalidWindowHandle},
        {"SetFocus", kInvalidWindowHandle},
        {"SetFont", plat::kErrorInvalidParameter},
        {"SetColors", plat::kErrorInvalidParameter},
        {"LoadPicture", plat::kErrorAccessDenied},
        {"ShowMainWindow", kInvalidWindowHandle},
        {"HideMainWindow", kInvalidWindowHandle},
        {"CloseMainWindow", plat::kErrorAccessDenied},
        {"RunMessageLoop", kInvalidWindowHandle},
        {"SetApplicationTitle", kInvalidWindowHandle},
        {"ShowInfoBox", kNotEnoughMemory},
    };
    auto it = kErrors.find(call);
    return it == kErrors.end() ? 0 : it->second;
}

int MachineFacts::ServicePackNumber() const {
    auto digit = servicePack.find_first_of("0123456789");
    return digit == std::string::npos ? 0 : std::stoi(servicePack.substr(digit));
}

void SimClock::Sleep(plat::DWord milliseconds) {
    ++sleepCalls;
    sleptMs += milliseconds;
    Advance(milliseconds);
}

void SimClock::Advance(std::uint64_t milliseconds) {
    now += milliseconds;
    if (limitMs != 0 && now > limitMs)
        throw HarnessFailure{"the simulated clock passed " + std::to_string(limitMs) + " ms"};
}

}  // namespace sim

namespace sim {
namespace {

std::string TimeText(const plat::SystemTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

plat::SystemTime ParseTime(const std::string& text) {
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(text.c_str(), "%u-%u-%u %u:%u:%u", &y, &mo, &d, &h, &mi, &s) != 6)
        throw std::runtime_error("startTime: YYYY-MM-DD hh:mm:ss expected, found " + text);
    plat::SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(mo);
    t.day = static_cast<std::uint16_t>(d);
    t.hour = static_cast<std::uint16_t>(h);
    t.minute = static_cast<std::uint16_t>(mi);
    t.second = static_cast<std::uint16_t>(s);
    // Zeller's congruence for the day of the week (0 Sunday).
    int yy = static_cast<int>(y), mm = static_cast<int>(mo);
    if (mm < 3) {
        mm += 12;
        --yy;
    }
    int weekday =
        (static_cast<int>(d) + 13 * (mm + 1) / 5 + yy + yy / 4 - yy / 100 + yy / 400) % 7;  // 0 Saturday
    t.dayOfWeek = static_cast<std::uint16_t>((weekday + 6) % 7);
    return t;
}

void WriteFacts(const MachineFacts& facts, const SimProcesses& processes, const std::string& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "; The simulated PC: Windows version and architecture, user and folders.\n"
        << "[machine]\n"
        << "major=" << facts.major << "\nminor=" << facts.minor << "\nbuild=" << facts.build << "\n"
        << "servicePack=" << facts.servicePack << "\n"
        << "win9x=" << (facts.win9x ? 1 : 0) << "\nis64Bit=" << (facts.is64Bit ? 1 : 0) << "\n"
        << "ansiCodePage=" << facts.ansiCodePage << "\n"
        << "locale=" << facts.locale << "\nuserName=" << facts.userName << "\nprivilege=" << facts.privilege
        << "\n"
        << "windowsDir=" << facts.windowsDir << "\ntempDir=" << facts.tempDir << "\n"
        << "startTime=" << TimeText(facts.startTime) << "\nshortDateFormat=" << facts.shortDateFormat
        << "\nlongTimeFormat=" << facts.longTimeFormat << "\n"
        << "program=" << processes.ownPath << "\n";
    std::string path;
    for (size_t i = 0; i < processes.searchPath.size(); ++i) path += (i ? ";" : "") + processes.searchPath[i];
    out << "path=" << path << "\n";
}

void ReadFacts(MachineFacts& facts, SimProcesses& processes, const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto eq = line.find('=');
        if (line.empty() || line[0] == ';' || line[0] == '[' || eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        auto number = [&] { return static_cast<plat::DWord>(std::stoul(value)); };
        if (key == "major")
            facts.major = number();
        else if (key == "minor")
            facts.minor = number();
        else if (key == "build")
            facts.build = number();
        else if (key == "servicePack")
            facts.servicePack = value;
        else if (key == "ansiCodePage")
            facts.ansiCodePage = static_cast<unsigned>(std::stoul(value));
        else if (key == "win9x")
            facts.win9x = value == "1";
        else if (key == "is64Bit")
            facts.is64Bit = value == "1";
        else if (key == "locale")
            facts.locale = value;
        else if (key == "userName")
            facts.userName = value;
        else if (key == "privilege")
            facts.privilege = std::stoi(value);
        else if (key == "windowsDir")
            facts.windowsDir = value;
        else if (key == "tempDir")
            facts.tempDir = value;
        else if (key == "startTime")
            facts.startTime = ParseTime(value);
        else if (key == "shortDateFormat")
            facts.shortDateFormat = value;
        else if (key == "longTimeFormat")
            facts.longTimeFormat = value;
        else if (key == "program")
            processes.ownPath = value;
        else if (key == "path") {
            processes.searchPath.clear();
            std::stringstream folders(value);
            std::string folder;
            while (std::getline(folders, folder, ';'))
                if (!folder.empty()) processes.searchPath.push_back(folder);
        }
    }
}

}  // namespace

void SimPc::Load(const std::string& folder) {
    namespace fs = std::filesystem;
    fs::path base(folder);
    if (fs::exists(base / "machine.ini")) ReadFacts(facts, processes, (base / "machine.ini").string());
    if (fs::exists(base / "registry.reg")) registry.Load((base / "registry.reg").string());
    files.Load(folder);
    services.Load((base / "services.ini").string());
    windows.Load((base / "windows.ini").string());
    // After the registry: the nodes take up their Enum keys.
    devices.Load((base / "devices.ini").string());
}

void SimPc::Save(const std::string& folder) const {
    namespace fs = std::filesystem;
    fs::path base(folder);
    fs::create_directories(base);
    WriteFacts(facts, processes, (base / "machine.ini").string());
    registry.Save((base / "registry.reg").string());
    files.Save(folder);
    services.Save((base / "services.ini").string());
    windows.Save((base / "windows.ini").string());
    devices.Save((base / "devices.ini").string());
}

}  // namespace sim
