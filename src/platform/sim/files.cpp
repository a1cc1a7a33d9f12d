#include "platform/sim/files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>

#include "platform/sim/machine.h"

namespace sim {

using plat::Bool;
using plat::DWord;
using plat::Handle;

namespace {

constexpr DWord kFileAttributeTemporary = 0x100;
constexpr DWord kFileAttributeOffline = 0x1000;
constexpr DWord kFileAttributeNotContentIndexed = 0x2000;
// What SetFileAttributes can change.
constexpr DWord kSettableAttributes = plat::kFileAttributeReadOnly | plat::kFileAttributeHidden |
                                      plat::kFileAttributeSystem | plat::kFileAttributeArchive |
                                      kFileAttributeTemporary | kFileAttributeOffline |
                                      kFileAttributeNotContentIndexed;

enum Lock { kNotLocked, kLockedReadable, kLockedExclusive };

const char* const kPendingKey = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char* const kPendingValue = "PendingFileRenameOperations";

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperCase(std::string s) {
    for (char& c : s) c = Upper(c);
    return s;
}

bool SameText(const std::string& a, const std::string& b) {
    return UpperCase(a) == UpperCase(b);
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool NameLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Upper(x)) < static_cast<unsigned char>(Upper(y));
    });
}

bool IsRoot(const std::string& full) {
    return full.size() == 3;
}

std::string ParentOf(const std::string& full) {
    if (IsRoot(full)) return "";
    auto slash = full.rfind('\\');
    return slash == 2 ? full.substr(0, 3) : full.substr(0, slash);
}

std::string NameOf(const std::string& full) {
    return IsRoot(full) ? "" : full.substr(full.rfind('\\') + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    return IsRoot(folder) ? folder + name : folder + "\\" + name;
}

// Full path as GetFullPathName makes it: "X:\a\b", "X:\" for a root.
bool MakeFullPath(std::string path, const std::string& current, bool wildcardsAllowed, std::string* full,
                  DWord* error) {
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.empty()) {
        *error = plat::kErrorPathNotFound;
        return false;
    }
    if (path.rfind("\\\\?\\", 0) == 0 && path.size() >= 6 && IsLetter(path[4]) && path[5] == ':') {
        path = path.substr(4);  // the long-path prefix: the rest is taken as it stands
    } else if (path.rfind("\\\\", 0) == 0) {
        *error = SimFiles::kErrorBadNetpath;
        return false;
    }
    for (std::size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        bool wildcard = c == '*' || c == '?';
        if (static_cast<unsigned char>(c) < 32 || c == '<' || c == '>' || c == '|' || c == '"' ||
            (wildcard && !wildcardsAllowed) || (c == ':' && !(i == 1 && IsLetter(path[0])))) {
            *error = SimFiles::kErrorInvalidName;
            return false;
        }
    }
    std::string base;
    std::string rest;
    if (path.size() >= 2 && path[1] == ':') {
        std::string drive = path.substr(0, 2);
        rest = path.substr(2);
        if (!rest.empty() && rest[0] == '\\')
            base = drive;
        else
            base = Upper(current[0]) == Upper(drive[0]) ? current : drive + "\\";
    } else if (path[0] == '\\') {
        base = current.substr(0, 2);
        rest = path;
    } else {
        base = current;
        rest = path;
    }
    std::string combined = base + "\\" + rest;
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(combined.substr(3));
    while (std::getline(in, part, '\\')) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        // Win32 drops trailing dots and spaces of each name.
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        if (!part.empty()) parts.push_back(part);
    }
    *full = combined.substr(0, 2) + "\\";
    for (std::size_t i = 0; i < parts.size(); ++i) *full += (i ? "\\" : "") + parts[i];
    return true;
}

// The DOS wildcard rules of FindFirstFile: '?' is a character or nothing
// before a dot or the end; "*." before a name's last dot stops there; a dot
// before a wildcard or at the end also matches the end of the name.
const char kDosStar = '<';
const char kDosQm = '>';
const char kDosDot = '"';

std::string TranslatePattern(const std::string& pattern) {
    if (pattern == "*.*") return "*";
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (c == '?')
            out += kDosQm;
        else if (c == '.' && (next == '?' || next == '*' || next == '\0'))
            out += kDosDot;
        else if (c == '*' && next == '.')
            out += kDosStar;
        else
            out += c;
    }
    return out;
}

bool MatchAt(const std::string& pat, std::size_t p, const std::string& name, std::size_t n,
             std::size_t lastDot) {
    if (p == pat.size()) return n == name.size();
    switch (pat[p]) {
        case '*':
            for (std::size_t k = n; k <= name.size(); ++k)
                if (MatchAt(pat, p + 1, name, k, lastDot)) return true;
            return false;
        case kDosStar:
            for (std::size_t k = n;; ++k) {
                if (MatchAt(pat, p + 1, name, k, lastDot)) return true;
                if (k == name.size() || (lastDot != std::string::npos && k >= lastDot)) return false;
            }
        case kDosQm:
            if (n == name.size() || name[n] == '.') return MatchAt(pat, p + 1, name, n, lastDot);
            return MatchAt(pat, p + 1, name, n + 1, lastDot);
        case kDosDot:
            if (n == name.size()) return MatchAt(pat, p + 1, name, n, lastDot);
            return name[n] == '.' && MatchAt(pat, p + 1, name, n + 1, lastDot);
        default:
            return n < name.size() && Upper(name[n]) == Upper(pat[p]) &&
                   MatchAt(pat, p + 1, name, n + 1, lastDot);
    }
}

bool WildcardMatch(const std::string& translated, const std::string& name) {
    return MatchAt(translated, 0, name, 0, name.rfind('.'));
}

}  // namespace

struct SimFiles::Impl {
    SimPc& pc;

    struct Entry {
        std::string path;  // full path as spelled when created
        bool folder = false;
        DWord attributes = 0;  // never NORMAL or DIRECTORY
        std::string contents;
        Lock lock = kNotLocked;
        std::string target;  // a junction: the full path it leads to
    };
    std::map<std::string, Entry> entries;  // by upper-cased full path
    std::string current = "C:\\";
    bool redirection = true;
    std::vector<PendingOperation> pending;

    struct Search {
        std::string pattern;  // as the program passed it
        std::vector<plat::FindData> results;
        std::size_t next = 0;
    };
    std::map<Handle, Search> searches;

    struct OpenFile {
        std::string path;  // native
        bool write = false;
    };
    std::map<Handle, OpenFile> openFiles;

    std::string PatternOf(Handle find) const {
        auto it = searches.find(find);
        return it == searches.end() ? std::string() : it->second.pattern;
    }

    explicit Impl(SimPc& machine) : pc(machine) { Reset(); }

    void Reset() {
        entries.clear();
        pending.clear();
        searches.clear();
        openFiles.clear();
        current = "C:\\";
        redirection = true;
        entries["C:\\"] = Entry{"C:\\", true, 0, "", kNotLocked, ""};
    }

    Entry* Get(const std::string& full) {
        auto it = entries.find(UpperCase(full));
        return it == entries.end() ? nullptr : &it->second;
    }
    const Entry* Get(const std::string& full) const {
        auto it = entries.find(UpperCase(full));
        return it == entries.end() ? nullptr : &it->second;
    }

    bool IsFolder(const std::string& full) const {
        const Entry* e = Get(full);
        return e && e->folder;
    }

    // Windows tells a missing file in an existing folder from a missing folder.
    DWord MissingError(const std::string& full) const {
        return !IsRoot(full) && IsFolder(ParentOf(full)) ? plat::kErrorFileNotFound
                                                         : plat::kErrorPathNotFound;
    }

    static DWord Reported(const Entry& e) {
        if (e.folder && !e.target.empty())
            return e.attributes | plat::kFileAttributeDirectory | plat::kFileAttributeReparsePoint;
        if (e.folder) return e.attributes | plat::kFileAttributeDirectory;
        return e.attributes ? e.attributes : plat::kFileAttributeNormal;
    }

    bool WindowsAtLeast(DWord major, DWord minor) const {
        return pc.facts.major > major || (pc.facts.major == major && pc.facts.minor >= minor);
    }

    std::string Redirect(const std::string& full) const {
        if (!pc.facts.is64Bit || pc.facts.win9x || !redirection) return full;
        std::string windows = pc.facts.windowsDir;
        while (!windows.empty() && windows.back() == '\\') windows.pop_back();
        auto under = [&](const std::string& folder, std::string* rest) {
            if (full.size() < folder.size() || !SameText(full.substr(0, folder.size()), folder)) return false;
            if (full.size() > folder.size() && full[folder.size()] != '\\') return false;
            *rest = full.substr(folder.size());
            return true;
        };
        std::string rest;
        if (under(windows + "\\System32", &rest)) {
            std::string below = UpperCase(rest) + "\\";
            for (const char* exempt :
                 {"\\CATROOT\\", "\\CATROOT2\\", "\\DRIVERS\\ETC\\", "\\LOGFILES\\", "\\SPOOL\\"})
                if (below.rfind(exempt, 0) == 0) return full;
            if (WindowsAtLeast(6, 1) && below.rfind("\\DRIVERSTORE\\", 0) == 0) return full;
            return windows + "\\SysWOW64" + rest;
        }
        if (under(windows + "\\lastgood\\System32", &rest)) return windows + "\\lastgood\\SysWOW64" + rest;
        if (WindowsAtLeast(6, 0) && under(windows + "\\Sysnative", &rest))
            return windows + "\\System32" + rest;
        if (SameText(full, windows + "\\regedit.exe")) return windows + "\\SysWOW64\\regedit.exe";
        return full;
    }

    // The path after the junctions on its way are followed; the last name
    // too when `followLast`. False (with `error`) when they lead in circles.
    bool FollowJunctions(std::string full, bool followLast, std::string* out, DWord* error) const {
        constexpr DWord kErrorCantResolveFilename = 1921;
        for (int hops = 0; hops < 32; ++hops) {
            bool followed = false;
            for (std::size_t pos = 3; pos <= full.size() && !followed; ++pos) {
                if (pos < full.size() && full[pos] != '\\') continue;
                if (pos == full.size() && !followLast) break;
                const Entry* e = Get(full.substr(0, pos));
                if (!e) break;  // nothing further down exists
                if (!e->folder || e->target.empty()) continue;
                full = e->target + full.substr(pos);
                followed = true;
            }
            if (!followed) {
                *out = full;
                return true;
            }
        }
        *error = kErrorCantResolveFilename;
        return false;
    }

    // The native path a call touches; on failure the last error is set. A
    // call that acts on a link itself (attributes, deletion, removal) does
    // not follow a junction in the last place.
    bool Native(const std::string& path, std::string* native, bool followLast = true) {
        std::string full;
        DWord error = 0;
        if (!MakeFullPath(path, current, false, &full, &error) ||
            !FollowJunctions(Redirect(full), followLast, native, &error)) {
            pc.SetLastError(error);
            return false;
        }
        return true;
    }

    Entry& Insert(const std::string& full, bool folder) {
        const Entry* parent = Get(ParentOf(full));
        std::string spelled = parent ? Join(parent->path, NameOf(full)) : full;
        Entry& e = entries[UpperCase(full)];
        e = Entry{spelled, folder, folder ? 0 : plat::kFileAttributeArchive, "", kNotLocked, ""};
        return e;
    }

    // Creates the folder and its missing parents (test set-up).
    void MakeFolders(const std::string& full) {
        if (IsFolder(full)) return;
        if (Get(full)) throw std::invalid_argument("a file is in the way: " + full);
        if (!IsRoot(full)) MakeFolders(ParentOf(full));
        Insert(full, true);
    }

    // Queries answer "missing" for a path that is not valid. Junctions on
    // the way are followed, not one in the last place.
    const Entry* Query(const std::string& path) const {
        std::string full;
        std::string followed;
        DWord error = 0;
        return MakeFullPath(path, current, false, &full, &error) &&
                       FollowJunctions(full, false, &followed, &error)
                   ? Get(followed)
                   : nullptr;
    }

    std::string FullForHelper(const std::string& path) const {
        std::string full;
        DWord error = 0;
        if (!MakeFullPath(path, current, false, &full, &error))
            throw std::invalid_argument("bad path: " + path);
        return full;
    }

    // The entries directly in a folder, in search order.
    std::vector<const Entry*> Children(const std::string& folder) const {
        std::string prefix = UpperCase(IsRoot(folder) ? folder : folder + "\\");
        std::vector<const Entry*> children;
        for (auto it = entries.lower_bound(prefix); it != entries.end() && it->first.rfind(prefix, 0) == 0;
             ++it)
            if (it->first.size() > prefix.size() && it->first.find('\\', prefix.size()) == std::string::npos)
                children.push_back(&it->second);
        std::sort(children.begin(), children.end(),
                  [](const Entry* a, const Entry* b) { return NameLess(NameOf(a->path), NameOf(b->path)); });
        return children;
    }

    void EraseTree(const std::string& full) {
        std::string key = UpperCase(full);
        std::string prefix = IsRoot(full) ? key : key + "\\";
        for (auto it = entries.lower_bound(prefix); it != entries.end() && it->first.rfind(prefix, 0) == 0;)
            it = entries.erase(it);
        entries.erase(key);
    }

    void Walk(const std::string& folder, std::vector<const Entry*>& out) const {
        for (const Entry* e : Children(folder)) {
            out.push_back(e);
            if (e->folder) Walk(e->path, out);
        }
    }

    std::vector<const Entry*> All() const {
        std::vector<const Entry*> out;
        for (const auto& [key, e] : entries) {
            if (!IsRoot(key)) continue;
            out.push_back(&e);
            Walk(e.path, out);
        }
        return out;
    }

    // Overwriting as CreateFile(CREATE_ALWAYS) does: the last error on refusal.
    bool MayOverwrite(const Entry& target, DWord newAttributes) {
        DWord error = 0;
        if (target.folder || (target.attributes & plat::kFileAttributeReadOnly))
            error = plat::kErrorAccessDenied;
        else if ((target.attributes & plat::kFileAttributeHidden) &&
                 !(newAttributes & plat::kFileAttributeHidden))
            error = plat::kErrorAccessDenied;
        else if ((target.attributes & plat::kFileAttributeSystem) &&
                 !(newAttributes & plat::kFileAttributeSystem))
            error = plat::kErrorAccessDenied;
        else if (target.lock != kNotLocked)
            error = plat::kErrorSharingViolation;
        if (error) pc.SetLastError(error);
        return error == 0;
    }

    void RecordPending(const std::string& from, const std::string& to, bool replace) {
        pending.push_back({from, to});
        // Windows keeps the list in the registry, as NT path pairs.
        std::vector<std::uint8_t> data;
        if (auto existing = pc.registry.Value(kPendingKey, kPendingValue)) {
            data = existing->data;
            if (!data.empty() && data.back() == 0) data.pop_back();  // the list's closing NUL
        }
        std::string pair =
            "\\??\\" + from + '\0' + (to.empty() ? "" : (replace ? "!\\??\\" : "\\??\\") + to) + '\0';
        data.insert(data.end(), pair.begin(), pair.end());
        data.push_back(0);
        pc.registry.SetValue(kPendingKey, kPendingValue, plat::kRegMultiSz, data);
    }
};

SimFiles::SimFiles(SimPc& pc) : pc_(pc), impl_(std::make_unique<Impl>(pc)) {}

SimFiles::~SimFiles() = default;

DWord SimFiles::GetFileAttributesA(const std::string& path) {
    if (pc_.TakeFailure("GetFileAttributesA", path)) return plat::kInvalidFileAttributes;
    std::string native;
    if (!impl_->Native(path, &native, false)) return plat::kInvalidFileAttributes;
    const Impl::Entry* e = impl_->Get(native);
    if (!e) {
        pc_.SetLastError(impl_->MissingError(native));
        return plat::kInvalidFileAttributes;
    }
    return Impl::Reported(*e);
}

Bool SimFiles::SetFileAttributesA(const std::string& path, DWord attributes) {
    if (pc_.TakeFailure("SetFileAttributesA", path)) return 0;
    std::string native;
    if (!impl_->Native(path, &native, false)) return 0;
    Impl::Entry* e = impl_->Get(native);
    if (!e) {
        pc_.SetLastError(impl_->MissingError(native));
        return 0;
    }
    // FILE_ATTRIBUTE_NORMAL, alone or not, sets nothing; the rest replaces all.
    e->attributes = attributes & kSettableAttributes;
    return 1;
}

Bool SimFiles::DeleteFileA(const std::string& path) {
    if (pc_.TakeFailure("DeleteFileA", path)) return 0;
    std::string native;
    if (!impl_->Native(path, &native, false)) return 0;
    const Impl::Entry* e = impl_->Get(native);
    DWord error = 0;
    if (!e)
        error = impl_->MissingError(native);
    else if (e->folder || (e->attributes & plat::kFileAttributeReadOnly))
        error = plat::kErrorAccessDenied;
    else if (e->lock != kNotLocked)
        error = plat::kErrorSharingViolation;
    if (error) {
        pc_.SetLastError(error);
        return 0;
    }
    impl_->entries.erase(UpperCase(native));
    return 1;
}

Bool SimFiles::CopyFileA(const std::string& existing, const std::string& target, Bool failIfExists) {
    if (pc_.TakeFailure("CopyFileA", existing)) return 0;
    std::string from;
    std::string to;
    if (!impl_->Native(existing, &from) || !impl_->Native(target, &to)) return 0;
    const Impl::Entry* source = impl_->Get(from);
    DWord error = 0;
    if (!source)
        error = impl_->MissingError(from);
    else if (source->folder)
        error = plat::kErrorAccessDenied;
    else if (source->lock == kLockedExclusive)
        error = plat::kErrorSharingViolation;
    else if (IsRoot(to) || !impl_->IsFolder(ParentOf(to)))
        error = plat::kErrorPathNotFound;
    if (error) {
        pc_.SetLastError(error);
        return 0;
    }
    DWord attributes = source->attributes | plat::kFileAttributeArchive;
    std::string contents = source->contents;
    if (Impl::Entry* old = impl_->Get(to)) {
        if (failIfExists) {
            pc_.SetLastError(plat::kErrorFileExists);
            return 0;
        }
        if (old == source) {  // the source is open for reading while the target is written
            pc_.SetLastError(plat::kErrorSharingViolation);
            return 0;
        }
        if (!impl_->MayOverwrite(*old, attributes)) return 0;
        old->contents = contents;
        old->attributes = attributes;
        return 1;
    }
    Impl::Entry& copy = impl_->Insert(to, false);
    copy.contents = contents;
    copy.attributes = attributes;
    return 1;
}

Bool SimFiles::MoveFileExA(const std::string& existing, const std::string& target, DWord flags) {
    if (pc_.TakeFailure("MoveFileExA", existing)) return 0;
    std::string from;
    if (!impl_->Native(existing, &from, false)) return 0;
    if (flags & plat::kMoveFileDelayUntilReboot) {
        if (flags & kMoveFileCopyAllowed) {
            pc_.SetLastError(plat::kErrorInvalidParameter);
            return 0;
        }
        std::string to;
        if (!target.empty() && !impl_->Native(target, &to)) return 0;
        // The list lives under HKLM, which only administrators may write.
        if (!pc_.facts.win9x && !pc_.IsAdministrator()) {
            pc_.SetLastError(plat::kErrorAccessDenied);
            return 0;
        }
        impl_->RecordPending(from, to, (flags & plat::kMoveFileReplaceExisting) != 0);
        return 1;
    }
    if (target.empty()) {
        pc_.SetLastError(plat::kErrorInvalidParameter);
        return 0;
    }
    std::string to;
    if (!impl_->Native(target, &to)) return 0;
    const Impl::Entry* source = impl_->Get(from);
    DWord error = 0;
    if (!source)
        error = impl_->MissingError(from);
    else if (IsRoot(from) || IsRoot(to) || !impl_->IsFolder(ParentOf(to)))
        error = IsRoot(from) ? plat::kErrorAccessDenied : plat::kErrorPathNotFound;
    else if (source->lock != kNotLocked)
        error = plat::kErrorSharingViolation;
    else if (source->folder && UpperCase(to).rfind(UpperCase(from) + "\\", 0) == 0)
        error = plat::kErrorAccessDenied;  // a folder cannot move into itself
    else if (Upper(from[0]) != Upper(to[0]) && (source->folder || !(flags & kMoveFileCopyAllowed)))
        error = kErrorNotSameDevice;
    if (error) {
        pc_.SetLastError(error);
        return 0;
    }
    Impl::Entry moved = *source;
    const Impl::Entry* old = impl_->Get(to);
    if (old && old != source) {
        if (!(flags & plat::kMoveFileReplaceExisting)) {
            pc_.SetLastError(plat::kErrorAlreadyExists);
            return 0;
        }
        if (source->folder || old->folder || (old->attributes & plat::kFileAttributeReadOnly)) {
            pc_.SetLastError(plat::kErrorAccessDenied);
            return 0;
        }
        if (old->lock != kNotLocked) {
            pc_.SetLastError(plat::kErrorSharingViolation);
            return 0;
        }
    }
    // Move the entry and, for a folder, everything below it.
    std::vector<Impl::Entry> subtree;
    std::string prefix = UpperCase(from) + "\\";
    for (auto& [key, e] : impl_->entries)
        if (key.rfind(prefix, 0) == 0) subtree.push_back(e);
    impl_->EraseTree(from);
    impl_->entries.erase(UpperCase(to));
    Impl::Entry& placed = impl_->Insert(to, moved.folder);
    std::string newBase = placed.path;
    moved.path = newBase;
    placed = moved;
    for (auto& e : subtree) {
        e.path = newBase + e.path.substr(from.size());
        impl_->entries[UpperCase(e.path)] = e;
    }
    return 1;
}

Bool SimFiles::CreateDirectoryA(const std::string& path) {
    if (pc_.TakeFailure("CreateDirectoryA", path)) return 0;
    std::string native;
    if (!impl_->Native(path, &native, false)) return 0;
    DWord error = 0;
    if (IsRoot(native))
        error = impl_->Get(native) ? plat::kErrorAccessDenied : plat::kErrorPathNotFound;
    else if (impl_->Get(native))
        error = plat::kErrorAlreadyExists;
    else if (!impl_->IsFolder(ParentOf(native)))
        error = plat::kErrorPathNotFound;
    if (error) {
        pc_.SetLastError(error);
        return 0;
    }
    impl_->Insert(native, true);
    return 1;
}

Bool SimFiles::RemoveDirectoryA(const std::string& path) {
    if (pc_.TakeFailure("RemoveDirectoryA", path)) return 0;
    std::string native;
    if (!impl_->Native(path, &native, false)) return 0;
    const Impl::Entry* e = impl_->Get(native);
    DWord error = 0;
    if (!e)
        error = impl_->MissingError(native);
    else if (!e->folder)
        error = kErrorDirectory;
    else if (IsRoot(native) || (e->attributes & plat::kFileAttributeReadOnly))
        error = plat::kErrorAccessDenied;
    else if (SameText(impl_->Redirect(impl_->current), native))
        error = plat::kErrorSharingViolation;  // the process holds its current folder open
    else if (!impl_->Children(native).empty())
        error = plat::kErrorDirNotEmpty;
    if (error) {
        pc_.SetLastError(error);
        return 0;
    }
    impl_->entries.erase(UpperCase(native));
    return 1;
}

DWord SimFiles::GetCurrentDirectoryA(std::string* path) {
    if (pc_.TakeFailure("GetCurrentDirectoryA")) return 0;
    if (path) *path = impl_->current;
    return static_cast<DWord>(impl_->current.size());
}

Bool SimFiles::SetCurrentDirectoryA(const std::string& path) {
    if (pc_.TakeFailure("SetCurrentDirectoryA", path)) return 0;
    std::string full;
    std::string native;
    DWord error = 0;
    if (!MakeFullPath(path, impl_->current, false, &full, &error) ||
        !impl_->FollowJunctions(impl_->Redirect(full), true, &native, &error)) {
        pc_.SetLastError(error);
        return 0;
    }
    const Impl::Entry* e = impl_->Get(native);
    if (!e) {
        pc_.SetLastError(impl_->MissingError(native));
        return 0;
    }
    if (!e->folder) {
        pc_.SetLastError(kErrorDirectory);
        return 0;
    }
    // The folder is kept as the program named it; redirection applies on use.
    impl_->current = full;
    return 1;
}

Handle SimFiles::FindFirstFileA(const std::string& pattern, plat::FindData* data) {
    if (pc_.TakeFailure("FindFirstFileA", pattern)) return plat::kInvalidHandle;
    std::string p = pattern;
    std::replace(p.begin(), p.end(), '/', '\\');
    std::string folderPart;
    std::string namePart;
    auto slash = p.rfind('\\');
    if (slash != std::string::npos) {
        folderPart = p.substr(0, slash + 1);
        namePart = p.substr(slash + 1);
    } else if (p.size() >= 2 && p[1] == ':') {
        folderPart = p.substr(0, 2);
        namePart = p.substr(2);
    } else {
        folderPart = ".";
        namePart = p;
    }
    std::string folder;
    std::string native;
    DWord error = 0;
    if (!MakeFullPath(folderPart, impl_->current, false, &folder, &error) ||
        !impl_->FollowJunctions(impl_->Redirect(folder), true, &native, &error)) {
        pc_.SetLastError(error);
        return plat::kInvalidHandle;
    }
    const Impl::Entry* dir = impl_->Get(native);
    if (!dir || !dir->folder) {
        pc_.SetLastError(plat::kErrorPathNotFound);
        return plat::kInvalidHandle;
    }
    if (namePart.find_first_of("<>|\":") != std::string::npos) {
        pc_.SetLastError(kErrorInvalidName);
        return plat::kInvalidHandle;
    }
    Impl::Search search;
    search.pattern = pattern;
    if (!namePart.empty()) {
        std::string translated = TranslatePattern(namePart);
        auto add = [&](const std::string& name, const Impl::Entry& e) {
            if (WildcardMatch(translated, name))
                search.results.push_back(
                    plat::FindData{Impl::Reported(e), e.folder ? 0 : e.contents.size(), name});
        };
        if (!IsRoot(native)) {
            add(".", *dir);
            add("..", *impl_->Get(ParentOf(native)));
        }
        for (const Impl::Entry* e : impl_->Children(native)) add(NameOf(e->path), *e);
    }
    if (search.results.empty()) {
        pc_.SetLastError(plat::kErrorFileNotFound);
        return plat::kInvalidHandle;
    }
    if (data) *data = search.results[0];
    search.next = 1;
    Handle handle = pc_.NewHandle();
    impl_->searches[handle] = std::move(search);
    return handle;
}

Bool SimFiles::FindNextFileA(Handle find, plat::FindData* data) {
    if (pc_.TakeFailure("FindNextFileA", impl_->PatternOf(find))) return 0;
    auto it = impl_->searches.find(find);
    if (it == impl_->searches.end()) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    Impl::Search& search = it->second;
    if (search.next >= search.results.size()) {
        pc_.SetLastError(plat::kErrorNoMoreFiles);
        return 0;
    }
    if (data) *data = search.results[search.next];
    ++search.next;
    return 1;
}

Bool SimFiles::FindClose(Handle find) {
    if (pc_.TakeFailure("FindClose", impl_->PatternOf(find))) return 0;
    if (!impl_->searches.erase(find)) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    return 1;
}

Bool SimFiles::ReadWholeFile(const std::string& path, std::string* contents) {
    if (pc_.TakeFailure("ReadWholeFile", path)) return 0;
    std::string native;
    if (!impl_->Native(path, &native)) return 0;
    const Impl::Entry* e = impl_->Get(native);
    DWord error = 0;
    if (!e)
        error = impl_->MissingError(native);
    else if (e->folder)
        error = plat::kErrorAccessDenied;
    else if (e->lock == kLockedExclusive)
        error = plat::kErrorSharingViolation;
    if (error) {
        pc_.SetLastError(error);
        return 0;
    }
    if (contents) *contents = e->contents;
    return 1;
}

Bool SimFiles::WriteWholeFile(const std::string& path, const std::string& contents) {
    if (pc_.TakeFailure("WriteWholeFile", path)) return 0;
    std::string native;
    if (!impl_->Native(path, &native)) return 0;
    if (Impl::Entry* e = impl_->Get(native)) {
        if (!impl_->MayOverwrite(*e, 0)) return 0;
        e->contents = contents;
        e->attributes = plat::kFileAttributeArchive;
        return 1;
    }
    if (IsRoot(native) || !impl_->IsFolder(ParentOf(native))) {
        pc_.SetLastError(plat::kErrorPathNotFound);
        return 0;
    }
    impl_->Insert(native, false).contents = contents;
    return 1;
}

Handle SimFiles::CreateFileA(const std::string& path, DWord desiredAccess, DWord shareMode,
                             DWord creationDisposition, DWord flagsAndAttributes) {
    if (pc_.TakeFailure("CreateFileA", path)) return plat::kInvalidHandle;
    // Paths in the device namespace name devices, not files.
    if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0)
        return pc_.devices.OpenDevice(path, desiredAccess, shareMode, creationDisposition);
    std::string native;
    if (!impl_->Native(path, &native)) return plat::kInvalidHandle;
    bool write = (desiredAccess & plat::kGenericWrite) != 0;
    Impl::Entry* e = impl_->Get(native);
    DWord error = 0;
    bool create = false;
    bool truncate = false;
    switch (creationDisposition) {
        case plat::kCreateNew:
            if (e) error = plat::kErrorFileExists;
            create = true;
            break;
        case plat::kCreateAlways:
            create = true;
            truncate = true;
            break;
        case plat::kOpenExisting:
            break;
        case plat::kOpenAlways:
            create = true;
            break;
        case plat::kTruncateExisting:
            if (!write) error = plat::kErrorInvalidParameter;
            truncate = true;
            break;
        default:
            error = plat::kErrorInvalidParameter;
    }
    if (!error && !e && !create) error = impl_->MissingError(native);
    if (!error && !e && (IsRoot(native) || !impl_->IsFolder(ParentOf(native))))
        error = plat::kErrorPathNotFound;
    if (!error && e && e->folder) error = plat::kErrorAccessDenied;
    if (!error && e && write && (e->attributes & plat::kFileAttributeReadOnly))
        error = plat::kErrorAccessDenied;
    if (!error && e && e->lock == kLockedExclusive) error = plat::kErrorSharingViolation;
    if (!error && e && (write || truncate) && e->lock != kNotLocked) error = plat::kErrorSharingViolation;
    if (error) {
        pc_.SetLastError(error);
        return plat::kInvalidHandle;
    }
    if (e && truncate && creationDisposition == plat::kCreateAlways &&
        !impl_->MayOverwrite(*e, flagsAndAttributes))
        return plat::kInvalidHandle;
    bool existed = e != nullptr;
    if (!e) {
        e = &impl_->Insert(native, false);
        e->attributes = (flagsAndAttributes & kSettableAttributes) | plat::kFileAttributeArchive;
    } else if (truncate) {
        e->contents.clear();
        if (creationDisposition == plat::kCreateAlways)
            e->attributes = (flagsAndAttributes & kSettableAttributes) | plat::kFileAttributeArchive;
    }
    // Opening an existing file with CREATE_ALWAYS or OPEN_ALWAYS says so.
    bool reportsExisting =
        existed && (creationDisposition == plat::kCreateAlways || creationDisposition == plat::kOpenAlways);
    pc_.SetLastError(reportsExisting ? plat::kErrorAlreadyExists : 0);
    Handle handle = pc_.NewHandle();
    impl_->openFiles[handle] = Impl::OpenFile{e->path, write};
    return handle;
}

Bool SimFiles::WriteFile(Handle file, const void* data, DWord size, DWord* written) {
    auto it = impl_->openFiles.find(file);
    if (pc_.TakeFailure("WriteFile", it == impl_->openFiles.end() ? "" : it->second.path)) return 0;
    if (written) *written = 0;
    if (it == impl_->openFiles.end()) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    if (!it->second.write) {
        pc_.SetLastError(plat::kErrorAccessDenied);
        return 0;
    }
    Impl::Entry* e = impl_->Get(it->second.path);
    if (!e) {  // removed behind the handle's back: Windows would still hold it
        pc_.SetLastError(plat::kErrorAccessDenied);
        return 0;
    }
    e->contents.append(static_cast<const char*>(data), size);
    if (written) *written = size;
    return 1;
}

bool SimFiles::CloseFileHandle(Handle file) {
    return impl_->openFiles.erase(file) > 0;
}

std::string SimFiles::OpenFilePath(Handle file) const {
    auto it = impl_->openFiles.find(file);
    return it == impl_->openFiles.end() ? "" : it->second.path;
}

std::size_t SimFiles::OpenFileHandles() const {
    return impl_->openFiles.size();
}

DWord SimFiles::ReadForCall(const std::string& path, std::string* contents) const {
    std::string full;
    std::string native;
    DWord error = 0;
    if (!MakeFullPath(path, impl_->current, false, &full, &error) ||
        !impl_->FollowJunctions(impl_->Redirect(full), true, &native, &error))
        return error;
    const Impl::Entry* e = impl_->Get(native);
    if (!e) return impl_->MissingError(native);
    if (e->folder) return plat::kErrorAccessDenied;
    if (e->lock == kLockedExclusive) return plat::kErrorSharingViolation;
    if (contents) *contents = e->contents;
    return 0;
}

DWord SimFiles::WriteForCall(const std::string& path, const std::string& contents) {
    DWord saved = pc_.GetLastError();
    std::string native;
    if (!impl_->Native(path, &native)) {
        DWord error = pc_.GetLastError();
        pc_.SetLastError(saved);
        return error;
    }
    DWord error = 0;
    if (Impl::Entry* e = impl_->Get(native)) {
        if (impl_->MayOverwrite(*e, 0)) {
            e->contents = contents;
            e->attributes = plat::kFileAttributeArchive;
        } else {
            error = pc_.GetLastError();
        }
    } else if (IsRoot(native) || !impl_->IsFolder(ParentOf(native))) {
        error = plat::kErrorPathNotFound;
    } else {
        impl_->Insert(native, false).contents = contents;
    }
    pc_.SetLastError(saved);
    return error;
}

// --- redirection and set-up -------------------------------------------------

void SimFiles::SetRedirection(bool enabled) {
    impl_->redirection = enabled;
}

bool SimFiles::Redirection() const {
    return impl_->redirection;
}

std::string SimFiles::Resolve(const std::string& path) const {
    std::string full;
    DWord error = 0;
    if (!MakeFullPath(path, impl_->current, false, &full, &error)) return "";
    return impl_->Redirect(full);
}

void SimFiles::AddFile(const std::string& path, const std::string& contents, DWord attributes) {
    std::string full = impl_->FullForHelper(path);
    if (IsRoot(full)) throw std::invalid_argument("a drive root is not a file: " + path);
    impl_->MakeFolders(ParentOf(full));
    Impl::Entry* e = impl_->Get(full);
    if (e && e->folder) throw std::invalid_argument("a folder is in the way: " + path);
    if (!e) e = &impl_->Insert(full, false);
    e->contents = contents;
    e->attributes = attributes & kSettableAttributes;
}

void SimFiles::AddFolder(const std::string& path) {
    impl_->MakeFolders(impl_->FullForHelper(path));
}

void SimFiles::AddJunction(const std::string& path, const std::string& target) {
    std::string full = impl_->FullForHelper(path);
    std::string to = impl_->FullForHelper(target);
    if (IsRoot(full) || impl_->Get(full)) throw std::invalid_argument("something is in the way: " + path);
    impl_->MakeFolders(ParentOf(full));
    impl_->Insert(full, true).target = to;
}

std::string SimFiles::JunctionTarget(const std::string& path) const {
    const Impl::Entry* e = impl_->Query(path);
    return e ? e->target : "";
}

bool SimFiles::Exists(const std::string& path) const {
    return impl_->Query(path) != nullptr;
}

std::string SimFiles::Contents(const std::string& path) const {
    const Impl::Entry* e = impl_->Query(path);
    return e ? e->contents : "";
}

bool SimFiles::IsFolder(const std::string& path) const {
    const Impl::Entry* e = impl_->Query(path);
    return e && e->folder;
}

DWord SimFiles::Attributes(const std::string& path) const {
    const Impl::Entry* e = impl_->Query(path);
    return e ? Impl::Reported(*e) : plat::kInvalidFileAttributes;
}

void SimFiles::SetAttributes(const std::string& path, DWord attributes) {
    Impl::Entry* e = impl_->Get(impl_->FullForHelper(path));
    if (!e) throw std::invalid_argument("no such file: " + path);
    e->attributes = attributes & kSettableAttributes;
}

void SimFiles::Remove(const std::string& path) {
    std::string full = impl_->FullForHelper(path);
    if (impl_->Get(full)) impl_->EraseTree(full);
}

std::vector<std::string> SimFiles::List(const std::string& folder) const {
    std::vector<std::string> names;
    if (const Impl::Entry* e = impl_->Query(folder))
        for (const Impl::Entry* child : impl_->Children(e->path)) names.push_back(NameOf(child->path));
    return names;
}

std::vector<std::string> SimFiles::AllPaths() const {
    std::vector<std::string> paths;
    for (const Impl::Entry* e : impl_->All())
        paths.push_back(e->folder && !IsRoot(e->path) ? e->path + "\\" : e->path);
    return paths;
}

void SimFiles::AddStandardFolders() {
    std::string windows = pc_.facts.windowsDir;
    AddFolder(windows + "\\System32\\drivers");
    AddFolder(windows + "\\inf");
    if (pc_.facts.is64Bit) AddFolder(windows + "\\SysWOW64");
    AddFolder(pc_.facts.tempDir);
    AddFolder("C:\\Program Files");
    if (pc_.facts.is64Bit) AddFolder("C:\\Program Files (x86)");
    for (const std::string& folder : StandardProfileFolders(pc_.facts)) AddFolder(folder);
}

void SimFiles::LockFile(const std::string& path, bool allowRead) {
    Impl::Entry* e = impl_->Get(impl_->FullForHelper(path));
    if (!e) throw std::invalid_argument("no such file: " + path);
    e->lock = allowRead ? kLockedReadable : kLockedExclusive;
}

void SimFiles::UnlockFile(const std::string& path) {
    if (Impl::Entry* e = impl_->Get(impl_->FullForHelper(path))) e->lock = kNotLocked;
}

bool SimFiles::IsLocked(const std::string& path) const {
    const Impl::Entry* e = impl_->Query(path);
    return e && e->lock != kNotLocked;
}

std::vector<SimFiles::PendingOperation> SimFiles::PendingOperations() const {
    return impl_->pending;
}

std::vector<std::string> SimFiles::PendingDeletions() const {
    std::vector<std::string> paths;
    for (const auto& op : impl_->pending)
        if (op.to.empty()) paths.push_back(op.from);
    return paths;
}

void SimFiles::ApplyPendingOperations() {
    for (const auto& op : impl_->pending) {
        // Nothing holds files open this early in the start.
        std::string key = UpperCase(op.from);
        auto it = impl_->entries.find(key);
        if (it == impl_->entries.end()) continue;
        if (op.to.empty()) {
            if (!it->second.folder || impl_->Children(op.from).empty()) impl_->entries.erase(it);
            continue;
        }
        if (it->second.folder || IsRoot(op.to) || !impl_->IsFolder(ParentOf(op.to))) continue;
        Impl::Entry moved = it->second;
        impl_->entries.erase(it);
        impl_->entries.erase(UpperCase(op.to));
        Impl::Entry& placed = impl_->Insert(op.to, false);
        moved.path = placed.path;
        moved.lock = kNotLocked;
        placed = moved;
    }
    impl_->pending.clear();
    pc_.registry.DeleteValue(kPendingKey, kPendingValue);
}

std::size_t SimFiles::OpenFindHandles() const {
    return impl_->searches.size();
}

// --- saving and loading -------------------------------------------------------

namespace {

namespace fs = std::filesystem;

fs::path HostPath(const fs::path& folder, const std::string& full) {
    fs::path host = folder / std::string(1, Upper(full[0]));
    std::istringstream in(full.substr(3));
    std::string part;
    while (std::getline(in, part, '\\'))
        if (!part.empty()) host /= part;
    return host;
}

bool IsDriveFolder(const fs::directory_entry& entry) {
    std::string name = entry.path().filename().string();
    return entry.is_directory() && name.size() == 1 && IsLetter(name[0]);
}

}  // namespace

void SimFiles::Save(const std::string& folder) const {
    fs::path base(folder);
    fs::create_directories(base);
    for (const auto& entry : fs::directory_iterator(base))
        if (IsDriveFolder(entry)) fs::remove_all(entry.path());

    std::ostringstream ini;
    ini << "; The simulated PC's files: what the drive folders beside this file cannot show.\n"
           "; Attributes are listed where they differ from the default (archive for files, none for "
           "folders).\n"
           "[State]\nCurrentDirectory="
        << impl_->current << "\nRedirection=" << (impl_->redirection ? 1 : 0) << "\n\n[Attributes]\n";
    std::ostringstream locks;
    std::ostringstream junctions;
    for (const Impl::Entry* e : impl_->All()) {
        fs::path host = HostPath(base, e->path);
        if (e->folder) {
            fs::create_directories(host);
        } else {
            std::ofstream out(host, std::ios::binary | std::ios::trunc);
            out << e->contents;
            if (!out) throw std::runtime_error("cannot write " + host.string());
        }
        if (e->attributes != (e->folder ? 0 : plat::kFileAttributeArchive)) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(e->attributes));
            ini << e->path << "=" << hex << "\n";
        }
        if (e->lock != kNotLocked)
            locks << e->path << "=" << (e->lock == kLockedReadable ? "read" : "exclusive") << "\n";
        if (!e->target.empty()) junctions << e->path << "=" << e->target << "\n";
    }
    ini << "\n[InUse]\n"
        << locks.str() << "\n[Junctions]\n"
        << junctions.str() << "\n[PendingFileRenameOperations]\n";
    for (std::size_t i = 0; i < impl_->pending.size(); ++i)
        ini << i + 1 << "=" << impl_->pending[i].from << "|" << impl_->pending[i].to << "\n";

    std::ofstream out(base / "files.ini", std::ios::binary | std::ios::trunc);
    out << ini.str();
    if (!out) throw std::runtime_error("cannot write " + (base / "files.ini").string());
}

void SimFiles::Load(const std::string& folder) {
    fs::path base(folder);
    if (!fs::is_directory(base)) throw std::runtime_error("no such folder: " + folder);
    impl_->Reset();
    impl_->entries.clear();
    for (const auto& drive : fs::directory_iterator(base)) {
        if (!IsDriveFolder(drive)) continue;
        std::string root = std::string(1, Upper(drive.path().filename().string()[0])) + ":\\";
        impl_->entries[root] = Impl::Entry{root, true, 0, "", kNotLocked, ""};
        // Parents come before children in a recursive listing.
        std::vector<fs::path> found;
        for (const auto& entry : fs::recursive_directory_iterator(drive.path()))
            found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        for (const auto& host : found) {
            std::string full = root;
            for (const auto& part : fs::relative(host, drive.path())) full = Join(full, part.string());
            if (fs::is_directory(host)) {
                impl_->MakeFolders(full);
            } else {
                std::ifstream in(host, std::ios::binary);
                impl_->MakeFolders(ParentOf(full));
                impl_->Insert(full, false)
                    .contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
        }
    }

    std::ifstream in(base / "files.ini", std::ios::binary);
    std::string line;
    std::string section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        // Paths may hold '=', the values never do.
        auto eq = line.rfind('=');
        if (section == "PendingFileRenameOperations") eq = line.find('=');
        if (section == "Junctions") eq = line.find('=');
        if (eq == std::string::npos) throw std::runtime_error("files.ini: bad line: " + line);
        std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (section == "State") {
            if (key == "CurrentDirectory") impl_->current = value;
            if (key == "Redirection") impl_->redirection = value != "0";
        } else if (section == "Attributes") {
            if (Impl::Entry* e = impl_->Get(key))
                e->attributes = static_cast<DWord>(std::stoul(value, nullptr, 16));
        } else if (section == "InUse") {
            if (Impl::Entry* e = impl_->Get(key))
                e->lock = value == "read" ? kLockedReadable : kLockedExclusive;
        } else if (section == "Junctions") {
            if (Impl::Entry* e = impl_->Get(key); e && e->folder) e->target = value;
        } else if (section == "PendingFileRenameOperations") {
            auto bar = value.find('|');
            impl_->pending.push_back(
                {value.substr(0, bar), bar == std::string::npos ? "" : value.substr(bar + 1)});
        }
    }
}

void SimFiles::AddHostFolder(const std::string& hostFolder, const std::string& path) {
    const fs::path base(hostFolder);
    if (!fs::is_directory(base)) throw std::runtime_error("no such folder: " + hostFolder);
    AddFolder(path);
    for (const auto& entry : fs::recursive_directory_iterator(base)) {
        std::string full = path;
        for (const auto& part : fs::relative(entry.path(), base)) full = Join(full, part.string());
        if (entry.is_directory()) {
            AddFolder(full);
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        std::string contents(std::istreambuf_iterator<char>(in), {});
        if (!in && !in.eof()) throw std::runtime_error("cannot read " + entry.path().string());
        AddFile(full, contents);
    }
}

}  // namespace sim
