// The small system queries of the startup sequence.
#include <cmath>
#include <string>

#include "platform/os.h"
#include "shell/errors.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {

// number * numerator / denominator in 64 bits, rounded half away from zero,
// as the system's MulDiv does; -1 when the denominator is 0.
std::int32_t MulDivRounded(std::int32_t number, std::int32_t numerator, std::int32_t denominator) {
    if (denominator == 0) return -1;
    long long product = static_cast<long long>(number) * numerator;
    long long divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    long long quotient =
        product >= 0 ? (product + divisor / 2) / divisor : -((-product + divisor / 2) / divisor);
    return static_cast<std::int32_t>(quotient);
}

bool TVEXA_Form1::GetCaptionFont(std::string& name, std::uint8_t& charset, std::int32_t& size) {
    StepCode = 19;
    plat::SystemApi& system = plat::os().System();
    plat::NonClientMetrics metrics;
    metrics.size = 340;
    if (!system.SystemParametersInfoA(plat::kSpiGetNonClientMetrics, metrics.size, &metrics, 0)) return false;
    name = metrics.captionFont.faceName.substr(0, 31);
    charset = metrics.captionFont.charSet;
    plat::Hwnd desktop = system.GetDesktopWindow();
    if (static_cast<std::intptr_t>(desktop) <= 0) return false;
    plat::Handle dc = system.GetDC(desktop);
    plat::Handle font = system.CreateFontIndirectA(metrics.captionFont);
    plat::Handle previous = system.SelectObject(dc, font);
    plat::TextMetric text;
    system.GetTextMetricsA(dc, &text);
    size = MulDivRounded(text.height - text.internalLeading, 72, system.GetDeviceCaps(dc, plat::kLogPixelsY));
    system.SelectObject(dc, previous);
    system.DeleteObject(font);
    system.ReleaseDC(desktop, dc);
    return true;
}

bool TVEXA_Form1::IsWow64() {
    StepCode = 20;
    plat::LibraryApi& libraries = plat::os().Libraries();
    plat::Handle kernel32 = libraries.GetModuleHandleA("kernel32");
    plat::ProcAddress isWow64Process = kernel32 ? libraries.GetProcAddress(kernel32, "IsWow64Process") : 0;
    if (isWow64Process == 0) return false;
    plat::Bool wow64 = 0;
    if (!libraries.CallIsWow64Process(isWow64Process, plat::os().System().GetCurrentProcess(), &wow64))
        throw SetupError("IsWow64: bad process handle");
    return wow64 != 0;
}

std::string TVEXA_Form1::GetCurrentUserName() {
    StepCode = 23;
    std::string name;
    plat::DWord length = 253;
    if (!plat::os().System().GetUserNameA(&name, &length) || length <= 1) return {};
    return name.substr(0, length - 1);
}

std::int32_t TVEXA_Form1::IsAdministrator() {
    StepCode = 24;
    std::string user = GetCurrentUserName();
    if (user.empty()) return 0;
    plat::LibraryApi& libraries = plat::os().Libraries();
    plat::Handle netapi = libraries.LoadLibraryA(SystemFolder() + "\\Netapi32.dll");
    if (netapi == 0) return 0;
    plat::ProcAddress netUserGetInfo = libraries.GetProcAddress(netapi, "NetUserGetInfo");
    if (netUserGetInfo == 0) return 0;
    plat::DWord privilege = 0;
    if (libraries.CallNetUserGetInfo(netUserGetInfo, user, 1, &privilege) != 0) return 0;
    return static_cast<std::int32_t>(privilege & 3);
}

std::string TVEXA_Form1::SystemFolder() {
    std::string folder;
    plat::UInt length = plat::os().System().GetSystemDirectoryA(&folder, 260);
    return length > 0 && length < 260 ? folder : std::string();
}

}  // namespace setup
