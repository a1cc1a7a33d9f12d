#include "conformance/scenario.h"

#include <cstdio>

namespace conformance {

std::vector<Scenario>& Scenarios() {
    static std::vector<Scenario> all;
    return all;
}

Registration::Registration(const char* facility, const char* name, ScenarioFunction run) {
    Scenarios().push_back({facility, name, run});
}

void Check::Expect(const std::string& what, const std::string& actual, const std::string& documented) {
    std::string departure = std::move(departure_);
    departure_.clear();
    if (skipped_) return;
    if (actual == documented) {
        results_.push_back({Outcome::Passed, what, ""});
        return;
    }
    std::string detail = "got \"" + actual + "\", Windows documents \"" + documented + "\"";
    if (!departure.empty() && backend_.wine) {
        results_.push_back({Outcome::KnownWineDeparture, what, detail + " (Wine: " + departure + ")"});
        return;
    }
    results_.push_back({Outcome::Failed, what, detail});
}

void Check::Expect(const std::string& what, std::int64_t actual, std::int64_t documented) {
    Expect(what, std::to_string(actual), std::to_string(documented));
}

Check& Check::WineDeparts(const std::string& reason) {
    departure_ = reason;
    return *this;
}

void Check::Skip(const std::string& reason) {
    if (skipped_) return;
    skipped_ = true;
    results_.push_back({Outcome::Skipped, "", reason});
}

std::string Hex(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
    return buffer;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string Bytes(const std::vector<std::uint8_t>& data) {
    std::string out;
    char buffer[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned>(data[i]));
        out += (i ? " " : "") + std::string(buffer);
    }
    return out;
}

}  // namespace conformance
