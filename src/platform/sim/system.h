// Simulated system information: version, locale, user, folders and the
// caption font's metrics.
#pragma once

#include <map>
#include <string>

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

    // The caption font the system reports, and the display's resolution.
    plat::LogFont captionFont{-12, 0, 700, 0, 0, "Segoe UI"};
    int internalLeading = 3;  // of the caption font at its height
    int pixelsPerInchY = 96;
    size_t OpenGdiObjects() const { return fonts_.size() + dcs_.size(); }

    static constexpr plat::Hwnd kDesktop = 0x10010 - 0x10;

private:
    SimPc& pc_;
    std::map<plat::Handle, plat::LogFont> fonts_;
    std::map<plat::Handle, plat::Handle> dcs_;  // device context -> selected font (0: the stock font)
};

}  // namespace sim
