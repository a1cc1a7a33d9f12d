// Services: every control the program sends, in every state it can meet,
// with the status record filled as Windows fills it.
#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr plat::DWord kServiceWin32OwnProcess = 0x10;
constexpr plat::DWord kServiceKernelDriver = 0x1;
constexpr plat::DWord kControlInterrogate = 4;
constexpr plat::DWord kAcceptStop = 1;
constexpr plat::DWord kErrorServiceNeverStarted = 1077;

plat::ServiceApi& Scm() {
    return plat::os().Services();
}

struct Opened {
    plat::Handle manager = 0;
    plat::Handle service = 0;
    ~Opened() {
        if (service) Scm().CloseServiceHandle(service);
        if (manager) Scm().CloseServiceHandle(manager);
    }
};

bool Open(Check& check, const std::string& name, Opened& opened) {
    opened.manager = Scm().OpenSCManagerA("", "", plat::kScManagerAllAccess);
    check.ExpectTrue("OpenSCManagerA", opened.manager != 0);
    if (!opened.manager) return false;
    opened.service = Scm().OpenServiceA(opened.manager, name, plat::kServiceAllAccess);
    check.ExpectTrue("OpenServiceA " + name, opened.service != 0);
    return opened.service != 0;
}

// Polls the status (half a second apart, on the machine's clock) until the
// state is reached or 20 seconds have passed; the state last seen.
plat::DWord WaitForState(plat::Handle service, plat::DWord state) {
    plat::ServiceStatus status;
    for (int i = 0; i < 40; ++i) {
        if (!Scm().QueryServiceStatus(service, &status)) return 0;
        if (status.currentState == state) break;
        plat::os().Clock().Sleep(500);
    }
    return status.currentState;
}

void Delete(const Opened& opened) {
    Scm().DeleteService(opened.service);
}

}  // namespace

SCENARIO("services", "open a missing service") {
    plat::Handle manager = Scm().OpenSCManagerA("", "", plat::kScManagerAllAccess);
    check.ExpectTrue("OpenSCManagerA", manager != 0);
    plat::Handle service =
        Scm().OpenServiceA(manager, "NoSuchService" + backend.unique, plat::kServiceAllAccess);
    check.Expect("OpenServiceA", static_cast<std::int64_t>(service), 0);
    check.Expect("error", LastError(), plat::kErrorServiceDoesNotExist);
    Scm().CloseServiceHandle(manager);
}

SCENARIO("services", "a stopped service") {
    std::string name = "ConfStopped" + backend.unique;
    backend.fixture->AddService(name, Fixture::ServiceKind::OwnProcess, "normal");
    Opened opened;
    if (!Open(check, name, opened)) return;
    plat::ServiceStatus status;
    check.Expect("QueryServiceStatus", BoolResult(Scm().QueryServiceStatus(opened.service, &status)), "TRUE");
    check.Expect("type", Hex(status.serviceType), Hex(kServiceWin32OwnProcess));
    check.Expect("state", status.currentState, plat::kServiceStopped);
    check.Expect("controls accepted", status.controlsAccepted, 0);
    check.WineDeparts("Wine reports exit code 0 for a service that never ran")
        .Expect("exit code of a service that never ran", status.win32ExitCode, kErrorServiceNeverStarted);
    // A stop request fails, and the record still receives the status.
    plat::ServiceStatus stop{};
    stop.currentState = 99;
    check.Expect("stop", BoolResult(Scm().ControlService(opened.service, plat::kServiceControlStop, &stop)),
                 "FALSE, error 1062");
    check.Expect("status with the refused stop", stop.currentState, plat::kServiceStopped);
    check.Expect("type with the refused stop", Hex(stop.serviceType), Hex(kServiceWin32OwnProcess));
    plat::ServiceStatus interrogate{};
    check.Expect("interrogate",
                 BoolResult(Scm().ControlService(opened.service, kControlInterrogate, &interrogate)),
                 "FALSE, error 1062");
    Delete(opened);
}

SCENARIO("services", "start, interrogate and stop a running service") {
    std::string name = "ConfNormal" + backend.unique;
    backend.fixture->AddService(name, Fixture::ServiceKind::OwnProcess, "normal");
    Opened opened;
    if (!Open(check, name, opened)) return;
    check.Expect("start", BoolResult(Scm().StartServiceA(opened.service, {})), "TRUE");
    check.Expect("runs", WaitForState(opened.service, plat::kServiceRunning), plat::kServiceRunning);
    check.Expect("start again", BoolResult(Scm().StartServiceA(opened.service, {})), "FALSE, error 1056");
    plat::ServiceStatus status{};
    check.Expect("interrogate",
                 BoolResult(Scm().ControlService(opened.service, kControlInterrogate, &status)), "TRUE");
    check.Expect("interrogated state", status.currentState, plat::kServiceRunning);
    check.Expect("accepts stop", status.controlsAccepted & kAcceptStop, kAcceptStop);
    check.Expect("exit code while running", status.win32ExitCode, 0);
    plat::ServiceStatus stop{};
    check.Expect("stop", BoolResult(Scm().ControlService(opened.service, plat::kServiceControlStop, &stop)),
                 "TRUE");
    check.ExpectTrue(
        "state after the stop request is stop-pending or stopped",
        stop.currentState == plat::kServiceStopPending || stop.currentState == plat::kServiceStopped);
    check.Expect("stops", WaitForState(opened.service, plat::kServiceStopped), plat::kServiceStopped);
    Delete(opened);
}

SCENARIO("services", "a start-pending service refuses the stop") {
    std::string name = "ConfSlow" + backend.unique;
    backend.fixture->AddService(name, Fixture::ServiceKind::OwnProcess, "slow-start");
    Opened opened;
    if (!Open(check, name, opened)) return;
    check.Expect("start", BoolResult(Scm().StartServiceA(opened.service, {})), "TRUE");
    plat::ServiceStatus status{};
    Scm().QueryServiceStatus(opened.service, &status);
    check.Expect("start pending", status.currentState, plat::kServiceStartPending);
    check.Expect("accepts nothing while starting", status.controlsAccepted, 0);
    plat::ServiceStatus stop{};
    check.WineDeparts("Wine checks the control against the controls accepted before it looks at the state")
        .Expect("stop while starting",
                BoolResult(Scm().ControlService(opened.service, plat::kServiceControlStop, &stop)),
                "FALSE, error 1061");
    check.WineDeparts("Wine leaves the status record alone when it refuses a control")
        .Expect("status with the refused stop", stop.currentState, plat::kServiceStartPending);
    check.Expect("runs in the end", WaitForState(opened.service, plat::kServiceRunning),
                 plat::kServiceRunning);
    check.Expect("stop once running",
                 BoolResult(Scm().ControlService(opened.service, plat::kServiceControlStop, &stop)), "TRUE");
    WaitForState(opened.service, plat::kServiceStopped);
    Delete(opened);
}

SCENARIO("services", "a kernel driver whose image is missing") {
    std::string name = "ConfDriver" + backend.unique;
    backend.fixture->AddService(name, Fixture::ServiceKind::KernelDriver, "");
    Opened opened;
    if (!Open(check, name, opened)) return;
    plat::ServiceStatus status;
    Scm().QueryServiceStatus(opened.service, &status);
    check.Expect("type", Hex(status.serviceType), Hex(kServiceKernelDriver));
    check.Expect("state", status.currentState, plat::kServiceStopped);
    check.WineDeparts("Wine starts drivers in its own device host, which reports a failed initialisation")
        .Expect("start", BoolResult(Scm().StartServiceA(opened.service, {})), "FALSE, error 2");
    Delete(opened);
}

SCENARIO("services", "deletion marks the service") {
    std::string name = "ConfDelete" + backend.unique;
    backend.fixture->AddService(name, Fixture::ServiceKind::OwnProcess, "normal");
    {
        Opened opened;
        if (!Open(check, name, opened)) return;
        check.Expect("delete", BoolResult(Scm().DeleteService(opened.service)), "TRUE");
        check.Expect("delete again", BoolResult(Scm().DeleteService(opened.service)), "FALSE, error 1072");
    }
    // Once the last handle is closed the stopped service is gone.
    plat::Handle manager = Scm().OpenSCManagerA("", "", plat::kScManagerAllAccess);
    plat::Handle service = Scm().OpenServiceA(manager, name, plat::kServiceAllAccess);
    check.Expect("open after the last handle closed", static_cast<std::int64_t>(service), 0);
    check.Expect("error", LastError(), plat::kErrorServiceDoesNotExist);
    Scm().CloseServiceHandle(manager);
}

SCENARIO("services", "a service marked for deletion does not start") {
    std::string name = "ConfMarked" + backend.unique;
    backend.fixture->AddService(name, Fixture::ServiceKind::OwnProcess, "normal");
    Opened opened;
    if (!Open(check, name, opened)) return;
    check.Expect("delete", BoolResult(Scm().DeleteService(opened.service)), "TRUE");
    check.WineDeparts("Wine starts a service that is marked for deletion")
        .Expect("start", BoolResult(Scm().StartServiceA(opened.service, {})), "FALSE, error 1072");
}

SCENARIO("services", "closing handles") {
    plat::Handle manager = Scm().OpenSCManagerA("", "", plat::kScManagerAllAccess);
    check.Expect("close the manager", BoolResult(Scm().CloseServiceHandle(manager)), "TRUE");
}

}  // namespace conformance
