// Starting, stopping and deleting Windows services.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

// Result codes of StartServiceWait and StopServiceWait.
enum ServiceResult : std::int32_t {
    ServiceReached = 0,      // the target state was reached
    ServiceFailed = 1,       // open, query or request failed
    ServiceNothingToDo = 2,  // already in the target state or on the way there
    ServiceTimedOut = 3,     // still on the way after the poll limit
};

std::int32_t StartServiceWait(const std::string& serviceName, std::int32_t pollLimit);
// `stopAccepted`, when given, tells whether the service accepted the stop
// control, whatever the wait then reported.
std::int32_t StopServiceWait(const std::string& serviceName, std::int32_t pollLimit,
                             bool* stopAccepted = nullptr);
// Waits while the named service is stopping, querying it once a second up to
// the poll limit; true when it is then stopped. For a start request, which a
// service refuses until its stop has ended.
bool WaitWhileServiceStops(const std::string& serviceName, std::int32_t pollLimit);
// 0 when the service was marked for deletion, 1 otherwise.
std::int32_t RemoveService(const std::string& serviceName);

}  // namespace setup
