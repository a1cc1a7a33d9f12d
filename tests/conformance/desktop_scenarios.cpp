// The restart's privilege, the double-click settings and the local time in
// the user's formats, as the restart offer and the registry settings use
// them. ExitWindowsEx itself is left out: it would restart the machine.
#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr plat::DWord kErrorInsufficientBuffer = 122;
constexpr plat::DWord kErrorInvalidFlags = 1004;
constexpr plat::DWord kErrorNoSuchPrivilege = 1313;
constexpr plat::DWord kErrorInvalidSpiValue = 1439;

plat::SystemApi& System() {
    return plat::os().System();
}

}  // namespace

SCENARIO("system", "shutdown privilege of the process token") {
    plat::Handle token = 0;
    check.Expect("token opened for adjusting and querying",
                 BoolResult(System().OpenProcessToken(
                     System().GetCurrentProcess(), plat::kTokenAdjustPrivileges | plat::kTokenQuery, &token)),
                 "TRUE");
    plat::Luid luid;
    check.Expect("privilege looked up",
                 BoolResult(System().LookupPrivilegeValueA("", "SeShutdownPrivilege", &luid)), "TRUE");
    check.Expect("its LUID (SE_SHUTDOWN_PRIVILEGE)",
                 std::to_string(luid.highPart) + ":" + std::to_string(luid.lowPart), "0:19");
    check.Expect("an unknown privilege",
                 BoolResult(System().LookupPrivilegeValueA("", "SeNoSuchPrivilege", &luid)),
                 "FALSE, error " + std::to_string(kErrorNoSuchPrivilege));
    System().LookupPrivilegeValueA("", "SeShutdownPrivilege", &luid);
    check.Expect(
        "privilege enabled",
        BoolResult(System().AdjustTokenPrivileges(token, 0, {1, luid, plat::kSePrivilegeEnabled}, 16)),
        "TRUE");
    check.Expect("an administrator holds it", LastError(), 0);
    check.Expect("token closed", BoolResult(plat::os().Processes().CloseHandle(token)), "TRUE");
}

SCENARIO("system", "double-click settings") {
    // Windows' own defaults, applied without being stored.
    check.Expect("width",
                 BoolResult(System().SystemParametersInfoA(plat::kSpiSetDoubleClkWidth, 4, nullptr, 0)),
                 "TRUE");
    check.Expect("height",
                 BoolResult(System().SystemParametersInfoA(plat::kSpiSetDoubleClkHeight, 4, nullptr, 0)),
                 "TRUE");
    check.Expect("an unknown action", BoolResult(System().SystemParametersInfoA(0xFFFF, 4, nullptr, 0)),
                 "FALSE, error " + std::to_string(kErrorInvalidSpiValue));
    check.Expect("double-click time", BoolResult(System().SetDoubleClickTime(500)), "TRUE");
}

SCENARIO("system", "local time in the user's formats") {
    plat::SystemTime now;
    System().GetLocalTime(&now);
    check.ExpectTrue("a valid date and time", now.year >= 2000 && now.month >= 1 && now.month <= 12 &&
                                                  now.day >= 1 && now.day <= 31 && now.hour < 24 &&
                                                  now.minute < 60 && now.second < 60);
    const plat::SystemTime day{2011, 6, 2, 14, 9, 30, 5, 0};
    std::string text;
    check.Expect("a picture of the date",
                 System().GetDateFormatA(plat::kLocaleUserDefault, 0, day, "yyyy-MM-dd", &text, 80), 11);
    check.Expect("the date", text, "2011-06-14");
    check.Expect("a picture of the time",
                 System().GetTimeFormatA(plat::kLocaleUserDefault, 0, day, "HH:mm:ss", &text, 80), 9);
    check.Expect("the time", text, "09:30:05");
    check.Expect("the size asked with no buffer",
                 System().GetDateFormatA(plat::kLocaleUserDefault, 0, day, "yyyy-MM-dd", nullptr, 0), 11);
    check.Expect("a buffer too small",
                 System().GetDateFormatA(plat::kLocaleUserDefault, 0, day, "yyyy-MM-dd", &text, 5), 0);
    check.Expect("its error", LastError(), kErrorInsufficientBuffer);
    check.Expect(
        "a picture with the short-date flag",
        System().GetDateFormatA(plat::kLocaleUserDefault, plat::kDateShortDate, day, "yyyy", &text, 80), 0);
    check.Expect("its error", LastError(), kErrorInvalidFlags);
    int written = System().GetDateFormatA(plat::kLocaleUserDefault, plat::kDateShortDate, day, "", &text, 80);
    check.ExpectTrue("the user's short date", written > 1 && static_cast<size_t>(written) == text.size() + 1);
    written = System().GetTimeFormatA(plat::kLocaleUserDefault, 0, day, "", &text, 80);
    check.ExpectTrue("the user's long time", written > 1 && static_cast<size_t>(written) == text.size() + 1);
}

}  // namespace conformance
