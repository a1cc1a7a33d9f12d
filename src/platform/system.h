// System information: version, locale, user, folders, metrics and the
// caption font's measurement through a device context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/wintypes.h"

namespace plat {

// OSVERSIONINFOA; the program sets `size` before the call.
struct OsVersionInfo {
    DWord size = 0;
    DWord major = 0;
    DWord minor = 0;
    DWord build = 0;
    DWord platformId = 0;
    std::string servicePack;
};

// LOGFONTA, the fields the program reads or passes on.
struct LogFont {
    Long height = 0;
    Long width = 0;
    Long weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charSet = 0;
    std::string faceName;  // up to 32 characters with the NUL
};

// NONCLIENTMETRICSA; the program sets `size` before the call.
struct NonClientMetrics {
    UInt size = 0;
    LogFont captionFont;
    LogFont messageFont;
};

// TEXTMETRICA, the fields the program reads.
struct TextMetric {
    Long height = 0;
    Long internalLeading = 0;
};

// SYSTEMTIME.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

// LUID.
struct Luid {
    DWord lowPart = 0;
    Long highPart = 0;
};

// TOKEN_PRIVILEGES with one privilege, as the program passes it.
struct TokenPrivileges {
    DWord privilegeCount = 0;
    Luid luid;
    DWord attributes = 0;
};

constexpr UInt kSpiGetNonClientMetrics = 0x29;
constexpr UInt kSpiSetDoubleClkWidth = 0x1D;
constexpr UInt kSpiSetDoubleClkHeight = 0x1E;
constexpr UInt kSpifUpdateIniFile = 0x1;
constexpr UInt kSpifSendChange = 0x2;
constexpr DWord kLocaleUserDefault = 0x0400;
constexpr DWord kDateShortDate = 0x1;
constexpr DWord kTokenAdjustPrivileges = 0x20;
constexpr DWord kTokenQuery = 0x8;
constexpr DWord kSePrivilegeEnabled = 0x2;
constexpr UInt kEwxReboot = 0x2;
constexpr DWord kErrorNotAllAssigned = 1300;
constexpr DWord kErrorNoSuchPrivilege = 1313;
constexpr int kLogPixelsY = 90;
constexpr DWord kLocaleSystemDefault = 0x0800;
constexpr DWord kLocaleSAbbrevLangName = 3;
constexpr UInt kCpAcp = 0;
constexpr DWord kFormatMessageIgnoreInserts = 0x200;
constexpr DWord kFormatMessageFromSystem = 0x1000;

class SystemApi {
public:
    virtual ~SystemApi() = default;
    virtual DWord GetVersion() = 0;
    virtual Bool GetVersionExA(OsVersionInfo* info) = 0;
    // Returns the characters written including the NUL, 0 on failure.
    virtual int GetLocaleInfoA(DWord locale, DWord type, std::string* data, int maxChars) = 0;
    // `size` in: the characters announced; out: the characters returned, NUL included.
    virtual Bool GetUserNameA(std::string* name, DWord* size) = 0;
    virtual UInt GetWindowsDirectoryA(std::string* path, UInt maxChars) = 0;
    virtual UInt GetSystemDirectoryA(std::string* path, UInt maxChars) = 0;
    virtual DWord GetTempPathA(DWord maxChars, std::string* path) = 0;
    virtual Bool SystemParametersInfoA(UInt action, UInt param, NonClientMetrics* metrics, UInt winIni) = 0;
    // The variant without a data record (pvParam NULL), e.g. the double-click tolerances.
    virtual Bool SystemParametersInfoA(UInt action, UInt param, std::nullptr_t, UInt winIni) = 0;
    virtual Hwnd GetDesktopWindow() = 0;
    virtual Handle GetDC(Hwnd window) = 0;
    virtual int ReleaseDC(Hwnd window, Handle dc) = 0;
    virtual Handle CreateFontIndirectA(const LogFont& font) = 0;
    virtual Handle SelectObject(Handle dc, Handle object) = 0;
    virtual Bool DeleteObject(Handle object) = 0;
    virtual Bool GetTextMetricsA(Handle dc, TextMetric* metrics) = 0;
    virtual int GetDeviceCaps(Handle dc, int index) = 0;
    virtual Handle GetCurrentProcess() = 0;
    // The text is converted with its terminating NUL (input length -1): the
    // result counts the NUL, 0 on failure. `wide` receives the characters
    // written, without the NUL; when they do not fit in `maxChars`, the call
    // fails with ERROR_INSUFFICIENT_BUFFER and `wide` holds what was written.
    virtual int MultiByteToWideChar(UInt codePage, DWord flags, const std::string& text, std::u16string* wide,
                                    int maxChars) = 0;
    // FormatMessageA without a source or inserts, into a buffer of `maxChars`
    // characters: the length written (without the NUL), 0 on failure.
    virtual DWord FormatMessageA(DWord flags, DWord messageId, DWord languageId, std::string* text,
                                 DWord maxChars) = 0;
    // Converts UTF-16 text into the code page; returns the bytes written, 0 on
    // failure (empty text fails too, with ERROR_INVALID_PARAMETER). A character
    // the code page lacks becomes its default character ("?").
    virtual int WideCharToMultiByte(UInt codePage, DWord flags, const std::u16string& wide,
                                    std::string* multiByte) = 0;

    // --- Restart, double-click time, local time and its formats -------------
    // The token handle is closed with ProcessApi::CloseHandle.
    virtual Bool OpenProcessToken(Handle process, DWord desiredAccess, Handle* token) = 0;
    // An empty system name stands for NULL (the local system).
    virtual Bool LookupPrivilegeValueA(const std::string& systemName, const std::string& name,
                                       Luid* luid) = 0;
    // No previous state is asked for (PreviousState NULL, ReturnLength NULL).
    // Succeeds with ERROR_NOT_ALL_ASSIGNED when the token lacks the privilege.
    virtual Bool AdjustTokenPrivileges(Handle token, Bool disableAll, const TokenPrivileges& newState,
                                       DWord bufferLength) = 0;
    virtual Bool ExitWindowsEx(UInt flags, DWord reason) = 0;
    virtual Bool SetDoubleClickTime(UInt milliseconds) = 0;
    virtual void GetLocalTime(SystemTime* time) = 0;
    // `format` empty stands for NULL (the locale's format the flags select).
    // Return the characters written including the NUL, 0 on failure.
    virtual int GetDateFormatA(DWord locale, DWord flags, const SystemTime& time, const std::string& format,
                               std::string* text, int maxChars) = 0;
    virtual int GetTimeFormatA(DWord locale, DWord flags, const SystemTime& time, const std::string& format,
                               std::string* text, int maxChars) = 0;
};

}  // namespace plat
