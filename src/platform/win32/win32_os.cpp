#include "platform/win32/win32_os.h"

#include <windows.h>
// lm.h needs windows.h first
#include <lm.h>

#include <vector>

namespace plat::win32 {

Win32Os::Win32Os() : ui_(::GetModuleHandleA(nullptr)) {}

// Windows and messages.

Hwnd Win32Windows::FindWindowA(const std::optional<std::string>& className,
                               const std::optional<std::string>& windowName) {
    return FromHwnd(error_.Track(
        ::FindWindowA(className ? className->c_str() : nullptr, windowName ? windowName->c_str() : nullptr)));
}

LResult Win32Windows::SendMessageA(Hwnd window, UInt message, WParam wParam, LParam lParam) {
    return error_.Track(::SendMessageA(ToHwnd(window), message, wParam, lParam));
}

Bool Win32Windows::PostMessageA(Hwnd window, UInt message, WParam wParam, LParam lParam) {
    return error_.Track(::PostMessageA(ToHwnd(window), message, wParam, lParam));
}

int Win32Windows::MessageBoxA(Hwnd owner, const std::string& text, const std::string& caption, UInt flags) {
    return error_.Track(::MessageBoxA(ToHwnd(owner), text.c_str(), caption.c_str(), flags));
}

// Time.

void Win32Clock::Sleep(DWord milliseconds) {
    ::Sleep(milliseconds);
    error_.Capture();
}

DWord Win32Clock::GetTickCount() {
    return error_.Track(::GetTickCount());
}

// Libraries and calls through looked-up entry points.

Handle Win32Libraries::LoadLibraryA(const std::string& fileName) {
    return FromHandle(error_.Track(::LoadLibraryA(fileName.c_str())));
}

Handle Win32Libraries::GetModuleHandleA(const std::string& moduleName) {
    return FromHandle(error_.Track(::GetModuleHandleA(moduleName.empty() ? nullptr : moduleName.c_str())));
}

ProcAddress Win32Libraries::GetProcAddress(Handle module, const std::string& procName) {
    FARPROC entry = error_.Track(::GetProcAddress(reinterpret_cast<HMODULE>(module), procName.c_str()));
    return reinterpret_cast<ProcAddress>(entry);
}

Bool Win32Libraries::FreeLibrary(Handle module) {
    return error_.Track(::FreeLibrary(reinterpret_cast<HMODULE>(module)));
}

std::int32_t Win32Libraries::CallIntFunction(ProcAddress function) {
    using Entry = int(WINAPI*)();
    return error_.Track(reinterpret_cast<Entry>(function)());
}

std::uint8_t Win32Libraries::CallWow64EnableWow64FsRedirection(ProcAddress function, std::uint8_t enable) {
    using Entry = BOOLEAN(WINAPI*)(BOOLEAN);
    return error_.Track(reinterpret_cast<Entry>(function)(enable));
}

Bool Win32Libraries::CallIsWow64Process(ProcAddress function, Handle process, Bool* wow64) {
    using Entry = BOOL(WINAPI*)(HANDLE, PBOOL);
    BOOL answer = FALSE;
    BOOL ok = error_.Track(reinterpret_cast<Entry>(function)(ToHandle(process), &answer));
    if (ok && wow64 != nullptr) *wow64 = answer;
    return ok;
}

DWord Win32Libraries::CallNetUserGetInfo(ProcAddress function, const std::string& userName, DWord level,
                                         DWord* privilege) {
    // The call exists in UTF-16 only.
    int length = ::MultiByteToWideChar(CP_ACP, 0, userName.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wideName(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, userName.c_str(), -1, wideName.data(), length);
    using Entry = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
    LPBYTE buffer = nullptr;
    DWORD status = error_.Track(reinterpret_cast<Entry>(function)(nullptr, wideName.data(), level, &buffer));
    if (status == NERR_Success && buffer != nullptr) {
        if (level == 1 && privilege != nullptr)
            *privilege = reinterpret_cast<const USER_INFO_1*>(buffer)->usri1_priv;
        // The record belongs to the library, which the program loaded itself.
        HMODULE netapi = ::GetModuleHandleA("netapi32.dll");
        auto release = netapi != nullptr
                           ? reinterpret_cast<std::uintptr_t>(::GetProcAddress(netapi, "NetApiBufferFree"))
                           : 0;
        if (release != 0) reinterpret_cast<NET_API_STATUS(WINAPI*)(LPVOID)>(release)(buffer);
    }
    return status;
}

}  // namespace plat::win32
