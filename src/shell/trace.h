// Step codes and the trace seam.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace setup {

// The number of the routine (or startup sub-step) entered last; the only
// diagnostic the user ever sees, in the fatal-error report.
extern std::int32_t StepCode;

// The trace seam: routines pass their trace texts here. It has no effect in
// the product; a test may attach a sink to read the texts.
void LogLine(const std::string& text);
void SetTraceSink(std::function<void(const std::string&)> sink);

}  // namespace setup
