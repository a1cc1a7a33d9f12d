#include "platform/sim/system.h"

#include <cstdlib>

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
    if (pc_.TakeFailure("SystemParametersInfoA")) return 0;
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
