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
std::int32_t StopServiceWait(const std::string& serviceName, std::int32_t pollLimit);
// 0 when the service was marked for deletion, 1 otherwise.
std::int32_t RemoveService(const std::string& serviceName);

}  // namespace setup
