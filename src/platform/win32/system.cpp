#include <windows.h>

#include <vector>

#include "platform/win32/win32_os.h"

namespace plat::win32 {

namespace {

LogFont Convert(const LOGFONTA& from) {
    LogFont to;
    to.height = from.lfHeight;
    to.width = from.lfWidth;
    to.weight = from.lfWeight;
    to.italic = from.lfItalic;
    to.charSet = from.lfCharSet;
    to.faceName = std::string(from.lfFaceName, ::strnlen(from.lfFaceName, LF_FACESIZE));
    return to;
}

HDC ToDc(Handle dc) {
    return reinterpret_cast<HDC>(dc);
}

// A text the call wrote into `buffer`, up to its NUL.
std::string Text(const std::vector<char>& buffer) {
    return std::string(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
}

}  // namespace

DWord Win32System::GetVersion() {
    return error_.Track(::GetVersion());
}

Bool Win32System::GetVersionExA(OsVersionInfo* info) {
    // Room for the extended record too, whichever size the program announces.
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = info->size;
    BOOL ok = error_.Track(::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)));
    if (ok) {
        info->major = version.dwMajorVersion;
        info->minor = version.dwMinorVersion;
        info->build = version.dwBuildNumber;
        info->platformId = version.dwPlatformId;
        info->servicePack =
            std::string(version.szCSDVersion, ::strnlen(version.szCSDVersion, sizeof(version.szCSDVersion)));
    }
    return ok;
}

int Win32System::GetLocaleInfoA(DWord locale, DWord type, std::string* data, int maxChars) {
    std::vector<char> buffer(static_cast<std::size_t>(maxChars > 0 ? maxChars : 0) + 1, '\0');
    int written = error_.Track(::GetLocaleInfoA(locale, type, buffer.data(), maxChars));
    if (data != nullptr) *data = written > 0 ? Text(buffer) : std::string();
    return written;
}

Bool Win32System::GetUserNameA(std::string* name, DWord* size) {
    std::vector<char> buffer(static_cast<std::size_t>(*size) + 1, '\0');
    DWORD length = *size;
    BOOL ok = error_.Track(::GetUserNameA(buffer.data(), &length));
    *size = length;
    if (name != nullptr) *name = ok ? Text(buffer) : std::string();
    return ok;
}

UInt Win32System::GetWindowsDirectoryA(std::string* path, UInt maxChars) {
    std::vector<char> buffer(static_cast<std::size_t>(maxChars) + 1, '\0');
    UINT length = error_.Track(::GetWindowsDirectoryA(buffer.data(), maxChars));
    if (path != nullptr) *path = length > 0 && length < maxChars ? Text(buffer) : std::string();
    return length;
}

UInt Win32System::GetSystemDirectoryA(std::string* path, UInt maxChars) {
    std::vector<char> buffer(static_cast<std::size_t>(maxChars) + 1, '\0');
    UINT length = error_.Track(::GetSystemDirectoryA(buffer.data(), maxChars));
    if (path != nullptr) *path = length > 0 && length < maxChars ? Text(buffer) : std::string();
    return length;
}

DWord Win32System::GetTempPathA(DWord maxChars, std::string* path) {
    std::vector<char> buffer(static_cast<std::size_t>(maxChars) + 1, '\0');
    DWORD length = error_.Track(::GetTempPathA(maxChars, buffer.data()));
    if (path != nullptr) *path = length > 0 && length < maxChars ? Text(buffer) : std::string();
    return length;
}

int Win32System::WideCharToMultiByte(UInt codePage, DWord flags, const std::u16string& wide,
                                     std::string* multiByte) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    const auto* text = reinterpret_cast<const wchar_t*>(wide.data());
    const int length = static_cast<int>(wide.size());
    int size =
        error_.Track(::WideCharToMultiByte(codePage, flags, text, length, nullptr, 0, nullptr, nullptr));
    if (size <= 0) return 0;
    std::string buffer(static_cast<std::size_t>(size), '\0');
    int written = error_.Track(
        ::WideCharToMultiByte(codePage, flags, text, length, buffer.data(), size, nullptr, nullptr));
    if (written > 0 && multiByte != nullptr) *multiByte = buffer.substr(0, static_cast<std::size_t>(written));
    return written;
}

Bool Win32System::SystemParametersInfoA(UInt action, UInt param, NonClientMetrics* metrics, UInt winIni) {
    // Room for the record of later Windows versions, whichever size the program announces.
    struct {
        NONCLIENTMETRICSA metrics;
        int paddedBorderWidth;
    } record{};
    record.metrics.cbSize = metrics->size;
    BOOL ok = error_.Track(::SystemParametersInfoA(action, param, &record, winIni));
    if (ok) {
        metrics->captionFont = Convert(record.metrics.lfCaptionFont);
        metrics->messageFont = Convert(record.metrics.lfMessageFont);
    }
    return ok;
}

Hwnd Win32System::GetDesktopWindow() {
    return FromHwnd(error_.Track(::GetDesktopWindow()));
}

Handle Win32System::GetDC(Hwnd window) {
    return reinterpret_cast<Handle>(error_.Track(::GetDC(ToHwnd(window))));
}

int Win32System::ReleaseDC(Hwnd window, Handle dc) {
    return error_.Track(::ReleaseDC(ToHwnd(window), ToDc(dc)));
}

Handle Win32System::CreateFontIndirectA(const LogFont& font) {
    LOGFONTA description{};
    description.lfHeight = font.height;
    description.lfWidth = font.width;
    description.lfWeight = font.weight;
    description.lfItalic = font.italic;
    description.lfCharSet = font.charSet;
    ::lstrcpynA(description.lfFaceName, font.faceName.c_str(), LF_FACESIZE);
    return reinterpret_cast<Handle>(error_.Track(::CreateFontIndirectA(&description)));
}

Handle Win32System::SelectObject(Handle dc, Handle object) {
    return reinterpret_cast<Handle>(
        error_.Track(::SelectObject(ToDc(dc), reinterpret_cast<HGDIOBJ>(object))));
}

Bool Win32System::DeleteObject(Handle object) {
    return error_.Track(::DeleteObject(reinterpret_cast<HGDIOBJ>(object)));
}

Bool Win32System::GetTextMetricsA(Handle dc, TextMetric* metrics) {
    TEXTMETRICA text{};
    BOOL ok = error_.Track(::GetTextMetricsA(ToDc(dc), &text));
    if (ok && metrics != nullptr) {
        metrics->height = text.tmHeight;
        metrics->internalLeading = text.tmInternalLeading;
    }
    return ok;
}

int Win32System::GetDeviceCaps(Handle dc, int index) {
    return error_.Track(::GetDeviceCaps(ToDc(dc), index));
}

Handle Win32System::GetCurrentProcess() {
    return FromHandle(error_.Track(::GetCurrentProcess()));
}

int Win32System::MultiByteToWideChar(UInt codePage, DWord flags, const std::string& text,
                                     std::u16string* wide, int maxChars) {
    std::vector<wchar_t> buffer(static_cast<std::size_t>(maxChars > 0 ? maxChars : 1), L'\0');
    int written = error_.Track(::MultiByteToWideChar(codePage, flags, text.c_str(), -1,
                                                     maxChars > 0 ? buffer.data() : nullptr, maxChars));
    if (wide != nullptr && maxChars > 0) {
        // What the call wrote: all but the NUL on success, the filled buffer when it did not fit.
        std::size_t count = written > 0 ? static_cast<std::size_t>(written - 1)
                            : error_.Value() == ERROR_INSUFFICIENT_BUFFER ? buffer.size()
                                                                          : 0;
        wide->assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count));
    }
    return written;
}

DWord Win32System::FormatMessageA(DWord flags, DWord messageId, DWord languageId, std::string* text,
                                  DWord maxChars) {
    std::vector<char> buffer(maxChars > 0 ? maxChars : 1, '\0');
    DWORD length = error_.Track(
        ::FormatMessageA(flags, nullptr, messageId, languageId, buffer.data(), maxChars, nullptr));
    if (text != nullptr) text->assign(buffer.data(), length);
    return length;
}

Bool Win32System::SystemParametersInfoA(UInt action, UInt param, std::nullptr_t, UInt winIni) {
    return error_.Track(::SystemParametersInfoA(action, param, nullptr, winIni));
}

Bool Win32System::OpenProcessToken(Handle process, DWord desiredAccess, Handle* token) {
    HANDLE opened = nullptr;
    BOOL ok = error_.Track(::OpenProcessToken(ToHandle(process), desiredAccess, &opened));
    if (token != nullptr) *token = ok ? FromHandle(opened) : 0;
    return ok;
}

Bool Win32System::LookupPrivilegeValueA(const std::string& systemName, const std::string& name, Luid* luid) {
    LUID value{};
    BOOL ok = error_.Track(
        ::LookupPrivilegeValueA(systemName.empty() ? nullptr : systemName.c_str(), name.c_str(), &value));
    if (ok && luid != nullptr) {
        luid->lowPart = value.LowPart;
        luid->highPart = value.HighPart;
    }
    return ok;
}

Bool Win32System::AdjustTokenPrivileges(Handle token, Bool disableAll, const TokenPrivileges& newState,
                                        DWord bufferLength) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = newState.privilegeCount;
    privileges.Privileges[0].Luid.LowPart = newState.luid.lowPart;
    privileges.Privileges[0].Luid.HighPart = newState.luid.highPart;
    privileges.Privileges[0].Attributes = newState.attributes;
    return error_.Track(
        ::AdjustTokenPrivileges(ToHandle(token), disableAll, &privileges, bufferLength, nullptr, nullptr));
}

Bool Win32System::ExitWindowsEx(UInt flags, DWord reason) {
    return error_.Track(::ExitWindowsEx(flags, reason));
}

Bool Win32System::SetDoubleClickTime(UInt milliseconds) {
    return error_.Track(::SetDoubleClickTime(milliseconds));
}

namespace {

SYSTEMTIME ToSystemTime(const SystemTime& from) {
    SYSTEMTIME to{};
    to.wYear = from.year;
    to.wMonth = from.month;
    to.wDayOfWeek = from.dayOfWeek;
    to.wDay = from.day;
    to.wHour = from.hour;
    to.wMinute = from.minute;
    to.wSecond = from.second;
    to.wMilliseconds = from.milliseconds;
    return to;
}

}  // namespace

void Win32System::GetLocalTime(SystemTime* time) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    error_.Capture();
    time->year = now.wYear;
    time->month = now.wMonth;
    time->dayOfWeek = now.wDayOfWeek;
    time->day = now.wDay;
    time->hour = now.wHour;
    time->minute = now.wMinute;
    time->second = now.wSecond;
    time->milliseconds = now.wMilliseconds;
}

int Win32System::GetDateFormatA(DWord locale, DWord flags, const SystemTime& time, const std::string& format,
                                std::string* text, int maxChars) {
    SYSTEMTIME when = ToSystemTime(time);
    std::vector<char> buffer(static_cast<std::size_t>(maxChars > 0 ? maxChars : 0) + 1, '\0');
    int written =
        error_.Track(::GetDateFormatA(locale, flags, &when, format.empty() ? nullptr : format.c_str(),
                                      maxChars > 0 ? buffer.data() : nullptr, maxChars));
    if (text != nullptr && maxChars > 0) *text = written > 0 ? Text(buffer) : std::string();
    return written;
}

int Win32System::GetTimeFormatA(DWord locale, DWord flags, const SystemTime& time, const std::string& format,
                                std::string* text, int maxChars) {
    SYSTEMTIME when = ToSystemTime(time);
    std::vector<char> buffer(static_cast<std::size_t>(maxChars > 0 ? maxChars : 0) + 1, '\0');
    int written =
        error_.Track(::GetTimeFormatA(locale, flags, &when, format.empty() ? nullptr : format.c_str(),
                                      maxChars > 0 ? buffer.data() : nullptr, maxChars));
    if (text != nullptr && maxChars > 0) *text = written > 0 ? Text(buffer) : std::string();
    return written;
}

}  // namespace plat::win32
