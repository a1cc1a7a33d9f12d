// Simulated system information: version, locale, user, folders and the
// caption font's metrics.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "platform/system.h"

namespace sim {

class SimPc;

class SimSystem : public plat::SystemApi {
public:
    explicit SimSystem(SimPc& pc) : pc_(pc) {}

    plat::DWord GetVersion() override;
    plat::Bool GetVersionExA(plat::OsVersionInfo* info) override;
    int GetLocaleInfoA(plat::DWord locale, plat::DWord type, std::string* data, int maxChars) override;
    plat::Bool GetUserNameA(std::string* name, plat::DWord* size) override;
    plat::UInt GetWindowsDirectoryA(std::string* path, plat::UInt maxChars) override;
    plat::UInt GetSystemDirectoryA(std::string* path, plat::UInt maxChars) override;
    plat::DWord GetTempPathA(plat::DWord maxChars, std::string* path) override;
    plat::Bool SystemParametersInfoA(plat::UInt action, plat::UInt param, plat::NonClientMetrics* metrics,
                                     plat::UInt winIni) override;
    plat::Hwnd GetDesktopWindow() override;
    plat::Handle GetDC(plat::Hwnd window) override;
    int ReleaseDC(plat::Hwnd window, plat::Handle dc) override;
    plat::Handle CreateFontIndirectA(const plat::LogFont& font) override;
    plat::Handle SelectObject(plat::Handle dc, plat::Handle object) override;
    plat::Bool DeleteObject(plat::Handle object) override;
    plat::Bool GetTextMetricsA(plat::Handle dc, plat::TextMetric* metrics) override;
    int GetDeviceCaps(plat::Handle dc, int index) override;
    plat::Handle GetCurrentProcess() override { return static_cast<plat::Handle>(-1); }
    // The code pages of WideCharToMultiByte below; the result counts the NUL.
    int MultiByteToWideChar(plat::UInt codePage, plat::DWord flags, const std::string& text,
                            std::u16string* wide, int maxChars) override;
    // The system's messages of a few common Win32 errors and HRESULTs, with
    // the CR LF that ends them.
    plat::DWord FormatMessageA(plat::DWord flags, plat::DWord messageId, plat::DWord languageId,
                               std::string* text, plat::DWord maxChars) override;
    // Code pages 1252 (Western) and 1251 (Cyrillic); the best-fit mappings of
    // Windows (a letter with an accent to the letter without) are not modelled:
    // every character a code page lacks becomes "?". Another code page, or a
    // machine whose ANSI code page is another, is a harness failure.
    int WideCharToMultiByte(plat::UInt codePage, plat::DWord flags, const std::u16string& wide,
                            std::string* multiByte) override;
    plat::Bool SystemParametersInfoA(plat::UInt action, plat::UInt param, std::nullptr_t,
                                     plat::UInt winIni) override;
    plat::Bool OpenProcessToken(plat::Handle process, plat::DWord desiredAccess,
                                plat::Handle* token) override;
    plat::Bool LookupPrivilegeValueA(const std::string& systemName, const std::string& name,
                                     plat::Luid* luid) override;
    plat::Bool AdjustTokenPrivileges(plat::Handle token, plat::Bool disableAll,
                                     const plat::TokenPrivileges& newState,
                                     plat::DWord bufferLength) override;
    plat::Bool ExitWindowsEx(plat::UInt flags, plat::DWord reason) override;
    plat::Bool SetDoubleClickTime(plat::UInt milliseconds) override;
    void GetLocalTime(plat::SystemTime* time) override;
    int GetDateFormatA(plat::DWord locale, plat::DWord flags, const plat::SystemTime& time,
                       const std::string& format, std::string* text, int maxChars) override;
    int GetTimeFormatA(plat::DWord locale, plat::DWord flags, const plat::SystemTime& time,
                       const std::string& format, std::string* text, int maxChars) override;

    // Closes a token handle (ProcessApi::CloseHandle); false when it is none.
    bool CloseToken(plat::Handle token) { return tokens_.erase(token) > 0; }
    size_t OpenTokens() const { return tokens_.size(); }
    // A local time written with a picture such as "M/d/yyyy" or "h:mm:ss tt".
    static std::string FormatTime(const std::string& picture, const plat::SystemTime& time);

    // Desktop settings in effect (not the stored ones, which are in the registry).
    plat::UInt doubleClickTime = 500;
    plat::UInt doubleClickWidth = 4;
    plat::UInt doubleClickHeight = 4;
    int settingBroadcasts = 0;  // WM_SETTINGCHANGE sent for a changed setting
    // The shutdown privilege of the process's token is enabled.
    bool shutdownPrivilegeEnabled = false;
    // ExitWindowsEx requests accepted (their flags); Windows then restarts or shuts down.
    std::vector<plat::UInt> exitWindowsRequests;

    // The caption font the system reports, and the display's resolution.
    plat::LogFont captionFont{-12, 0, 700, 0, 0, "Segoe UI"};
    int internalLeading = 3;  // of the caption font at its height
    int pixelsPerInchY = 96;
    size_t OpenGdiObjects() const { return fonts_.size() + dcs_.size(); }

    static constexpr plat::Hwnd kDesktop = 0x10010 - 0x10;

private:
    SimPc& pc_;
    std::map<plat::Handle, plat::LogFont> fonts_;
    std::map<plat::Handle, plat::Handle> dcs_;    // device context -> selected font (0: the stock font)
    std::map<plat::Handle, plat::DWord> tokens_;  // token -> access granted
};

}  // namespace sim
