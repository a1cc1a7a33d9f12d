#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>

#include <cstdint>

#include "platform/os.h"
#include "platform/win32/win32_os.h"
#include "shell/program.h"

namespace {

plat::win32::Win32Os theWin32Os;

// Libraries must not be picked up from whatever folder the user started us in.
// Windows 2000 has no SetDllDirectoryA, hence the look-up.
void RemoveCurrentFolderFromDllSearch() {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return;
    auto entry = reinterpret_cast<std::uintptr_t>(::GetProcAddress(kernel, "SetDllDirectoryA"));
    if (entry == 0) return;
    using SetDllDirectoryEntry = BOOL(WINAPI*)(LPCSTR);
    reinterpret_cast<SetDllDirectoryEntry>(entry)("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RemoveCurrentFolderFromDllSearch();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS;
    ::InitCommonControlsEx(&controls);
    plat::SetOs(&theWin32Os);
    return setup::RunSetupProgram();
}
