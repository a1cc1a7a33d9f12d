#include <windows.h>

#include "platform/win32/win32_os.h"

namespace plat::win32 {

namespace {

SC_HANDLE ToScHandle(Handle handle) {
    return reinterpret_cast<SC_HANDLE>(handle);
}
Handle FromScHandle(SC_HANDLE handle) {
    return reinterpret_cast<Handle>(handle);
}
const char* OrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

void Convert(const SERVICE_STATUS& from, ServiceStatus* to) {
    if (to == nullptr) return;
    to->serviceType = from.dwServiceType;
    to->currentState = from.dwCurrentState;
    to->controlsAccepted = from.dwControlsAccepted;
    to->win32ExitCode = from.dwWin32ExitCode;
    to->serviceSpecificExitCode = from.dwServiceSpecificExitCode;
    to->checkPoint = from.dwCheckPoint;
    to->waitHint = from.dwWaitHint;
}

}  // namespace

Handle Win32Services::OpenSCManagerA(const std::string& machine, const std::string& database, DWord access) {
    return FromScHandle(error_.Track(::OpenSCManagerA(OrNull(machine), OrNull(database), access)));
}

Handle Win32Services::OpenServiceA(Handle manager, const std::string& name, DWord access) {
    return FromScHandle(error_.Track(::OpenServiceA(ToScHandle(manager), name.c_str(), access)));
}

Bool Win32Services::QueryServiceStatus(Handle service, ServiceStatus* status) {
    SERVICE_STATUS current{};
    BOOL ok = error_.Track(::QueryServiceStatus(ToScHandle(service), &current));
    if (ok) Convert(current, status);
    return ok;
}

Bool Win32Services::StartServiceA(Handle service, const std::vector<std::string>& args) {
    std::vector<const char*> argv;
    for (const auto& arg : args) argv.push_back(arg.c_str());
    return error_.Track(::StartServiceA(ToScHandle(service), static_cast<DWORD>(argv.size()),
                                        argv.empty() ? nullptr : argv.data()));
}

Bool Win32Services::ControlService(Handle service, DWord control, ServiceStatus* status) {
    SERVICE_STATUS current{};
    BOOL ok = error_.Track(::ControlService(ToScHandle(service), control, &current));
    Convert(current, status);  // filled on some failures too
    return ok;
}

Bool Win32Services::DeleteService(Handle service) {
    return error_.Track(::DeleteService(ToScHandle(service)));
}

Bool Win32Services::CloseServiceHandle(Handle handle) {
    return error_.Track(::CloseServiceHandle(ToScHandle(handle)));
}

}  // namespace plat::win32
