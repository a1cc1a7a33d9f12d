#include "system/services.h"

#include "platform/os.h"
#include "shell/trace.h"

namespace setup {
namespace {

struct Transition {
    bool start;  // a start request, else the stop control
    const char* trace;
    std::int32_t stepCode;
    plat::DWord targetState;
    plat::DWord pendingState;  // the state while the service is on its way
};

constexpr Transition kStart{true, "Start Service ", 2, plat::kServiceRunning, plat::kServiceStartPending};
constexpr Transition kStop{false, "Stop Service ", 3, plat::kServiceStopped, plat::kServiceStopPending};

std::int32_t ChangeServiceState(const Transition& how, const std::string& serviceName, std::int32_t pollLimit,
                                bool* accepted) {
    LogLine(how.trace + serviceName);
    StepCode = how.stepCode;
    plat::Os& os = plat::os();
    plat::ServiceApi& scm = os.Services();
    std::int32_t result = ServiceFailed;

    plat::Handle manager = scm.OpenSCManagerA("", "", plat::kScManagerAllAccess);
    if (manager == 0) return ServiceFailed;
    plat::Handle service = scm.OpenServiceA(manager, serviceName, plat::kServiceAllAccess);
    if (service == 0) {
        scm.CloseServiceHandle(manager);
        return ServiceFailed;
    }

    plat::ServiceStatus status;
    if (!scm.QueryServiceStatus(service, &status)) {
        result = ServiceFailed;
    } else if (status.currentState == how.targetState || status.currentState == how.pendingState) {
        result = ServiceNothingToDo;
    } else {
        bool requested = how.start ? scm.StartServiceA(service, {}) != 0
                                   : scm.ControlService(service, plat::kServiceControlStop, &status) != 0;
        if (accepted != nullptr) *accepted = requested;
        if (!requested) {
            result = ServiceFailed;
        } else {
            os.Clock().Sleep(1000);
            // A state that is neither pending nor the target (a service that
            // stops again right after starting) counts like a pending poll, so
            // the loop ends even when the service never settles.
            std::int32_t polls = 0;
            while (true) {
                if (!scm.QueryServiceStatus(service, &status)) {
                    result = ServiceFailed;
                    break;
                }
                os.Ui().ProcessMessages();
                if (status.currentState == how.targetState) {
                    result = ServiceReached;
                    break;
                }
                os.Clock().Sleep(1000);
                if (++polls > pollLimit) {
                    result = ServiceTimedOut;
                    break;
                }
            }
        }
    }
    scm.CloseServiceHandle(service);
    scm.CloseServiceHandle(manager);
    return result;
}

}  // namespace

std::int32_t StartServiceWait(const std::string& serviceName, std::int32_t pollLimit) {
    return ChangeServiceState(kStart, serviceName, pollLimit, nullptr);
}

std::int32_t StopServiceWait(const std::string& serviceName, std::int32_t pollLimit, bool* stopAccepted) {
    if (stopAccepted != nullptr) *stopAccepted = false;
    return ChangeServiceState(kStop, serviceName, pollLimit, stopAccepted);
}

bool WaitWhileServiceStops(const std::string& serviceName, std::int32_t pollLimit) {
    plat::Os& os = plat::os();
    plat::ServiceApi& scm = os.Services();
    plat::Handle manager = scm.OpenSCManagerA("", "", plat::kScManagerAllAccess);
    if (manager == 0) return false;
    plat::Handle service = scm.OpenServiceA(manager, serviceName, plat::kServiceAllAccess);
    bool stopped = false;
    if (service != 0) {
        plat::ServiceStatus status;
        std::int32_t polls = 0;
        while (scm.QueryServiceStatus(service, &status)) {
            stopped = status.currentState == plat::kServiceStopped;
            if (status.currentState != plat::kServiceStopPending || polls++ >= pollLimit) break;
            os.Ui().ProcessMessages();
            os.Clock().Sleep(1000);
        }
        scm.CloseServiceHandle(service);
    }
    scm.CloseServiceHandle(manager);
    return stopped;
}

std::int32_t RemoveService(const std::string& serviceName) {
    LogLine("Delete Service " + serviceName);
    StepCode = 4;
    plat::ServiceApi& scm = plat::os().Services();
    plat::Handle manager = scm.OpenSCManagerA("", "", plat::kScManagerAllAccess);
    if (manager == 0) return 1;
    plat::Handle service = scm.OpenServiceA(manager, serviceName, plat::kServiceAllAccess);
    if (service == 0) {
        scm.CloseServiceHandle(manager);
        return 1;
    }
    std::int32_t result = scm.DeleteService(service) ? 0 : 1;
    scm.CloseServiceHandle(service);
    scm.CloseServiceHandle(manager);
    return result;
}

}  // namespace setup
