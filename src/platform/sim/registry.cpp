#include "platform/sim/registry.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>

#include "platform/sim/machine.h"

namespace sim {

using plat::DWord;
using plat::HKey;
using plat::Long;

namespace {

constexpr Long kSuccess = static_cast<Long>(plat::kErrorSuccess);
constexpr Long kFileNotFound = static_cast<Long>(plat::kErrorFileNotFound);
constexpr Long kAccessDenied = static_cast<Long>(plat::kErrorAccessDenied);
constexpr Long kInvalidHandle = static_cast<Long>(plat::kErrorInvalidHandle);
constexpr Long kInvalidParameter = static_cast<Long>(plat::kErrorInvalidParameter);
constexpr Long kNoMoreItems = static_cast<Long>(plat::kErrorNoMoreItems);
constexpr Long kKeyDeleted = static_cast<Long>(plat::kErrorKeyDeleted);

constexpr DWord kWriteDac = 0x00040000;
constexpr DWord kWriteOwner = 0x00080000;
constexpr DWord kMaximumAllowed = 0x02000000;
constexpr DWord kGenericAll = 0x10000000;
constexpr DWord kGenericExecute = 0x20000000;
constexpr DWord kGenericWrite = 0x40000000;
constexpr DWord kGenericRead = 0x80000000;
constexpr DWord kWriteRights = plat::kKeySetValue | plat::kKeyCreateSubKey | plat::kKeyCreateLink |
                               plat::kDelete | kWriteDac | kWriteOwner;

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

// The order of sub-keys in a hive: ordinal on upper-cased names.
bool NameLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Upper(x)) < static_cast<unsigned char>(Upper(y));
    });
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '\\') {
            if (!current.empty()) parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

enum Hive { kHklm, kHkcu, kHku, kHiveCount };

const std::array<const char*, kHiveCount> kShortRoot = {"HKLM", "HKCU", "HKU"};
const std::array<const char*, kHiveCount> kLongRoot = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
                                                       "HKEY_USERS"};

// Keys below HKLM\SOFTWARE that both views share on 64-bit Windows.
const std::vector<std::vector<std::string>> kSharedSoftwareKeys = {
    {"Classes"},
    {"Clients"},
    {"Policies"},
    {"RegisteredApplications"},
    {"Microsoft", "COM3"},
    {"Microsoft", "EventSystem"},
    {"Microsoft", "Ole"},
    {"Microsoft", "Rpc"},
    {"Microsoft", "Windows", "CurrentVersion", "Group Policy"},
    {"Microsoft", "Windows", "CurrentVersion", "Telephony", "Locations"},
    {"Microsoft", "Windows NT", "CurrentVersion", "Console"},
    {"Microsoft", "Windows NT", "CurrentVersion", "FontDpi"},
    {"Microsoft", "Windows NT", "CurrentVersion", "FontLink"},
    {"Microsoft", "Windows NT", "CurrentVersion", "FontMapper"},
    {"Microsoft", "Windows NT", "CurrentVersion", "Fonts"},
    {"Microsoft", "Windows NT", "CurrentVersion", "FontSubstitutes"},
    {"Microsoft", "Windows NT", "CurrentVersion", "Gre_Initialize"},
    {"Microsoft", "Windows NT", "CurrentVersion", "LanguagePack"},
    {"Microsoft", "Windows NT", "CurrentVersion", "NetworkCards"},
    {"Microsoft", "Windows NT", "CurrentVersion", "Perflib"},
    {"Microsoft", "Windows NT", "CurrentVersion", "Ports"},
    {"Microsoft", "Windows NT", "CurrentVersion", "Print"},
    {"Microsoft", "Windows NT", "CurrentVersion", "ProfileList"},
    {"Microsoft", "Windows NT", "CurrentVersion", "Time Zones"},
};

struct Key {
    std::string name;
    Hive hive = kHklm;
    Key* parent = nullptr;                                 // not used once deleted
    std::vector<std::shared_ptr<Key>> subkeys;             // hive order
    std::vector<std::pair<std::string, RegValue>> values;  // order first set
    DWord denied = 0;
    bool refusesDeletion = false;
    bool deleted = false;
    std::string deletedPath;

    // Sub-keys stay sorted by NameLess, so a name is found by bisection.
    std::vector<std::shared_ptr<Key>>::const_iterator Position(const std::string& child) const {
        return std::lower_bound(subkeys.begin(), subkeys.end(), child,
                                [](const std::shared_ptr<Key>& k, const std::string& wanted) {
                                    return NameLess(k->name, wanted);
                                });
    }
    Key* Find(const std::string& child) const {
        auto at = Position(child);
        return at != subkeys.end() && SameName((*at)->name, child) ? at->get() : nullptr;
    }
    std::shared_ptr<Key> Shared(const Key* child) const {
        auto at = Position(child->name);
        return at != subkeys.end() && at->get() == child ? *at : nullptr;
    }
    Key* Add(const std::string& child) {
        auto key = std::make_shared<Key>();
        key->name = child;
        key->hive = hive;
        key->parent = this;
        return subkeys.insert(Position(child), key)->get();
    }
    RegValue* FindValue(const std::string& valueName) {
        for (auto& [n, v] : values)
            if (SameName(n, valueName)) return &v;
        return nullptr;
    }
    void Set(const std::string& valueName, RegValue value) {
        if (RegValue* existing = FindValue(valueName))
            *existing = std::move(value);
        else
            values.emplace_back(valueName, std::move(value));
    }
};

std::string PathOf(const Key& key) {
    if (key.deleted) return key.deletedPath;
    std::vector<const Key*> chain;
    for (const Key* k = &key; k; k = k->parent) chain.push_back(k);
    std::string path = kShortRoot[key.hive];
    for (auto it = std::next(chain.rbegin()); it != chain.rend(); ++it) path += "\\" + (*it)->name;
    return path;
}

std::vector<std::string> ComponentsOf(const Key& key) {
    std::vector<std::string> parts;
    for (const Key* k = &key; k->parent; k = k->parent) parts.push_back(k->name);
    std::reverse(parts.begin(), parts.end());
    return parts;
}

void MarkDeleted(Key& key) {
    key.deletedPath = PathOf(key);
    for (auto& sub : key.subkeys) MarkDeleted(*sub);
    key.deleted = true;
}

DWord MapGenericRights(DWord sam) {
    DWord rights = sam & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll | kMaximumAllowed |
                           plat::kKeyWow64_32Key | plat::kKeyWow64_64Key);
    if (sam & (kGenericRead | kGenericExecute)) rights |= plat::kKeyRead;
    if (sam & kGenericWrite) rights |= plat::kKeyWrite;
    if (sam & kGenericAll) rights |= plat::kKeyAllAccess;
    return rights;
}

// --- .reg text -----------------------------------------------------------

// Values hold ANSI bytes; the export shows each byte as the Unicode character
// of the same number (Latin-1), written as UTF-8, so every byte survives.
void AppendUtf8(std::string& out, unsigned char byte) {
    if (byte < 0x80) {
        out += static_cast<char>(byte);
    } else {
        out += static_cast<char>(0xC0 | (byte >> 6));
        out += static_cast<char>(0x80 | (byte & 0x3F));
    }
}

std::string ToUtf8(const std::string& ansi) {
    std::string out;
    for (char c : ansi) AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

// Decodes a .reg file (UTF-16LE with BOM, UTF-8, or ANSI) to one byte per
// character; characters beyond Latin-1 become '?'.
std::string DecodeRegText(const std::string& raw) {
    auto narrow = [](std::uint32_t cp) { return static_cast<char>(cp <= 0xFF ? cp : '?'); };
    std::string out;
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        for (std::size_t i = 2; i + 1 < raw.size(); i += 2) {
            std::uint32_t unit =
                static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8);
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                if (unit <= 0xDBFF) i += 2;  // a surrogate pair is one character
                out += '?';
                continue;
            }
            out += narrow(unit);
        }
        return out;
    }
    std::size_t start = raw.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (std::size_t i = start; i < raw.size();) {
        auto b = static_cast<unsigned char>(raw[i]);
        int extra = b < 0x80             ? 0
                    : (b & 0xE0) == 0xC0 ? 1
                    : (b & 0xF0) == 0xE0 ? 2
                    : (b & 0xF8) == 0xF0 ? 3
                                         : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= raw.size())
            return raw.substr(start);  // not UTF-8: an ANSI file
        std::uint32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
        for (int k = 1; k <= extra; ++k) {
            auto c = static_cast<unsigned char>(raw[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) return raw.substr(start);
            cp = (cp << 6) | (c & 0x3F);
        }
        out += narrow(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

// A REG_SZ that reads back exactly when written as "text": one terminating
// NUL, none inside, and no line breaks.
bool IsPlainString(const std::vector<std::uint8_t>& data) {
    if (data.empty() || data.back() != 0) return false;
    return std::none_of(data.begin(), data.end() - 1,
                        [](std::uint8_t b) { return b == 0 || b == '\r' || b == '\n'; });
}

void AppendHex(std::string& line, std::string& out, const std::vector<std::uint8_t>& bytes) {
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        line += buf;
        if (i + 1 < bytes.size()) {
            line += ',';
            if (line.size() > 76) {
                out += line + "\\\r\n";
                line = "  ";
            }
        }
    }
}

std::vector<std::uint8_t> Widen(const std::vector<std::uint8_t>& ansi) {
    std::vector<std::uint8_t> wide;
    for (std::uint8_t b : ansi) {
        wide.push_back(b);
        wide.push_back(0);
    }
    return wide;
}

std::vector<std::uint8_t> Narrow(const std::vector<std::uint8_t>& wide) {
    if (wide.size() % 2 != 0) return wide;
    std::vector<std::uint8_t> ansi;
    for (std::size_t i = 0; i < wide.size(); i += 2) ansi.push_back(wide[i + 1] == 0 ? wide[i] : '?');
    return ansi;
}

void WriteValue(std::string& out, const std::string& name, const RegValue& value) {
    std::string line = name.empty() ? "@=" : "\"" + ToUtf8(Escape(name)) + "\"=";
    const auto& data = value.data;
    if (value.type == plat::kRegSz && IsPlainString(data)) {
        out += line + "\"" + ToUtf8(Escape(std::string(data.begin(), data.end() - 1))) + "\"\r\n";
        return;
    }
    if (value.type == plat::kRegDword && data.size() == 4) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x",
                      static_cast<unsigned>(data[0] | (data[1] << 8) | (data[2] << 16) | (data[3] << 24)));
        out += line + buf + "\r\n";
        return;
    }
    bool unicode =
        value.type == plat::kRegSz || value.type == plat::kRegExpandSz || value.type == plat::kRegMultiSz;
    if (value.type == plat::kRegBinary) {
        line += "hex:";
    } else {
        char buf[16];
        std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.type));
        line += buf;
    }
    AppendHex(line, out, unicode ? Widen(data) : data);
    out += line + "\r\n";
}

void WriteKey(std::string& out, const Key& key, const std::string& path, bool root) {
    if (!root || !key.values.empty() || key.denied || key.refusesDeletion) {
        out += "\r\n[" + ToUtf8(path) + "]\r\n";
        if (key.denied) {
            char buf[48];
            std::snprintf(buf, sizeof buf, "; sim: deny-access=0x%08x\r\n",
                          static_cast<unsigned>(key.denied));
            out += buf;
        }
        if (key.refusesDeletion) out += "; sim: refuses-deletion\r\n";
        for (const auto& [name, value] : key.values) WriteValue(out, name, value);
    }
    for (const auto& sub : key.subkeys) WriteKey(out, *sub, path + "\\" + sub->name, false);
}

[[noreturn]] void BadRegFile(const std::string& file, std::size_t line, const std::string& why) {
    throw std::runtime_error(file + ":" + std::to_string(line) + ": " + why);
}

}  // namespace

struct SimRegistry::Impl {
    SimPc& pc;
    std::array<std::shared_ptr<Key>, kHiveCount> roots;
    struct OpenKey {
        std::shared_ptr<Key> key;
        DWord granted = 0;
    };
    std::map<HKey, OpenKey> handles;
    std::uint64_t deletions = 0;

    explicit Impl(SimPc& machine) : pc(machine) { Reset(); }

    void Reset() {
        ++deletions;
        for (auto& root : roots)
            if (root) MarkDeleted(*root);
        handles.clear();
        for (int h = 0; h < kHiveCount; ++h) {
            roots[h] = std::make_shared<Key>();
            roots[h]->name = kLongRoot[h];
            roots[h]->hive = static_cast<Hive>(h);
        }
        // Present on every Windows installation.
        roots[kHklm]->Add("SOFTWARE");
        roots[kHklm]->Add("SYSTEM");
        roots[kHkcu]->Add("Software");
    }

    // Rights nobody can get on this key.
    DWord Forbidden(const Key& key) const {
        DWord forbidden = key.denied;
        if (!pc.facts.win9x && !pc.IsAdministrator() && key.hive == kHklm) forbidden |= kWriteRights;
        return forbidden;
    }

    Key* Walk(Key* from, const std::vector<std::string>& parts) const {
        for (const auto& part : parts) {
            if (!from) return nullptr;
            from = from->Find(part);
        }
        return from;
    }

    Key* Classes() {
        Key* software = roots[kHklm]->Find("SOFTWARE");
        if (!software) software = roots[kHklm]->Add("SOFTWARE");
        Key* classes = software->Find("Classes");
        return classes ? classes : software->Add("Classes");
    }

    // The path a 32-bit program reaches: HKLM\SOFTWARE goes through
    // Wow6432Node on 64-bit Windows unless the 64-bit view is asked for.
    std::vector<std::string> View(Hive hive, std::vector<std::string> parts, DWord sam) {
        if (!pc.facts.is64Bit || pc.facts.win9x || hive != kHklm || (sam & plat::kKeyWow64_64Key))
            return parts;
        if (parts.empty() || !SameName(parts[0], "SOFTWARE")) return parts;
        if (parts.size() >= 2 && SameName(parts[1], "Wow6432Node")) return parts;
        for (const auto& shared : kSharedSoftwareKeys) {
            if (parts.size() - 1 < shared.size()) continue;
            if (std::equal(shared.begin(), shared.end(), parts.begin() + 1, SameName)) return parts;
        }
        // 64-bit Windows always has the node, so a 32-bit program always finds SOFTWARE.
        Key* software = roots[kHklm]->Find(parts[0]);
        if (!software) software = roots[kHklm]->Add("SOFTWARE");
        if (!software->Find("Wow6432Node")) software->Add("Wow6432Node");
        parts.insert(parts.begin() + 1, "Wow6432Node");
        return parts;
    }

    // The existing key that `subKey` names below the key behind `handle`, in
    // the view `samDesired` selects, or the error to return.
    Long FindExisting(HKey handle, const std::string& subKey, DWord samDesired, Key** target) {
        std::shared_ptr<Key> base;
        DWord baseRights = 0;
        if (Long error = Lookup(handle, &base, &baseRights)) return error;
        if (!subKey.empty() && subKey[0] == '\\') return SimRegistry::kErrorBadPathname;
        *target = base.get();
        auto parts = SplitKeyPath(subKey);
        if (parts.empty()) return kSuccess;
        auto full = ComponentsOf(*base);
        full.insert(full.end(), parts.begin(), parts.end());
        *target = Walk(roots[base->hive].get(), View(base->hive, full, samDesired));
        return *target ? kSuccess : kFileNotFound;
    }

    // The key and granted rights behind a handle, or the error to return.
    Long Lookup(HKey handle, std::shared_ptr<Key>* key, DWord* granted) {
        std::shared_ptr<Key> found;
        switch (handle) {
            case plat::kHkeyLocalMachine:
                found = roots[kHklm];
                break;
            case plat::kHkeyCurrentUser:
                found = roots[kHkcu];
                break;
            case plat::kHkeyUsers:
                found = roots[kHku];
                break;
            case plat::kHkeyClassesRoot: {
                Key* classes = Classes();
                found = classes->parent->Shared(classes);
                break;
            }
            default: {
                auto it = handles.find(handle);
                if (it == handles.end()) return kInvalidHandle;
                if (it->second.key->deleted) return kKeyDeleted;
                *key = it->second.key;
                *granted = it->second.granted;
                return kSuccess;
            }
        }
        *key = found;
        *granted =
            plat::kKeyAllAccess & ~Forbidden(*found);  // predefined keys are opened with MAXIMUM_ALLOWED
        return kSuccess;
    }

    // Checks the rights asked for; on success `granted` holds the handle's rights.
    Long Access(const Key& key, DWord sam, DWord* granted) const {
        DWord wanted = MapGenericRights(sam);
        DWord forbidden = Forbidden(key);
        if (wanted & forbidden) return kAccessDenied;
        *granted = wanted;
        if (sam & kMaximumAllowed) *granted |= plat::kKeyAllAccess & ~forbidden;
        return kSuccess;
    }

    HKey NewHandle(Key* key, DWord granted) {
        HKey handle = pc.NewHandle();
        std::shared_ptr<Key> shared = key->parent ? key->parent->Shared(key) : roots[key->hive];
        handles[handle] = {shared, granted};
        return handle;
    }

    // Test helpers' paths: a root name and the parts below it.
    std::pair<Key*, std::vector<std::string>> Parse(const std::string& path) {
        auto parts = SplitKeyPath(path);
        if (parts.empty()) throw std::invalid_argument("registry path without a root: " + path);
        std::string root = parts[0];
        parts.erase(parts.begin());
        for (int h = 0; h < kHiveCount; ++h)
            if (SameName(root, kShortRoot[h]) || SameName(root, kLongRoot[h])) return {roots[h].get(), parts};
        if (SameName(root, "HKCR") || SameName(root, "HKEY_CLASSES_ROOT")) {
            parts.insert(parts.begin(), {"SOFTWARE", "Classes"});
            return {roots[kHklm].get(), parts};
        }
        throw std::invalid_argument("registry path without a known root: " + path);
    }

    Key* Find(const std::string& path) {
        auto [root, parts] = Parse(path);
        return Walk(root, parts);
    }

    Key* Create(const std::string& path) {
        auto [key, parts] = Parse(path);
        for (const auto& part : parts) {
            Key* next = key->Find(part);
            key = next ? next : key->Add(part);
        }
        return key;
    }

    void Delete(Key* key) {
        if (!key->parent) throw std::invalid_argument("a hive root cannot be deleted");
        Key* parent = key->parent;
        MarkDeleted(*key);
        parent->subkeys.erase(parent->Position(key->name));
        ++deletions;
    }

    void LoadText(const std::string& file, const std::string& text);
};

SimRegistry::SimRegistry(SimPc& pc) : pc_(pc), impl_(std::make_unique<Impl>(pc)) {}

SimRegistry::~SimRegistry() = default;

namespace {

// Injected failures return the error as the result; Reg* calls leave the
// thread's last error alone.
std::optional<Long> Injected(SimPc& pc, const char* call, const std::string& argument) {
    DWord before = pc.GetLastError();
    if (!pc.TakeFailure(call, argument)) return std::nullopt;
    auto error = static_cast<Long>(pc.GetLastError());
    pc.SetLastError(before);
    return error;
}

}  // namespace

Long SimRegistry::RegOpenKeyExA(HKey key, const std::string& subKey, DWord /*options*/, DWord samDesired,
                                HKey* result) {
    if (auto error = Injected(pc_, "RegOpenKeyExA", subKey)) return *error;
    if (!result) return kInvalidParameter;
    *result = 0;
    Key* target = nullptr;
    if (Long error = impl_->FindExisting(key, subKey, samDesired, &target)) return error;
    DWord granted = 0;
    if (Long error = impl_->Access(*target, samDesired, &granted)) return error;
    *result = impl_->NewHandle(target, granted);
    return kSuccess;
}

Long SimRegistry::RegCreateKeyExA(HKey key, const std::string& subKey, DWord /*options*/, DWord samDesired,
                                  HKey* result, DWord* disposition) {
    if (auto error = Injected(pc_, "RegCreateKeyExA", subKey)) return *error;
    if (!result) return kInvalidParameter;
    *result = 0;
    std::shared_ptr<Key> base;
    DWord baseRights = 0;
    if (Long error = impl_->Lookup(key, &base, &baseRights)) return error;
    if (!subKey.empty() && subKey[0] == '\\') return kErrorBadPathname;
    Key* target = base.get();
    bool created = false;
    auto parts = SplitKeyPath(subKey);
    if (!parts.empty()) {
        auto full = ComponentsOf(*base);
        full.insert(full.end(), parts.begin(), parts.end());
        target = impl_->roots[base->hive].get();
        // Each missing key is created in turn, as Windows does; a refusal part
        // way leaves the keys created so far.
        for (const auto& part : impl_->View(base->hive, full, samDesired)) {
            Key* next = target->Find(part);
            if (!next) {
                if (impl_->Forbidden(*target) & plat::kKeyCreateSubKey) return kAccessDenied;
                next = target->Add(part);
                created = true;
            } else {
                created = false;
            }
            target = next;
        }
    }
    DWord granted = 0;
    if (Long error = impl_->Access(*target, samDesired, &granted)) return error;
    *result = impl_->NewHandle(target, granted);
    if (disposition) *disposition = created ? plat::kRegCreatedNewKey : plat::kRegOpenedExistingKey;
    return kSuccess;
}

Long SimRegistry::RegCloseKey(HKey key) {
    if (auto error = Injected(pc_, "RegCloseKey", KeyPath(key))) return *error;
    if (key >= plat::kHkeyClassesRoot && key <= plat::kHkeyUsers) return kSuccess;
    return impl_->handles.erase(key) ? kSuccess : kInvalidHandle;
}

Long SimRegistry::RegQueryValueExA(HKey key, const std::string& valueName, DWord* type,
                                   std::vector<std::uint8_t>* data) {
    if (auto error = Injected(pc_, "RegQueryValueExA", valueName)) return *error;
    std::shared_ptr<Key> target;
    DWord granted = 0;
    if (Long error = impl_->Lookup(key, &target, &granted)) return error;
    if (!(granted & plat::kKeyQueryValue)) return kAccessDenied;
    const RegValue* value = target->FindValue(valueName);
    if (!value) return kFileNotFound;
    if (type) *type = value->type;
    if (data) *data = value->data;
    return kSuccess;
}

Long SimRegistry::RegSetValueExA(HKey key, const std::string& valueName, DWord type,
                                 const std::vector<std::uint8_t>& data) {
    if (auto error = Injected(pc_, "RegSetValueExA", valueName)) return *error;
    std::shared_ptr<Key> target;
    DWord granted = 0;
    if (Long error = impl_->Lookup(key, &target, &granted)) return error;
    if (!(granted & plat::kKeySetValue)) return kAccessDenied;
    target->Set(valueName, RegValue{type, data});
    return kSuccess;
}

Long SimRegistry::RegDeleteValueA(HKey key, const std::string& valueName) {
    if (auto error = Injected(pc_, "RegDeleteValueA", valueName)) return *error;
    std::shared_ptr<Key> target;
    DWord granted = 0;
    if (Long error = impl_->Lookup(key, &target, &granted)) return error;
    if (!(granted & plat::kKeySetValue)) return kAccessDenied;
    auto& values = target->values;
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const auto& v) { return SameName(v.first, valueName); });
    if (it == values.end()) return kFileNotFound;
    values.erase(it);
    return kSuccess;
}

Long SimRegistry::RegDeleteKeyA(HKey key, const std::string& subKey) {
    if (auto error = Injected(pc_, "RegDeleteKeyA", subKey)) return *error;
    Key* target = nullptr;
    if (Long error = impl_->FindExisting(key, subKey, 0, &target)) return error;
    // The key is opened for DELETE against its own security; NT then refuses
    // to delete a key that still has sub-keys.
    if (!target->parent || target->refusesDeletion || (impl_->Forbidden(*target) & plat::kDelete))
        return kAccessDenied;
    if (!target->subkeys.empty()) return kAccessDenied;
    impl_->Delete(target);
    return kSuccess;
}

Long SimRegistry::RegEnumKeyExA(HKey key, DWord index, std::string* name) {
    if (auto error = Injected(pc_, "RegEnumKeyExA", KeyPath(key))) return *error;
    std::shared_ptr<Key> target;
    DWord granted = 0;
    if (Long error = impl_->Lookup(key, &target, &granted)) return error;
    if (!(granted & plat::kKeyEnumerateSubKeys)) return kAccessDenied;
    if (index >= target->subkeys.size()) return kNoMoreItems;
    if (name) *name = target->subkeys[index]->name;
    return kSuccess;
}

Long SimRegistry::RegEnumValueA(HKey key, DWord index, std::string* name, DWord* type) {
    if (auto error = Injected(pc_, "RegEnumValueA", KeyPath(key))) return *error;
    std::shared_ptr<Key> target;
    DWord granted = 0;
    if (Long error = impl_->Lookup(key, &target, &granted)) return error;
    if (!(granted & plat::kKeyQueryValue)) return kAccessDenied;
    if (index >= target->values.size()) return kNoMoreItems;
    if (name) *name = target->values[index].first;
    if (type) *type = target->values[index].second.type;
    return kSuccess;
}

// --- test set-up and inspection -------------------------------------------

void SimRegistry::CreateKey(const std::string& path) {
    impl_->Create(path);
}

bool SimRegistry::KeyExists(const std::string& path) const {
    return impl_->Find(path) != nullptr;
}

void SimRegistry::DeleteTree(const std::string& path) {
    if (Key* key = impl_->Find(path)) impl_->Delete(key);
}

void SimRegistry::SetValue(const std::string& path, const std::string& name, DWord type,
                           const std::vector<std::uint8_t>& data) {
    impl_->Create(path)->Set(name, RegValue{type, data});
}

void SimRegistry::SetString(const std::string& path, const std::string& name, const std::string& text,
                            DWord type) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(path, name, type, data);
}

void SimRegistry::SetMultiString(const std::string& path, const std::string& name,
                                 const std::vector<std::string>& texts) {
    std::vector<std::uint8_t> data;
    for (const auto& text : texts) {
        data.insert(data.end(), text.begin(), text.end());
        data.push_back(0);
    }
    data.push_back(0);
    SetValue(path, name, plat::kRegMultiSz, data);
}

void SimRegistry::SetDword(const std::string& path, const std::string& name, DWord value) {
    SetValue(path, name, plat::kRegDword,
             {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
              static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void SimRegistry::SetBinary(const std::string& path, const std::string& name,
                            const std::vector<std::uint8_t>& bytes) {
    SetValue(path, name, plat::kRegBinary, bytes);
}

void SimRegistry::DeleteValue(const std::string& path, const std::string& name) {
    if (Key* key = impl_->Find(path)) {
        auto& values = key->values;
        values.erase(std::remove_if(values.begin(), values.end(),
                                    [&](const auto& v) { return SameName(v.first, name); }),
                     values.end());
    }
}

std::optional<RegValue> SimRegistry::Value(const std::string& path, const std::string& name) const {
    Key* key = impl_->Find(path);
    if (!key) return std::nullopt;
    const RegValue* value = key->FindValue(name);
    if (!value) return std::nullopt;
    return *value;
}

std::optional<std::string> SimRegistry::String(const std::string& path, const std::string& name) const {
    auto value = Value(path, name);
    if (!value || (value->type != plat::kRegSz && value->type != plat::kRegExpandSz)) return std::nullopt;
    std::string text(value->data.begin(), value->data.end());
    auto nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

std::optional<std::vector<std::string>> SimRegistry::MultiString(const std::string& path,
                                                                 const std::string& name) const {
    auto value = Value(path, name);
    if (!value || value->type != plat::kRegMultiSz) return std::nullopt;
    std::vector<std::string> texts;
    std::string current;
    for (std::uint8_t b : value->data) {
        if (b != 0) {
            current += static_cast<char>(b);
        } else if (current.empty()) {
            break;  // the empty string that ends the list
        } else {
            texts.push_back(current);
            current.clear();
        }
    }
    if (!current.empty()) texts.push_back(current);
    return texts;
}

std::optional<DWord> SimRegistry::Dword(const std::string& path, const std::string& name) const {
    auto value = Value(path, name);
    if (!value || value->type != plat::kRegDword || value->data.size() != 4) return std::nullopt;
    const auto& d = value->data;
    return static_cast<DWord>(d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<DWord>(d[3]) << 24));
}

std::vector<std::string> SimRegistry::SubkeyNames(const std::string& path) const {
    std::vector<std::string> names;
    if (Key* key = impl_->Find(path))
        for (const auto& sub : key->subkeys) names.push_back(sub->name);
    return names;
}

std::vector<std::string> SimRegistry::ValueNames(const std::string& path) const {
    std::vector<std::string> names;
    if (Key* key = impl_->Find(path))
        for (const auto& value : key->values) names.push_back(value.first);
    return names;
}

void SimRegistry::DenyAccess(const std::string& path, DWord rights) {
    impl_->Create(path)->denied = rights;
}

void SimRegistry::RefuseDeletion(const std::string& path, bool refuse) {
    impl_->Create(path)->refusesDeletion = refuse;
}

std::size_t SimRegistry::OpenHandleCount() const {
    return impl_->handles.size();
}

std::string SimRegistry::KeyPath(HKey key) const {
    auto it = impl_->handles.find(key);
    return it == impl_->handles.end() ? std::string() : PathOf(*it->second.key);
}

// --- keys held by other parts of the machine -------------------------------

namespace {

Key* KeyOf(const std::shared_ptr<void>& key) {
    return static_cast<Key*>(key.get());
}

}  // namespace

SimRegistry::KeyRef SimRegistry::Pin(const std::string& path) {
    Key* key = impl_->Create(path);
    KeyRef ref;
    ref.key_ = key->parent ? std::shared_ptr<void>(key->parent->Shared(key))
                           : std::shared_ptr<void>(impl_->roots[key->hive]);
    return ref;
}

SimRegistry::KeyRef SimRegistry::PinExisting(const std::string& path) const {
    KeyRef ref;
    Key* key = impl_->Find(path);
    if (key)
        ref.key_ = key->parent ? std::shared_ptr<void>(key->parent->Shared(key))
                               : std::shared_ptr<void>(impl_->roots[key->hive]);
    return ref;
}

std::uint64_t SimRegistry::Deletions() const {
    return impl_->deletions;
}

bool SimRegistry::Alive(const KeyRef& key) const {
    return key.key_ && !KeyOf(key.key_)->deleted;
}

std::optional<RegValue> SimRegistry::Value(const KeyRef& key, const std::string& name) const {
    if (!Alive(key)) return std::nullopt;
    const RegValue* value = KeyOf(key.key_)->FindValue(name);
    if (!value) return std::nullopt;
    return *value;
}

void SimRegistry::SetValue(const KeyRef& key, const std::string& name, DWord type,
                           const std::vector<std::uint8_t>& data) {
    if (Alive(key)) KeyOf(key.key_)->Set(name, RegValue{type, data});
}

void SimRegistry::DeleteValue(const KeyRef& key, const std::string& name) {
    if (!Alive(key)) return;
    auto& values = KeyOf(key.key_)->values;
    values.erase(
        std::remove_if(values.begin(), values.end(), [&](const auto& v) { return SameName(v.first, name); }),
        values.end());
}

void SimRegistry::DeleteTree(const KeyRef& key) {
    if (Alive(key) && KeyOf(key.key_)->parent) impl_->Delete(KeyOf(key.key_));
}

// --- .reg export and import ------------------------------------------------

void SimRegistry::Save(const std::string& regFile) const {
    std::string out = "Windows Registry Editor Version 5.00\r\n";
    for (int h = 0; h < kHiveCount; ++h) WriteKey(out, *impl_->roots[h], kLongRoot[h], true);
    out += "\r\n";
    std::ofstream file(regFile, std::ios::binary | std::ios::trunc);
    if (!file) throw std::runtime_error("cannot write " + regFile);
    file << out;
    if (!file) throw std::runtime_error("cannot write " + regFile);
}

void SimRegistry::Load(const std::string& regFile) {
    std::ifstream file(regFile, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + regFile);
    std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    impl_->LoadText(regFile, DecodeRegText(raw));
}

void SimRegistry::Impl::LoadText(const std::string& file, const std::string& text) {
    std::vector<std::string> lines;
    {
        std::string line;
        std::istringstream in(text);
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
    }
    auto trim = [](std::string s) {
        auto begin = s.find_first_not_of(" \t");
        if (begin == std::string::npos) return std::string();
        return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
    };
    std::size_t n = 0;
    while (n < lines.size() && trim(lines[n]).empty()) ++n;
    if (n == lines.size()) BadRegFile(file, 1, "empty file");
    bool unicode = trim(lines[n]) == "Windows Registry Editor Version 5.00";
    if (!unicode && trim(lines[n]) != "REGEDIT4") BadRegFile(file, n + 1, "not a registry export");

    Reset();
    Key* current = nullptr;
    for (++n; n < lines.size(); ++n) {
        std::size_t lineNo = n + 1;
        std::string line = trim(lines[n]);
        if (line.empty()) continue;
        if (line[0] == ';') {
            if (!current) continue;
            if (line.rfind("; sim: deny-access=", 0) == 0)
                current->denied = static_cast<DWord>(std::stoul(line.substr(19), nullptr, 16));
            else if (line == "; sim: refuses-deletion")
                current->refusesDeletion = true;
            continue;
        }
        if (line[0] == '[') {
            auto close = line.rfind(']');
            if (close == std::string::npos) BadRegFile(file, lineNo, "section without ']'");
            std::string path = line.substr(1, close - 1);
            if (!path.empty() && path[0] == '-') {
                Key* doomed = Find(path.substr(1));
                if (doomed && doomed->parent) Delete(doomed);
                current = nullptr;
            } else {
                try {
                    current = Create(path);
                } catch (const std::invalid_argument& e) {
                    BadRegFile(file, lineNo, e.what());
                }
            }
            continue;
        }
        if (!current) BadRegFile(file, lineNo, "value outside a key");

        // The name: @ or a quoted string with \\ and \" escapes.
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            for (pos = 1; pos < line.size() && line[pos] != '"'; ++pos) {
                if (line[pos] == '\\' && pos + 1 < line.size()) ++pos;
                name += line[pos];
            }
            if (pos == line.size()) BadRegFile(file, lineNo, "unterminated value name");
            ++pos;
        } else {
            BadRegFile(file, lineNo, "unexpected line");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos == line.size() || line[pos] != '=') BadRegFile(file, lineNo, "'=' expected");
        std::string data = trim(line.substr(pos + 1));

        if (data == "-") {
            auto& values = current->values;
            values.erase(std::remove_if(values.begin(), values.end(),
                                        [&](const auto& v) { return SameName(v.first, name); }),
                         values.end());
        } else if (!data.empty() && data[0] == '"') {
            std::string textValue;
            std::size_t i = 1;
            for (; i < data.size() && data[i] != '"'; ++i) {
                if (data[i] == '\\' && i + 1 < data.size()) ++i;
                textValue += data[i];
            }
            if (i == data.size()) BadRegFile(file, lineNo, "unterminated string");
            std::vector<std::uint8_t> bytes(textValue.begin(), textValue.end());
            bytes.push_back(0);
            current->Set(name, RegValue{plat::kRegSz, bytes});
        } else if (data.rfind("dword:", 0) == 0) {
            std::string digits = data.substr(6);
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                BadRegFile(file, lineNo, "bad dword");
            auto v = static_cast<DWord>(std::stoul(digits, nullptr, 16));
            current->Set(name,
                         RegValue{plat::kRegDword,
                                  {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}});
        } else if (data.rfind("hex", 0) == 0) {
            DWord type = plat::kRegBinary;
            std::size_t colon = data.find(':');
            if (colon == std::string::npos) BadRegFile(file, lineNo, "':' expected");
            if (data[3] == '(') {
                auto closeParen = data.find(')');
                if (closeParen == std::string::npos || closeParen + 1 != colon)
                    BadRegFile(file, lineNo, "bad hex type");
                type = static_cast<DWord>(std::stoul(data.substr(4, closeParen - 4), nullptr, 16));
            } else if (colon != 3) {
                BadRegFile(file, lineNo, "bad hex type");
            }
            std::string list = data.substr(colon + 1);
            while (!list.empty() && list.back() == '\\' && n + 1 < lines.size()) {
                list.pop_back();
                list += trim(lines[++n]);
            }
            std::vector<std::uint8_t> bytes;
            std::string item;
            std::istringstream items(list);
            while (std::getline(items, item, ',')) {
                item = trim(item);
                if (item.empty()) continue;
                if (item.size() > 2 || item.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                    BadRegFile(file, lineNo, "bad hex byte '" + item + "'");
                bytes.push_back(static_cast<std::uint8_t>(std::stoul(item, nullptr, 16)));
            }
            bool isText = type == plat::kRegSz || type == plat::kRegExpandSz || type == plat::kRegMultiSz;
            current->Set(name, RegValue{type, unicode && isText ? Narrow(bytes) : bytes});
        } else {
            BadRegFile(file, lineNo, "unknown value data");
        }
    }
}

}  // namespace sim
