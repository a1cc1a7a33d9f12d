// Libraries and their entry points: what each supported Windows exports, and
// the calls made through looked-up entry points. The machine is Windows 7,
// 64-bit.
#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr plat::DWord kNerrUserNotFound = 2221;
constexpr plat::DWord kErrorInvalidLevel = 124;

plat::LibraryApi& Libraries() {
    return plat::os().Libraries();
}

}  // namespace

SCENARIO("libraries", "module handles") {
    plat::Handle own = Libraries().GetModuleHandleA("");
    check.ExpectTrue("NULL names the program's own module", own != 0);
    check.Expect("kernel32 is always loaded", Libraries().GetModuleHandleA("kernel32.dll") != 0, 1);
    check.Expect("without the extension", Libraries().GetModuleHandleA("KERNEL32") != 0, 1);
    check.Expect("a library that is not loaded",
                 static_cast<std::int64_t>(Libraries().GetModuleHandleA("conf-none-" + backend.unique)), 0);
    check.Expect("its error", LastError(), plat::kErrorModNotFound);
    check.Expect("the program exports nothing by this name",
                 static_cast<std::int64_t>(Libraries().GetProcAddress(own, "VEXA_GetSetupFlag")), 0);
    check.Expect("its error", LastError(), plat::kErrorProcNotFound);
}

SCENARIO("libraries", "loading and releasing") {
    plat::Handle missing = Libraries().LoadLibraryA(InScratch(backend, "none.dll"));
    check.Expect("a missing library", static_cast<std::int64_t>(missing), 0);
    check.Expect("its error", LastError(), plat::kErrorModNotFound);
    plat::Handle netapi = Libraries().LoadLibraryA("netapi32.dll");
    check.ExpectTrue("netapi32", netapi != 0);
    check.Expect("the same module twice", static_cast<std::int64_t>(Libraries().LoadLibraryA("NETAPI32.DLL")),
                 static_cast<std::int64_t>(netapi));
    check.Expect("release once", BoolResult(Libraries().FreeLibrary(netapi)), "TRUE");
    check.Expect("release twice", BoolResult(Libraries().FreeLibrary(netapi)), "TRUE");
}

SCENARIO("libraries", "exports of Windows 7") {
    struct Case {
        const char* library;
        const char* name;
        bool present;
    };
    const Case cases[] = {
        {"kernel32.dll", "GetLocaleInfoEx", true},
        {"kernel32.dll", "IsWow64Process", true},
        {"kernel32.dll", "Wow64EnableWow64FsRedirection", true},
        {"kernel32.dll", "SetDllDirectoryA", true},
        {"kernel32.dll", "NoSuchExport", false},
        {"netapi32.dll", "NetUserGetInfo", true},
        {"newdev.dll", "UpdateDriverForPlugAndPlayDevicesA", true},
        {"setupapi.dll", "SetupUninstallOEMInfA", true},
    };
    for (const Case& c : cases) {
        plat::Handle module = Libraries().LoadLibraryA(c.library);
        check.ExpectTrue(std::string("load ") + c.library, module != 0);
        if (!module) continue;
        plat::ProcAddress entry = Libraries().GetProcAddress(module, c.name);
        check.Expect(std::string(c.library) + "!" + c.name, entry != 0, c.present);
        if (!c.present) check.Expect("its error", LastError(), plat::kErrorProcNotFound);
        Libraries().FreeLibrary(module);
    }
}

SCENARIO("libraries", "IsWow64Process") {
    plat::Handle kernel = Libraries().GetModuleHandleA("kernel32.dll");
    plat::ProcAddress entry = Libraries().GetProcAddress(kernel, "IsWow64Process");
    if (!entry) return check.Skip("no IsWow64Process");
    plat::Bool wow64 = 2;
    check.Expect(
        "call",
        BoolResult(Libraries().CallIsWow64Process(entry, plat::os().System().GetCurrentProcess(), &wow64)),
        "TRUE");
    check.Expect("a 32-bit process on 64-bit Windows", wow64, backend.wow64 ? 1 : 0);
}

SCENARIO("libraries", "NetUserGetInfo") {
    plat::Handle netapi = Libraries().LoadLibraryA("netapi32.dll");
    plat::ProcAddress entry = Libraries().GetProcAddress(netapi, "NetUserGetInfo");
    if (!entry) return check.Skip("no NetUserGetInfo");
    std::string user;
    plat::DWord size = 257;
    plat::os().System().GetUserNameA(&user, &size);
    plat::DWord privilege = 99;
    check.Expect("level 0", Libraries().CallNetUserGetInfo(entry, user, 0, &privilege), 0);
    check.Expect("level 0 leaves the privilege alone", privilege, 99);
    check.Expect("level 1", Libraries().CallNetUserGetInfo(entry, user, 1, &privilege), 0);
    check.ExpectTrue("a privilege of 0, 1 or 2", privilege <= 2);
    check.Expect("an unknown level", Libraries().CallNetUserGetInfo(entry, user, 77, &privilege),
                 kErrorInvalidLevel);
    check.Expect("an unknown user",
                 Libraries().CallNetUserGetInfo(entry, "NoSuchUser" + backend.unique, 1, &privilege),
                 kNerrUserNotFound);
    Libraries().FreeLibrary(netapi);
}

}  // namespace conformance
