// Top-level windows and messages, and the clock.
#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr plat::DWord kErrorInvalidWindowHandle = 1400;

plat::WindowApi& Windows() {
    return plat::os().Windows();
}

}  // namespace

SCENARIO("windows", "finding a window") {
    std::string className = "ConfClass" + backend.unique;
    check.Expect("a class nobody registered", static_cast<std::int64_t>(Windows().FindWindowA(className, {})),
                 0);
    backend.fixture->AddWindow(className, "Conformance probe");
    plat::Hwnd byClass = Windows().FindWindowA(className, {});
    check.ExpectTrue("by class", byClass != 0);
    check.Expect(
        "by class and title, other case",
        static_cast<std::int64_t>(Windows().FindWindowA(Upper(className), std::string("CONFORMANCE PROBE"))),
        static_cast<std::int64_t>(byClass));
    check.Expect(
        "by title only",
        static_cast<std::int64_t>(Windows().FindWindowA(std::nullopt, std::string("Conformance probe"))),
        static_cast<std::int64_t>(byClass));
    check.Expect("another title",
                 static_cast<std::int64_t>(Windows().FindWindowA(className, std::string("x"))), 0);
    check.Expect("post to it", BoolResult(Windows().PostMessageA(byClass, plat::kWmUser + 1, 0, 0)), "TRUE");
}

SCENARIO("windows", "messages to a window that does not exist") {
    plat::Hwnd gone = 0x7FFF0;
    check.Expect("post", BoolResult(Windows().PostMessageA(gone, plat::kWmUser, 0, 0)),
                 "FALSE, error " + std::to_string(kErrorInvalidWindowHandle));
    check.Expect("send", Windows().SendMessageA(gone, plat::kWmUser, 0, 0), 0);
    check.Expect("send error", LastError(), kErrorInvalidWindowHandle);
}

SCENARIO("clock", "sleep and tick count") {
    plat::ClockApi& clock = plat::os().Clock();
    plat::DWord before = clock.GetTickCount();
    clock.Sleep(200);
    plat::DWord elapsed = clock.GetTickCount() - before;
    // The tick count moves in steps of the system timer (10 to 16 ms), and a
    // sleep may end up to a step early.
    check.ExpectTrue("about the time slept passed", elapsed >= 200 - 2 * 16 && elapsed < 2000);
}

}  // namespace conformance
