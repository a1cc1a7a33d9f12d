#include "platform/sim/system.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/sim/machine.h"

namespace sim {
namespace {

// A buffer-filling call: the text fits with its NUL, or the call reports the size it needs.
plat::UInt FillBuffer(const std::string& text, std::string* out, plat::UInt maxChars) {
    if (text.size() + 1 > maxChars) return static_cast<plat::UInt>(text.size() + 1);
    *out = text;
    return static_cast<plat::UInt>(text.size());
}

}  // namespace

plat::DWord SimSystem::GetVersion() {
    // Windows documents no failure; an injected one answers 0, as a query that filled nothing.
    if (pc_.TakeFailure("GetVersion")) return 0;
    const MachineFacts& f = pc_.facts;
    // Low word: major, minor; high word: the build, with the top bit set on Windows 9x.
    plat::DWord high = f.win9x ? 0x8000u | (f.build & 0x7FFFu) : (f.build & 0x7FFFu);
    return (high << 16) | (f.minor << 8) | f.major;
}

plat::Bool SimSystem::GetVersionExA(plat::OsVersionInfo* info) {
    if (pc_.TakeFailure("GetVersionExA")) return 0;
    if (info->size != 148 && info->size != 156) {
        pc_.SetLastError(122);  // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    info->major = pc_.facts.major;
    info->minor = pc_.facts.minor;
    info->build = pc_.facts.build;
    info->platformId = pc_.facts.win9x ? 1 : 2;
    info->servicePack = pc_.facts.servicePack;
    return 1;
}

int SimSystem::GetLocaleInfoA(plat::DWord locale, plat::DWord type, std::string* data, int maxChars) {
    if (pc_.TakeFailure("GetLocaleInfoA")) return 0;
    // The machine has one locale, which the system and the user default both name.
    constexpr plat::DWord kLocaleUserDefault = 0x0400;
    if ((locale != plat::kLocaleSystemDefault && locale != kLocaleUserDefault) ||
        type != plat::kLocaleSAbbrevLangName || maxChars < 0) {
        pc_.SetLastError(plat::kErrorInvalidParameter);
        return 0;
    }
    int needed = static_cast<int>(pc_.facts.locale.size()) + 1;
    if (maxChars == 0) return needed;  // the size the answer needs, NUL included
    if (needed > maxChars) {
        pc_.SetLastError(122);
        return 0;
    }
    *data = pc_.facts.locale;
    return static_cast<int>(pc_.facts.locale.size()) + 1;
}

plat::Bool SimSystem::GetUserNameA(std::string* name, plat::DWord* size) {
    if (pc_.TakeFailure("GetUserNameA")) return 0;
    const std::string& user = pc_.facts.userName;
    if (user.size() + 1 > *size) {
        *size = static_cast<plat::DWord>(user.size() + 1);
        pc_.SetLastError(122);
        return 0;
    }
    *name = user;
    *size = static_cast<plat::DWord>(user.size() + 1);
    return 1;
}

plat::UInt SimSystem::GetWindowsDirectoryA(std::string* path, plat::UInt maxChars) {
    if (pc_.TakeFailure("GetWindowsDirectoryA")) return 0;
    return FillBuffer(pc_.facts.windowsDir, path, maxChars);
}

plat::UInt SimSystem::GetSystemDirectoryA(std::string* path, plat::UInt maxChars) {
    if (pc_.TakeFailure("GetSystemDirectoryA")) return 0;
    return FillBuffer(pc_.facts.windowsDir + "\\system32", path, maxChars);
}

plat::DWord SimSystem::GetTempPathA(plat::DWord maxChars, std::string* path) {
    if (pc_.TakeFailure("GetTempPathA")) return 0;
    return FillBuffer(pc_.facts.tempDir, path, maxChars);
}

plat::Bool SimSystem::SystemParametersInfoA(plat::UInt action, plat::UInt, plat::NonClientMetrics* metrics,
                                            plat::UInt) {
    if (pc_.TakeFailure("SystemParametersInfoA", std::to_string(action))) return 0;
    // The record grew by a field in Vista; older systems refuse the larger size.
    bool sizeOk = metrics->size == 340 || (metrics->size == 344 && pc_.facts.major >= 6);
    if (action != plat::kSpiGetNonClientMetrics || !sizeOk) {
        pc_.SetLastError(plat::kErrorInvalidParameter);
        return 0;
    }
    metrics->captionFont = captionFont;
    metrics->messageFont = captionFont;
    metrics->messageFont.weight = 400;
    return 1;
}

plat::Hwnd SimSystem::GetDesktopWindow() {
    if (pc_.TakeFailure("GetDesktopWindow")) return 0;
    return kDesktop;
}

plat::Handle SimSystem::GetDC(plat::Hwnd window) {
    if (pc_.TakeFailure("GetDC")) return 0;
    if (window != kDesktop) return 0;
    plat::Handle dc = pc_.NewHandle();
    dcs_[dc] = 0;
    return dc;
}

int SimSystem::ReleaseDC(plat::Hwnd, plat::Handle dc) {
    if (pc_.TakeFailure("ReleaseDC")) return 0;
    return dcs_.erase(dc) ? 1 : 0;
}

plat::Handle SimSystem::CreateFontIndirectA(const plat::LogFont& font) {
    if (pc_.TakeFailure("CreateFontIndirectA")) return 0;
    plat::Handle handle = pc_.NewHandle();
    fonts_[handle] = font;
    return handle;
}

plat::Handle SimSystem::SelectObject(plat::Handle dc, plat::Handle object) {
    if (pc_.TakeFailure("SelectObject")) return 0;
    auto it = dcs_.find(dc);
    if (it == dcs_.end()) return 0;
    plat::Handle previous = it->second == 0 ? static_cast<plat::Handle>(0x8A) : it->second;  // the stock font
    it->second = object == 0x8A ? 0 : object;
    return previous;
}

plat::Bool SimSystem::DeleteObject(plat::Handle object) {
    if (pc_.TakeFailure("DeleteObject")) return 0;
    for (const auto& [dc, selected] : dcs_)
        if (selected == object) return 0;  // still selected into a context
    return fonts_.erase(object) ? 1 : 0;
}

plat::Bool SimSystem::GetTextMetricsA(plat::Handle dc, plat::TextMetric* metrics) {
    if (pc_.TakeFailure("GetTextMetricsA")) return 0;
    auto it = dcs_.find(dc);
    if (it == dcs_.end()) return 0;
    plat::Long height = 16;
    if (auto font = fonts_.find(it->second); font != fonts_.end()) {
        height = std::abs(font->second.height);
        // A negative height is the character height; a positive one the cell height.
        if (font->second.height < 0) height += internalLeading;
    }
    metrics->height = height;
    metrics->internalLeading = internalLeading;
    return 1;
}

int SimSystem::GetDeviceCaps(plat::Handle dc, int index) {
    if (pc_.TakeFailure("GetDeviceCaps")) return 0;
    if (dcs_.find(dc) == dcs_.end()) return 0;
    return index == plat::kLogPixelsY ? pixelsPerInchY : 0;
}

plat::DWord SimSystem::FormatMessageA(plat::DWord flags, plat::DWord messageId, plat::DWord,
                                      std::string* text, plat::DWord maxChars) {
    constexpr plat::DWord kErrorMrMidNotFound = 317;
    if (pc_.TakeFailure("FormatMessageA", std::to_string(messageId))) return 0;
    if (!(flags & plat::kFormatMessageFromSystem)) {
        pc_.SetLastError(plat::kErrorInvalidParameter);
        return 0;
    }
    // Win32 errors are found both as codes and as HRESULTs of that code.
    plat::DWord code = (messageId & 0xFFFF0000u) == 0x80070000u ? (messageId & 0xFFFFu) : messageId;
    static const std::map<plat::DWord, const char*> kMessages = {
        {0, "The operation completed successfully."},
        {plat::kErrorFileNotFound, "The system cannot find the file specified."},
        {plat::kErrorPathNotFound, "The system cannot find the path specified."},
        {plat::kErrorAccessDenied, "Access is denied."},
        {plat::kErrorSharingViolation,
         "The process cannot access the file because it is being used by another process."},
        {plat::kErrorInvalidParameter, "The parameter is incorrect."},
        {plat::kErrorInsufficientBuffer, "The data area passed to a system call is too small."},
        {plat::kErrorInvalidName, "The filename, directory name, or volume label syntax is incorrect."},
        {0x80004002u, "No such interface supported"},
        {0x80004005u, "Unspecified error"},
        {0x80040154u, "Class not registered"},
        {0x800401F0u, "CoInitialize has not been called."},
    };
    auto it = kMessages.find(code);
    if (it == kMessages.end()) {
        pc_.SetLastError(kErrorMrMidNotFound);
        return 0;
    }
    std::string message = std::string(it->second) + "\r\n";
    if (message.size() + 1 > maxChars) {
        pc_.SetLastError(plat::kErrorInsufficientBuffer);
        return 0;
    }
    if (text) *text = message;
    return static_cast<plat::DWord>(message.size());
}

}  // namespace sim

namespace sim {
namespace {

constexpr plat::DWord kLuidShutdownPrivilege = 19;
constexpr plat::DWord kErrorPrivilegeNotHeld = 1314;
constexpr plat::DWord kErrorInvalidSpiValue = 1439;

// Days since 1970-01-01 of a civil date, and back.
long long DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int* y, unsigned* m, unsigned* d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (*m <= 2));
}

bool ValidTime(const plat::SystemTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour < 24 && t.minute < 60 &&
           t.second < 60;
}

int FillFormatted(SimPc& pc, const std::string& text, std::string* out, int maxChars) {
    int needed = static_cast<int>(text.size()) + 1;
    if (maxChars == 0) return needed;
    if (maxChars < needed) {
        pc.SetLastError(122);  // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    if (out) *out = text;
    pc.SetLastError(0);
    return needed;
}

}  // namespace

std::string SimSystem::FormatTime(const std::string& picture, const plat::SystemTime& t) {
    static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    auto two = [](unsigned value) { return (value < 10 ? "0" : "") + std::to_string(value); };
    std::string out;
    for (size_t i = 0; i < picture.size();) {
        char c = picture[i];
        if (c == '\'') {
            size_t end = picture.find('\'', i + 1);
            out += picture.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            i = end == std::string::npos ? picture.size() : end + 1;
            continue;
        }
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        unsigned hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
        switch (c) {
            case 'd':
                out += run == 1   ? std::to_string(t.day)
                       : run == 2 ? two(t.day)
                       : run == 3 ? std::string(kDays[t.dayOfWeek % 7]).substr(0, 3)
                                  : std::string(kDays[t.dayOfWeek % 7]);
                break;
            case 'M':
                out += run == 1   ? std::to_string(t.month)
                       : run == 2 ? two(t.month)
                       : run == 3 ? std::string(kMonths[(t.month + 11) % 12]).substr(0, 3)
                                  : std::string(kMonths[(t.month + 11) % 12]);
                break;
            case 'y':
                out += run <= 2 ? two(t.year % 100) : std::to_string(t.year);
                break;
            case 'h':
                out += run == 1 ? std::to_string(hour12) : two(hour12);
                break;
            case 'H':
                out += run == 1 ? std::to_string(t.hour) : two(t.hour);
                break;
            case 'm':
                out += run == 1 ? std::to_string(t.minute) : two(t.minute);
                break;
            case 's':
                out += run == 1 ? std::to_string(t.second) : two(t.second);
                break;
            case 't':
                out += run == 1 ? (t.hour < 12 ? "A" : "P") : (t.hour < 12 ? "AM" : "PM");
                break;
            default:
                out += picture.substr(i, run);
                break;
        }
        i += run;
    }
    return out;
}

plat::Bool SimSystem::SystemParametersInfoA(plat::UInt action, plat::UInt param, std::nullptr_t,
                                            plat::UInt winIni) {
    if (pc_.TakeFailure("SystemParametersInfoA", std::to_string(action))) return 0;
    const char* stored = nullptr;
    if (action == plat::kSpiSetDoubleClkWidth) {
        doubleClickWidth = param;
        stored = "DoubleClickWidth";
    } else if (action == plat::kSpiSetDoubleClkHeight) {
        doubleClickHeight = param;
        stored = "DoubleClickHeight";
    } else {
        pc_.SetLastError(kErrorInvalidSpiValue);
        return 0;
    }
    // SPIF_UPDATEINIFILE keeps the setting in the user's profile, where Windows reads it at logon.
    if (winIni & plat::kSpifUpdateIniFile)
        pc_.registry.SetString("HKCU\\Control Panel\\Mouse", stored, std::to_string(param));
    if (winIni & plat::kSpifSendChange) ++settingBroadcasts;
    pc_.SetLastError(0);
    return 1;
}

plat::Bool SimSystem::OpenProcessToken(plat::Handle process, plat::DWord desiredAccess, plat::Handle* token) {
    if (pc_.TakeFailure("OpenProcessToken")) return 0;
    if (process != GetCurrentProcess()) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    *token = pc_.NewHandle();
    tokens_[*token] = desiredAccess;
    pc_.SetLastError(0);
    return 1;
}

plat::Bool SimSystem::LookupPrivilegeValueA(const std::string& systemName, const std::string& name,
                                            plat::Luid* luid) {
    if (pc_.TakeFailure("LookupPrivilegeValueA", name)) return 0;
    if (!systemName.empty()) {
        pc_.SetLastError(1722);  // RPC_S_SERVER_UNAVAILABLE: no other machine is modelled
        return 0;
    }
    static const std::map<std::string, plat::DWord> kPrivileges = {
        {"SECREATETOKENPRIVILEGE", 2},   {"SEBACKUPPRIVILEGE", 17},         {"SERESTOREPRIVILEGE", 18},
        {"SESHUTDOWNPRIVILEGE", 19},     {"SEDEBUGPRIVILEGE", 20},          {"SESYSTEMTIMEPRIVILEGE", 12},
        {"SECHANGENOTIFYPRIVILEGE", 23}, {"SEREMOTESHUTDOWNPRIVILEGE", 24}, {"SELOADDRIVERPRIVILEGE", 10}};
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto it = kPrivileges.find(upper);
    if (it == kPrivileges.end()) {
        pc_.SetLastError(plat::kErrorNoSuchPrivilege);
        return 0;
    }
    luid->lowPart = it->second;
    luid->highPart = 0;
    pc_.SetLastError(0);
    return 1;
}

plat::Bool SimSystem::AdjustTokenPrivileges(plat::Handle token, plat::Bool disableAll,
                                            const plat::TokenPrivileges& newState, plat::DWord) {
    if (pc_.TakeFailure("AdjustTokenPrivileges")) return 0;
    auto it = tokens_.find(token);
    if (it == tokens_.end()) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    if (!(it->second & plat::kTokenAdjustPrivileges)) {
        pc_.SetLastError(plat::kErrorAccessDenied);
        return 0;
    }
    if (disableAll) {
        shutdownPrivilegeEnabled = false;
        pc_.SetLastError(0);
        return 1;
    }
    // Every account of a workstation holds the shutdown privilege (disabled);
    // a guest does not, and the call then succeeds without assigning it.
    bool held = pc_.facts.privilege > 0;
    bool assigned = true;
    if (newState.privilegeCount == 1 && newState.luid.lowPart == kLuidShutdownPrivilege &&
        newState.luid.highPart == 0) {
        if (held)
            shutdownPrivilegeEnabled = (newState.attributes & plat::kSePrivilegeEnabled) != 0;
        else
            assigned = false;
    }
    pc_.SetLastError(assigned ? 0 : plat::kErrorNotAllAssigned);
    return 1;
}

plat::Bool SimSystem::ExitWindowsEx(plat::UInt flags, plat::DWord) {
    if (pc_.TakeFailure("ExitWindowsEx")) return 0;
    if (!shutdownPrivilegeEnabled) {
        pc_.SetLastError(kErrorPrivilegeNotHeld);
        return 0;
    }
    exitWindowsRequests.push_back(flags);
    pc_.SetLastError(0);
    return 1;
}

plat::Bool SimSystem::SetDoubleClickTime(plat::UInt milliseconds) {
    if (pc_.TakeFailure("SetDoubleClickTime")) return 0;
    doubleClickTime = milliseconds == 0 ? 500 : milliseconds;  // 0: Windows' own default
    pc_.SetLastError(0);
    return 1;
}

void SimSystem::GetLocalTime(plat::SystemTime* time) {
    const plat::SystemTime& start = pc_.facts.startTime;
    long long seconds = DaysFromCivil(start.year, start.month, start.day) * 86400LL + start.hour * 3600LL +
                        start.minute * 60LL + start.second;
    long long ms = start.milliseconds + static_cast<long long>(pc_.clock.now);
    seconds += ms / 1000;
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    int year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, &year, &month, &day);
    time->year = static_cast<std::uint16_t>(year);
    time->month = static_cast<std::uint16_t>(month);
    time->day = static_cast<std::uint16_t>(day);
    time->dayOfWeek = static_cast<std::uint16_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    time->hour = static_cast<std::uint16_t>(rest / 3600);
    time->minute = static_cast<std::uint16_t>(rest / 60 % 60);
    time->second = static_cast<std::uint16_t>(rest % 60);
    time->milliseconds = static_cast<std::uint16_t>(ms % 1000);
}

int SimSystem::GetDateFormatA(plat::DWord, plat::DWord flags, const plat::SystemTime& time,
                              const std::string& format, std::string* text, int maxChars) {
    if (pc_.TakeFailure("GetDateFormatA")) return 0;
    if ((!format.empty() && flags != 0) || !ValidTime(time) || maxChars < 0) {
        pc_.SetLastError(format.empty() || flags == 0 ? plat::kErrorInvalidParameter
                                                      : 1004);  // ERROR_INVALID_FLAGS
        return 0;
    }
    return FillFormatted(pc_, FormatTime(format.empty() ? pc_.facts.shortDateFormat : format, time), text,
                         maxChars);
}

int SimSystem::GetTimeFormatA(plat::DWord, plat::DWord flags, const plat::SystemTime& time,
                              const std::string& format, std::string* text, int maxChars) {
    if (pc_.TakeFailure("GetTimeFormatA")) return 0;
    if ((!format.empty() && flags != 0) || !ValidTime(time) || maxChars < 0) {
        pc_.SetLastError(format.empty() || flags == 0 ? plat::kErrorInvalidParameter : 1004);
        return 0;
    }
    return FillFormatted(pc_, FormatTime(format.empty() ? pc_.facts.longTimeFormat : format, time), text,
                         maxChars);
}

}  // namespace sim
