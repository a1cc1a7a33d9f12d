#include "platform/sim/inf_store.h"

#include <algorithm>
#include <sstream>

#include "platform/sim/machine.h"
#include "platform/sim/names.h"

namespace sim {

namespace {

// N of "oem<N>.inf", or -1 for any other name.
long OemNumber(const std::string& name) {
    std::string upper = UpperName(name);
    if (upper.size() < 8 || upper.rfind("OEM", 0) != 0 || upper.substr(upper.size() - 4) != ".INF") return -1;
    std::string digits = upper.substr(3, upper.size() - 7);
    if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
        return -1;
    return std::stol(digits);
}

std::string PnfText(const std::string& name, const std::string& sourcePath) {
    std::ostringstream out;
    out << "; Precompiled form of " << name << " (a stand-in of the simulated PC).\r\n"
        << "[InfStore]\r\n"
        << "Name=" << name << "\r\n"
        << "OriginalInfName=" << FileNameOf(sourcePath) << "\r\n"
        << "SourcePath=" << FolderOf(sourcePath) << "\r\n";
    return out.str();
}

std::string PnfValue(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "";
}

}  // namespace

std::string InfStore::Folder() const {
    return pc_.facts.windowsDir + "\\inf";
}

std::optional<InfStore::Entry> InfStore::EntryOf(const std::string& name) const {
    std::string infPath = Folder() + "\\" + name;
    if (!pc_.files.Exists(infPath) || pc_.files.IsFolder(infPath)) return std::nullopt;
    Entry entry;
    entry.name = name;
    entry.infPath = infPath;
    entry.pnfPath = infPath.substr(0, infPath.size() - 4) + ".pnf";
    std::string pnf = pc_.files.Contents(entry.pnfPath);
    entry.originalName = PnfValue(pnf, "OriginalInfName");
    entry.sourceFolder = PnfValue(pnf, "SourcePath");
    return entry;
}

std::vector<InfStore::Entry> InfStore::List() const {
    std::vector<std::pair<long, std::string>> names;
    for (const std::string& name : pc_.files.List(Folder()))
        if (long n = OemNumber(name); n >= 0) names.emplace_back(n, name);
    std::sort(names.begin(), names.end());
    std::vector<Entry> entries;
    for (const auto& [n, name] : names)
        if (auto entry = EntryOf(name)) entries.push_back(*entry);
    return entries;
}

std::optional<InfStore::Entry> InfStore::Find(const std::string& name) const {
    for (const Entry& entry : List())
        if (SameName(entry.name, name)) return entry;
    return std::nullopt;
}

std::optional<InfStore::Entry> InfStore::FindByContents(const std::string& contents) const {
    for (const Entry& entry : List())
        if (pc_.files.Contents(entry.infPath) == contents) return entry;
    return std::nullopt;
}

InfStore::Entry InfStore::Add(const std::string& sourcePath, const std::string& contents, bool* added) {
    if (auto existing = FindByContents(contents)) {
        if (added) *added = false;
        return *existing;
    }
    std::vector<long> taken;
    for (const std::string& name : pc_.files.List(Folder()))
        if (long n = OemNumber(name); n >= 0) taken.push_back(n);
    long number = 0;
    while (std::find(taken.begin(), taken.end(), number) != taken.end()) ++number;
    std::string name = "oem" + std::to_string(number) + ".inf";
    pc_.files.AddFile(Folder() + "\\" + name, contents);
    pc_.files.AddFile(Folder() + "\\oem" + std::to_string(number) + ".pnf", PnfText(name, sourcePath));
    if (added) *added = true;
    return *EntryOf(name);
}

bool InfStore::Remove(const std::string& name) {
    auto entry = Find(name);
    if (!entry) return false;
    pc_.files.Remove(entry->infPath);
    pc_.files.Remove(entry->pnfPath);
    return true;
}

}  // namespace sim

// SetupCopyOEMInfA, the one call of the device facility that adds to the store.
namespace sim {

namespace {
constexpr plat::DWord kSpCopyDeleteSource = 0x1;
constexpr plat::DWord kSpCopyReplaceOnly = 0x2;

bool IsFullPath(const std::string& path) {
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
           (path[2] == '\\' || path[2] == '/');
}
}  // namespace

plat::Bool SimDevices::SetupCopyOEMInfA(const std::string& sourceInf, const std::string&,
                                        plat::DWord mediaType, plat::DWord copyStyle,
                                        std::string* destination, plat::DWord destinationSize,
                                        plat::DWord* requiredSize, std::string* destinationComponent) {
    if (pc_.TakeFailure("SetupCopyOEMInfA", sourceInf)) return 0;
    auto fail = [&](plat::DWord error) {
        pc_.SetLastError(error);
        return 0;
    };
    if (mediaType > plat::kSpostUrl || sourceInf.empty() || (destination == nullptr && destinationSize != 0))
        return fail(plat::kErrorInvalidParameter);
    // The source is documented as a full path.
    if (!IsFullPath(sourceInf)) return fail(plat::kErrorInvalidParameter);
    if (!pc_.IsAdministrator()) return fail(plat::kErrorAccessDenied);
    std::string contents;
    if (plat::DWord error = pc_.files.ReadForCall(sourceInf, &contents)) return fail(error);

    InfStore store(pc_);
    std::optional<InfStore::Entry> existing = store.FindByContents(contents);
    auto report = [&](const InfStore::Entry& entry) -> bool {
        plat::DWord needed = static_cast<plat::DWord>(entry.infPath.size() + 1);
        if (requiredSize) *requiredSize = needed;
        if (destination == nullptr) return true;
        if (destinationSize < needed) {
            pc_.SetLastError(plat::kErrorInsufficientBuffer);
            return false;
        }
        *destination = entry.infPath;
        if (destinationComponent) *destinationComponent = entry.name;
        return true;
    };
    if (existing && (copyStyle & plat::kSpCopyNoOverwrite)) {
        report(*existing);
        return fail(plat::kErrorFileExists);
    }
    if (!existing && (copyStyle & kSpCopyReplaceOnly)) return fail(plat::kErrorFileNotFound);
    InfStore::Entry entry = existing ? *existing : store.Add(pc_.files.Resolve(sourceInf), contents);
    if ((copyStyle & kSpCopyDeleteSource) && !existing) pc_.files.Remove(pc_.files.Resolve(sourceInf));
    if (!report(entry)) return 0;
    pc_.SetLastError(0);
    return 1;
}

}  // namespace sim
