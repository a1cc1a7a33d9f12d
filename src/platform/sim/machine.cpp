#include "platform/sim/machine.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/sim/names.h"

namespace sim {

SimPc::SimPc()
    : files(*this),
      registry(*this),
      services(*this),
      processes(*this),
      windows(*this),
      libraries(*this),
      ui(*this),
      system(*this),
      devices(*this) {}

SimPc::~SimPc() = default;

void SimPc::FailCall(const std::string& call, plat::DWord error, int times, int skip) {
    failures.push_back({call, std::nullopt, error, times, skip});
}

void SimPc::FailCallOn(const std::string& call, const std::string& argument, plat::DWord error, int times,
                       int skip) {
    failures.push_back({call, argument, error, times, skip});
}

bool SimPc::TakeFailure(const std::string& call, const std::string& argument) {
    bool fail = false;
    for (Failure& failure : failures) {
        if (failure.call != call || failure.remaining == 0) continue;
        if (failure.argument && !SameName(*failure.argument, argument)) continue;
        if (failure.skip > 0) {
            --failure.skip;
            continue;
        }
        if (!fail) {
            if (failure.remaining > 0) --failure.remaining;
            lastError = failure.error;
            fail = true;
        }
    }
    return fail;
}

void SimClock::Sleep(plat::DWord milliseconds) {
    ++sleepCalls;
    sleptMs += milliseconds;
    now += milliseconds;
}

}  // namespace sim

namespace sim {
namespace {

std::string TimeText(const plat::SystemTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

plat::SystemTime ParseTime(const std::string& text) {
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(text.c_str(), "%u-%u-%u %u:%u:%u", &y, &mo, &d, &h, &mi, &s) != 6)
        throw std::runtime_error("startTime: YYYY-MM-DD hh:mm:ss expected, found " + text);
    plat::SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(mo);
    t.day = static_cast<std::uint16_t>(d);
    t.hour = static_cast<std::uint16_t>(h);
    t.minute = static_cast<std::uint16_t>(mi);
    t.second = static_cast<std::uint16_t>(s);
    // Zeller's congruence for the day of the week (0 Sunday).
    int yy = static_cast<int>(y), mm = static_cast<int>(mo);
    if (mm < 3) {
        mm += 12;
        --yy;
    }
    int weekday =
        (static_cast<int>(d) + 13 * (mm + 1) / 5 + yy + yy / 4 - yy / 100 + yy / 400) % 7;  // 0 Saturday
    t.dayOfWeek = static_cast<std::uint16_t>((weekday + 6) % 7);
    return t;
}

void WriteFacts(const MachineFacts& facts, const SimProcesses& processes, const std::string& file) {
    std::ofstream out(file);
    out << "; The simulated PC: Windows version and architecture, user and folders.\n"
        << "[machine]\n"
        << "major=" << facts.major << "\nminor=" << facts.minor << "\nbuild=" << facts.build << "\n"
        << "win9x=" << (facts.win9x ? 1 : 0) << "\nis64Bit=" << (facts.is64Bit ? 1 : 0) << "\n"
        << "locale=" << facts.locale << "\nuserName=" << facts.userName << "\nprivilege=" << facts.privilege
        << "\n"
        << "windowsDir=" << facts.windowsDir << "\ntempDir=" << facts.tempDir << "\n"
        << "startTime=" << TimeText(facts.startTime) << "\nshortDateFormat=" << facts.shortDateFormat
        << "\nlongTimeFormat=" << facts.longTimeFormat << "\n"
        << "program=" << processes.ownPath << "\n";
    std::string path;
    for (size_t i = 0; i < processes.searchPath.size(); ++i) path += (i ? ";" : "") + processes.searchPath[i];
    out << "path=" << path << "\n";
}

void ReadFacts(MachineFacts& facts, SimProcesses& processes, const std::string& file) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto eq = line.find('=');
        if (line.empty() || line[0] == ';' || line[0] == '[' || eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        auto number = [&] { return static_cast<plat::DWord>(std::stoul(value)); };
        if (key == "major")
            facts.major = number();
        else if (key == "minor")
            facts.minor = number();
        else if (key == "build")
            facts.build = number();
        else if (key == "win9x")
            facts.win9x = value == "1";
        else if (key == "is64Bit")
            facts.is64Bit = value == "1";
        else if (key == "locale")
            facts.locale = value;
        else if (key == "userName")
            facts.userName = value;
        else if (key == "privilege")
            facts.privilege = std::stoi(value);
        else if (key == "windowsDir")
            facts.windowsDir = value;
        else if (key == "tempDir")
            facts.tempDir = value;
        else if (key == "startTime")
            facts.startTime = ParseTime(value);
        else if (key == "shortDateFormat")
            facts.shortDateFormat = value;
        else if (key == "longTimeFormat")
            facts.longTimeFormat = value;
        else if (key == "program")
            processes.ownPath = value;
        else if (key == "path") {
            processes.searchPath.clear();
            std::stringstream folders(value);
            std::string folder;
            while (std::getline(folders, folder, ';'))
                if (!folder.empty()) processes.searchPath.push_back(folder);
        }
    }
}

}  // namespace

void SimPc::Load(const std::string& folder) {
    namespace fs = std::filesystem;
    fs::path base(folder);
    if (fs::exists(base / "machine.ini")) ReadFacts(facts, processes, (base / "machine.ini").string());
    if (fs::exists(base / "registry.reg")) registry.Load((base / "registry.reg").string());
    files.Load(folder);
    services.Load((base / "services.ini").string());
    windows.Load((base / "windows.ini").string());
    // After the registry: the nodes take up their Enum keys.
    devices.Load((base / "devices.ini").string());
}

void SimPc::Save(const std::string& folder) const {
    namespace fs = std::filesystem;
    fs::path base(folder);
    fs::create_directories(base);
    WriteFacts(facts, processes, (base / "machine.ini").string());
    registry.Save((base / "registry.reg").string());
    files.Save(folder);
    services.Save((base / "services.ini").string());
    windows.Save((base / "windows.ini").string());
    devices.Save((base / "devices.ini").string());
}

}  // namespace sim
