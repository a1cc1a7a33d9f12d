#include "shell/trace.h"

namespace setup {

std::int32_t StepCode = 0;

namespace {
std::function<void(const std::string&)>& Sink() {
    static std::function<void(const std::string&)> sink;
    return sink;
}
}  // namespace

void LogLine(const std::string& text) {
    if (Sink()) Sink()(text);
}

void SetTraceSink(std::function<void(const std::string&)> sink) {
    Sink() = std::move(sink);
}

}  // namespace setup
