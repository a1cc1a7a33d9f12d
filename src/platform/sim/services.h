// The simulated Service Control Manager with scripted state changes.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sim {

class SimPc;

struct SimService {
    std::string name;
    plat::DWord state = plat::kServiceStopped;
    plat::DWord type = kOwnProcess;
    // The image the service starts: a driver file or a program's command line;
    // a start fails with ERROR_FILE_NOT_FOUND when the file is missing. Empty:
    // not checked.
    std::string imagePath;
    bool everStarted = false;  // a service that never ran reports exit code 1077 when stopped
    // States that successive status queries report after a start (or stop)
    // request; the last one stays. Empty: the target state at once.
    std::vector<plat::DWord> afterStart;
    std::vector<plat::DWord> afterStop;
    bool refuseStart = false;  // the start request fails (e.g. a disabled service)
    bool refuseStop = false;   // a running service does not accept the stop control
    bool refuseDelete = false;
    bool markedForDelete = false;
    int startRequests = 0;
    int stopRequests = 0;
    int statusQueries = 0;
    std::deque<plat::DWord> pending;  // what the next queries report

    static constexpr plat::DWord kKernelDriver = 0x1;
    static constexpr plat::DWord kOwnProcess = 0x10;
};

class SimServices : public plat::ServiceApi {
public:
    explicit SimServices(SimPc& pc) : pc_(pc) {}

    plat::Handle OpenSCManagerA(const std::string& machine, const std::string& database,
                                plat::DWord access) override;
    plat::Handle OpenServiceA(plat::Handle manager, const std::string& name, plat::DWord access) override;
    plat::Bool QueryServiceStatus(plat::Handle service, plat::ServiceStatus* status) override;
    plat::Bool StartServiceA(plat::Handle service, const std::vector<std::string>& args) override;
    plat::Bool ControlService(plat::Handle service, plat::DWord control,
                              plat::ServiceStatus* status) override;
    plat::Bool DeleteService(plat::Handle service) override;
    plat::Bool CloseServiceHandle(plat::Handle handle) override;

    SimService& Add(const std::string& name, plat::DWord state = plat::kServiceStopped);
    SimService* Find(const std::string& name);
    bool Exists(const std::string& name) { return Find(name) != nullptr; }
    std::vector<std::string> Names() const;
    // Marks a service for deletion as DeleteService does, for the machine's own
    // programs (sc.exe, the package's tools): it goes once stopped and unused.
    void Delete(const std::string& name);
    size_t OpenHandles() const { return handles_.size(); }

    void Save(const std::string& file) const;
    void Load(const std::string& file);

private:
    struct OpenHandle {
        bool manager;
        std::string service;
        plat::DWord access;
    };
    SimService* ServiceOf(plat::Handle handle);
    // The service an open handle names; "" for a manager handle or an unknown one.
    std::string NameOf(plat::Handle handle) const;
    void FillStatus(const SimService& service, plat::ServiceStatus* status) const;
    bool ImageMissing(const SimService& service);
    void RemoveIfUnused(const std::string& name);

    SimPc& pc_;
    std::map<std::string, SimService> services_;  // by upper-case name
    std::map<plat::Handle, OpenHandle> handles_;
};

}  // namespace sim
