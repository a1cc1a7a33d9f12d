#include "platform/sim/services.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/sim/machine.h"
#include "platform/sim/names.h"

namespace sim {
namespace {

constexpr plat::DWord kWriteRights = 0x0002 | 0x0010 | 0x0020 | 0x0040 | 0x00010000 | 0x00040000 | 0x00080000;

std::string JoinStates(const std::vector<plat::DWord>& states) {
    std::string out;
    for (size_t i = 0; i < states.size(); ++i) out += (i ? "," : "") + std::to_string(states[i]);
    return out;
}

std::vector<plat::DWord> SplitStates(const std::string& text) {
    std::vector<plat::DWord> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty()) out.push_back(static_cast<plat::DWord>(std::stoul(item)));
    return out;
}

}  // namespace

SimService& SimServices::Add(const std::string& name, plat::DWord state) {
    SimService& service = services_[UpperName(name)];
    service = SimService{};
    service.name = name;
    service.state = state;
    service.everStarted = state != plat::kServiceStopped;
    return service;
}

SimService* SimServices::Find(const std::string& name) {
    auto it = services_.find(UpperName(name));
    return it == services_.end() ? nullptr : &it->second;
}

std::vector<std::string> SimServices::Names() const {
    std::vector<std::string> names;
    for (const auto& [key, service] : services_) names.push_back(service.name);
    return names;
}

std::string SimServices::NameOf(plat::Handle handle) const {
    auto it = handles_.find(handle);
    return it == handles_.end() ? std::string() : it->second.service;
}

SimService* SimServices::ServiceOf(plat::Handle handle) {
    auto it = handles_.find(handle);
    if (it == handles_.end() || it->second.manager) return nullptr;
    return Find(it->second.service);
}

plat::Handle SimServices::OpenSCManagerA(const std::string& machine, const std::string&, plat::DWord access) {
    if (pc_.TakeFailure("OpenSCManagerA", machine)) return 0;
    // Only administrators may open the manager with more than connect/enumerate rights.
    if (!pc_.IsAdministrator() && (access & ~0x20015u & 0x000F003Fu) != 0) {
        pc_.SetLastError(plat::kErrorAccessDenied);
        return 0;
    }
    plat::Handle handle = pc_.NewHandle();
    handles_[handle] = {true, "", access};
    pc_.SetLastError(0);
    return handle;
}

plat::Handle SimServices::OpenServiceA(plat::Handle manager, const std::string& name, plat::DWord access) {
    if (pc_.TakeFailure("OpenServiceA", name)) return 0;
    auto it = handles_.find(manager);
    if (it == handles_.end() || !it->second.manager) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    SimService* service = Find(name);
    if (service == nullptr) {
        pc_.SetLastError(plat::kErrorServiceDoesNotExist);
        return 0;
    }
    if (!pc_.IsAdministrator() && (access & kWriteRights) != 0) {
        pc_.SetLastError(plat::kErrorAccessDenied);
        return 0;
    }
    plat::Handle handle = pc_.NewHandle();
    handles_[handle] = {false, service->name, access};
    pc_.SetLastError(0);
    return handle;
}

plat::Bool SimServices::QueryServiceStatus(plat::Handle handle, plat::ServiceStatus* status) {
    if (pc_.TakeFailure("QueryServiceStatus", NameOf(handle))) return 0;
    SimService* service = ServiceOf(handle);
    if (service == nullptr) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    ++service->statusQueries;
    if (!service->pending.empty()) {
        service->state = service->pending.front();
        if (service->pending.size() > 1)
            service->pending.pop_front();
        else
            service->pending.clear();
    }
    FillStatus(*service, status);
    pc_.SetLastError(0);
    return 1;
}

void SimServices::FillStatus(const SimService& service, plat::ServiceStatus* status) const {
    constexpr plat::DWord kAcceptStop = 1;
    constexpr plat::DWord kErrorServiceNeverStarted = 1077;
    if (status == nullptr) return;
    *status = plat::ServiceStatus{};
    status->serviceType = service.type;
    status->currentState = service.state;
    // Controls are accepted only in a steady running state.
    if (service.state == plat::kServiceRunning && !service.refuseStop) status->controlsAccepted = kAcceptStop;
    if (service.state == plat::kServiceStopped && !service.everStarted)
        status->win32ExitCode = kErrorServiceNeverStarted;
    bool pending =
        service.state == plat::kServiceStartPending || service.state == plat::kServiceStopPending ||
        service.state == plat::kServiceContinuePending || service.state == plat::kServicePausePending;
    if (pending) {
        status->checkPoint = static_cast<plat::DWord>(service.statusQueries);
        status->waitHint = 2000;
    }
}

bool SimServices::ImageMissing(const SimService& service) {
    if (service.imagePath.empty()) return false;
    // A command line's program, or a driver path relative to the Windows folder.
    std::string path = service.imagePath;
    if (path.front() == '"') {
        path = path.substr(
            1, path.find('"', 1) == std::string::npos ? std::string::npos : path.find('"', 1) - 1);
    } else if (service.type != SimService::kKernelDriver) {
        path = path.substr(0, path.find(' '));
    }
    const std::string systemRoot = "\\SYSTEMROOT\\";
    if (UpperName(path).rfind(systemRoot, 0) == 0)
        path = pc_.facts.windowsDir + "\\" + path.substr(systemRoot.size());
    else if (path.find(':') == std::string::npos)
        path = pc_.facts.windowsDir + "\\" + path;
    return !pc_.files.Exists(path);
}

plat::Bool SimServices::StartServiceA(plat::Handle handle, const std::vector<std::string>&) {
    if (pc_.TakeFailure("StartServiceA", NameOf(handle))) return 0;
    SimService* service = ServiceOf(handle);
    if (service == nullptr) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    ++service->startRequests;
    if (service->markedForDelete) {
        pc_.SetLastError(plat::kErrorServiceMarkedForDelete);
        return 0;
    }
    if (service->state != plat::kServiceStopped) {
        pc_.SetLastError(plat::kErrorServiceAlreadyRunning);
        return 0;
    }
    if (service->refuseStart) {
        pc_.SetLastError(plat::kErrorServiceDisabled);
        return 0;
    }
    if (ImageMissing(*service)) {
        pc_.SetLastError(plat::kErrorFileNotFound);
        return 0;
    }
    service->everStarted = true;
    service->pending.assign(service->afterStart.begin(), service->afterStart.end());
    service->state = service->pending.empty() ? plat::kServiceRunning : plat::kServiceStartPending;
    pc_.SetLastError(0);
    return 1;
}

plat::Bool SimServices::ControlService(plat::Handle handle, plat::DWord control,
                                       plat::ServiceStatus* status) {
    if (pc_.TakeFailure("ControlService", NameOf(handle))) return 0;
    SimService* service = ServiceOf(handle);
    if (service == nullptr) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    constexpr plat::DWord kControlInterrogate = 4;
    constexpr plat::DWord kErrorInvalidServiceControl = 1052;
    if (control != plat::kServiceControlStop && control != kControlInterrogate) {
        pc_.SetLastError(kErrorInvalidServiceControl);
        return 0;
    }
    // The record receives the current status on success and on the refusals below.
    auto refuse = [&](plat::DWord error) {
        FillStatus(*service, status);
        pc_.SetLastError(error);
        return 0;
    };
    if (control == plat::kServiceControlStop) ++service->stopRequests;
    if (service->state == plat::kServiceStopped) return refuse(plat::kErrorServiceNotActive);
    if (service->state != plat::kServiceRunning) return refuse(plat::kErrorServiceCannotAcceptCtrl);
    if (control == plat::kServiceControlStop) {
        if (service->refuseStop) return refuse(kErrorInvalidServiceControl);
        service->pending.assign(service->afterStop.begin(), service->afterStop.end());
        service->state = service->pending.empty() ? plat::kServiceStopped : plat::kServiceStopPending;
    }
    FillStatus(*service, status);
    pc_.SetLastError(0);
    return 1;
}

plat::Bool SimServices::DeleteService(plat::Handle handle) {
    if (pc_.TakeFailure("DeleteService", NameOf(handle))) return 0;
    SimService* service = ServiceOf(handle);
    if (service == nullptr) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    if (service->refuseDelete) {
        pc_.SetLastError(plat::kErrorAccessDenied);
        return 0;
    }
    if (service->markedForDelete) {
        pc_.SetLastError(plat::kErrorServiceMarkedForDelete);
        return 0;
    }
    service->markedForDelete = true;
    pc_.SetLastError(0);
    return 1;
}

void SimServices::Delete(const std::string& name) {
    SimService* service = Find(name);
    if (service == nullptr) return;
    service->markedForDelete = true;
    RemoveIfUnused(name);
}

void SimServices::RemoveIfUnused(const std::string& name) {
    SimService* service = Find(name);
    if (service == nullptr || !service->markedForDelete) return;
    // A service marked for deletion goes once it is stopped and no handle to it is open.
    if (service->state != plat::kServiceStopped) return;
    for (const auto& [h, open] : handles_)
        if (!open.manager && UpperName(open.service) == UpperName(name)) return;
    services_.erase(UpperName(name));
}

plat::Bool SimServices::CloseServiceHandle(plat::Handle handle) {
    if (pc_.TakeFailure("CloseServiceHandle", NameOf(handle))) return 0;
    auto it = handles_.find(handle);
    if (it == handles_.end()) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    std::string name = it->second.service;
    bool manager = it->second.manager;
    handles_.erase(it);
    if (!manager) RemoveIfUnused(name);
    pc_.SetLastError(0);
    return 1;
}

void SimServices::Save(const std::string& file) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "; Services of the simulated PC. state: 1 stopped, 2 start pending, 3 stop pending, 4 running;\n"
        << "; type: 1 kernel driver, 16 own process (the default).\n";
    for (const auto& [key, s] : services_) {
        out << "[" << s.name << "]\n";
        out << "state=" << s.state << "\n";
        if (s.type != SimService::kOwnProcess) out << "type=" << s.type << "\n";
        if (!s.imagePath.empty()) out << "imagePath=" << s.imagePath << "\n";
        if (s.everStarted) out << "everStarted=1\n";
        if (!s.afterStart.empty()) out << "afterStart=" << JoinStates(s.afterStart) << "\n";
        if (!s.afterStop.empty()) out << "afterStop=" << JoinStates(s.afterStop) << "\n";
        if (s.refuseStart) out << "refuseStart=1\n";
        if (s.refuseStop) out << "refuseStop=1\n";
        if (s.refuseDelete) out << "refuseDelete=1\n";
        if (s.markedForDelete) out << "markedForDelete=1\n";
        out << "\n";
    }
}

void SimServices::Load(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return;
    services_.clear();
    std::string line;
    SimService* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            current = &Add(line.substr(1, line.find(']') - 1));
            continue;
        }
        auto eq = line.find('=');
        if (current == nullptr || eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "state")
            current->state = static_cast<plat::DWord>(std::stoul(value));
        else if (key == "type")
            current->type = static_cast<plat::DWord>(std::stoul(value));
        else if (key == "imagePath")
            current->imagePath = value;
        else if (key == "everStarted")
            current->everStarted = value == "1";
        else if (key == "afterStart")
            current->afterStart = SplitStates(value);
        else if (key == "afterStop")
            current->afterStop = SplitStates(value);
        else if (key == "refuseStart")
            current->refuseStart = value == "1";
        else if (key == "refuseStop")
            current->refuseStop = value == "1";
        else if (key == "refuseDelete")
            current->refuseDelete = value == "1";
        else if (key == "markedForDelete")
            current->markedForDelete = value == "1";
    }
}

}  // namespace sim
