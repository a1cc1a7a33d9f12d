// Files and folders: attributes, the copy, move and delete rules for
// read-only, hidden and system files, folders, wildcards, files in use, the
// System32 redirection and its switch, and deletion at the next restart.
#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr const char* kWineArchivesAll = "Wine reports every file as archived";
constexpr const char* kWineRootWrites =
    "Wine leaves the refusal to write a read-only file to the host's permissions, which do not stop root";
constexpr const char* kWineOverwritesHidden = "Wine overwrites a hidden or system file as CREATE_ALWAYS";

plat::FileApi& Files() {
    return plat::os().Files();
}

// Writes a file of the scenario; reports a failure as a mismatch.
void Put(Check& check, const std::string& path, const std::string& contents, plat::DWord attributes = 0) {
    check.Expect("write " + path, BoolResult(Files().WriteWholeFile(path, contents)), "TRUE");
    if (attributes) Files().SetFileAttributesA(path, attributes);
}

std::string Read(const std::string& path) {
    std::string contents;
    if (!Files().ReadWholeFile(path, &contents)) return "<error " + std::to_string(LastError()) + ">";
    return contents;
}

// The names a wildcard search returns, in order, "." and ".." included.
std::string Search(const std::string& pattern) {
    plat::FindData data;
    plat::Handle find = Files().FindFirstFileA(pattern, &data);
    if (find == plat::kInvalidHandle) return "<error " + std::to_string(LastError()) + ">";
    std::string names = data.name;
    while (Files().FindNextFileA(find, &data)) names += "," + data.name;
    names += LastError() == plat::kErrorNoMoreFiles ? "" : ",<error " + std::to_string(LastError()) + ">";
    Files().FindClose(find);
    return names;
}

std::string Attributes(const std::string& path) {
    plat::DWord attributes = Files().GetFileAttributesA(path);
    if (attributes == plat::kInvalidFileAttributes) return "<error " + std::to_string(LastError()) + ">";
    return Hex(attributes);
}

}  // namespace

SCENARIO("files", "attributes of missing paths") {
    check.Expect("missing file", Attributes(InScratch(backend, "none.txt")), "<error 2>");
    check.Expect("file in a missing folder", Attributes(InScratch(backend, "none\\none.txt")), "<error 3>");
    check.Expect("the folder itself", Attributes(backend.scratch), Hex(plat::kFileAttributeDirectory));
}

SCENARIO("files", "attributes set and read back") {
    std::string path = InScratch(backend, "a.txt");
    Put(check, path, "a");
    check.Expect("a new file", Attributes(path), Hex(plat::kFileAttributeArchive));
    struct Case {
        plat::DWord set;
        plat::DWord read;
    };
    for (const Case& c : {Case{plat::kFileAttributeNormal, plat::kFileAttributeNormal},
                          Case{plat::kFileAttributeReadOnly | plat::kFileAttributeHidden,
                               plat::kFileAttributeReadOnly | plat::kFileAttributeHidden},
                          Case{plat::kFileAttributeSystem | plat::kFileAttributeArchive,
                               plat::kFileAttributeSystem | plat::kFileAttributeArchive}}) {
        check.Expect("set " + Hex(c.set), BoolResult(Files().SetFileAttributesA(path, c.set)), "TRUE");
        if (!(c.read & plat::kFileAttributeArchive)) check.WineDeparts(kWineArchivesAll);
        check.Expect("read after setting " + Hex(c.set), Attributes(path), Hex(c.read));
    }
    Files().SetFileAttributesA(path, plat::kFileAttributeNormal);
}

SCENARIO("files", "delete rules") {
    struct Case {
        const char* name;
        plat::DWord attributes;
        std::string result;
    };
    for (const Case& c :
         {Case{"plain.txt", 0, "TRUE"}, Case{"readonly.txt", plat::kFileAttributeReadOnly, "FALSE, error 5"},
          Case{"hidden.txt", plat::kFileAttributeHidden, "TRUE"},
          Case{"system.txt", plat::kFileAttributeSystem, "TRUE"}}) {
        std::string path = InScratch(backend, c.name);
        Put(check, path, "x", c.attributes);
        check.Expect(std::string("delete ") + c.name, BoolResult(Files().DeleteFileA(path)), c.result);
        Files().SetFileAttributesA(path, plat::kFileAttributeNormal);
        Files().DeleteFileA(path);
    }
    check.Expect("delete a missing file", BoolResult(Files().DeleteFileA(InScratch(backend, "none.txt"))),
                 "FALSE, error 2");
    check.Expect("delete a folder as a file", BoolResult(Files().DeleteFileA(backend.scratch)),
                 "FALSE, error 5");
}

SCENARIO("files", "copy rules") {
    std::string source = InScratch(backend, "source.txt");
    Put(check, source, "new");
    struct Case {
        const char* target;
        plat::DWord targetAttributes;  // 0: no target yet
        plat::Bool failIfExists;
        std::string result;
        std::string contents;  // of the target afterwards
    };
    const Case cases[] = {
        {"fresh.txt", 0, 1, "TRUE", "new"},
        {"existing.txt", plat::kFileAttributeArchive, 1, "FALSE, error 80", "old"},
        {"replaced.txt", plat::kFileAttributeArchive, 0, "TRUE", "new"},
        {"readonly.txt", plat::kFileAttributeReadOnly, 0, "FALSE, error 5", "old"},
        // CopyFile opens the target as CREATE_ALWAYS does: a hidden or system
        // target needs the same attribute on the source.
        {"hidden.txt", plat::kFileAttributeHidden, 0, "FALSE, error 5", "old"},
        {"system.txt", plat::kFileAttributeSystem, 0, "FALSE, error 5", "old"},
    };
    for (const Case& c : cases) {
        std::string target = InScratch(backend, c.target);
        if (c.targetAttributes) Put(check, target, "old", c.targetAttributes);
        const char* departure =
            c.targetAttributes == plat::kFileAttributeReadOnly ? kWineRootWrites
            : c.targetAttributes & (plat::kFileAttributeHidden | plat::kFileAttributeSystem)
                ? kWineOverwritesHidden
                : nullptr;
        if (departure) check.WineDeparts(departure);
        check.Expect(std::string("copy onto ") + c.target,
                     BoolResult(Files().CopyFileA(source, target, c.failIfExists)), c.result);
        if (departure) check.WineDeparts(departure);
        check.Expect(std::string("contents of ") + c.target, Read(target), c.contents);
        Files().SetFileAttributesA(target, plat::kFileAttributeNormal);
    }
    check.Expect(
        "copy a missing file",
        BoolResult(Files().CopyFileA(InScratch(backend, "none.txt"), InScratch(backend, "x.txt"), 0)),
        "FALSE, error 2");
    check.Expect("copy into a missing folder",
                 BoolResult(Files().CopyFileA(source, InScratch(backend, "none\\x.txt"), 0)),
                 "FALSE, error 3");
}

SCENARIO("files", "a copy keeps the source's attributes") {
    std::string source = InScratch(backend, "source.txt");
    Put(check, source, "x", plat::kFileAttributeReadOnly | plat::kFileAttributeArchive);
    std::string target = InScratch(backend, "target.txt");
    check.Expect("copy", BoolResult(Files().CopyFileA(source, target, 1)), "TRUE");
    check.Expect("attributes of the copy", Attributes(target),
                 Hex(plat::kFileAttributeReadOnly | plat::kFileAttributeArchive));
    Files().SetFileAttributesA(source, plat::kFileAttributeNormal);
    Files().SetFileAttributesA(target, plat::kFileAttributeNormal);
}

SCENARIO("files", "reading and writing whole files") {
    std::string path = InScratch(backend, "text.ini");
    std::string bytes = std::string("[a]\r\nb=\xE4\r\n") + '\0' + "tail";
    Put(check, path, bytes);
    check.Expect("read back", Read(path), bytes);
    Put(check, path, "short");
    check.Expect("rewritten shorter", Read(path), "short");
    Files().SetFileAttributesA(path, plat::kFileAttributeReadOnly);
    check.WineDeparts(kWineRootWrites)
        .Expect("write a read-only file", BoolResult(Files().WriteWholeFile(path, "x")), "FALSE, error 5");
    check.WineDeparts(kWineRootWrites).Expect("read a read-only file", Read(path), "short");
    Files().SetFileAttributesA(path, plat::kFileAttributeHidden);
    check.WineDeparts(kWineOverwritesHidden)
        .Expect("write a hidden file", BoolResult(Files().WriteWholeFile(path, "x")), "FALSE, error 5");
    Files().SetFileAttributesA(path, plat::kFileAttributeNormal);
    check.Expect("read a missing file", Read(InScratch(backend, "none.ini")), "<error 2>");
    check.Expect("write into a missing folder",
                 BoolResult(Files().WriteWholeFile(InScratch(backend, "none\\x.ini"), "x")),
                 "FALSE, error 3");
}

SCENARIO("files", "folders") {
    std::string folder = InScratch(backend, "Sub");
    check.Expect("create", BoolResult(Files().CreateDirectoryA(folder)), "TRUE");
    check.Expect("create again", BoolResult(Files().CreateDirectoryA(folder)), "FALSE, error 183");
    check.Expect("create below a missing folder",
                 BoolResult(Files().CreateDirectoryA(InScratch(backend, "none\\Sub"))), "FALSE, error 3");
    Put(check, folder + "\\f.txt", "x");
    check.Expect("remove a folder that holds a file", BoolResult(Files().RemoveDirectoryA(folder)),
                 "FALSE, error 145");
    Files().DeleteFileA(folder + "\\f.txt");
    check.Expect("remove the emptied folder", BoolResult(Files().RemoveDirectoryA(folder)), "TRUE");
    check.Expect("remove a missing folder", BoolResult(Files().RemoveDirectoryA(folder)), "FALSE, error 2");
}

SCENARIO("files", "current folder") {
    std::string saved;
    check.ExpectTrue("get", Files().GetCurrentDirectoryA(&saved) > 0);
    check.Expect("set", BoolResult(Files().SetCurrentDirectoryA(backend.scratch)), "TRUE");
    std::string now;
    Files().GetCurrentDirectoryA(&now);
    check.Expect("read back", Upper(now), Upper(backend.scratch));
    Put(check, "relative.txt", "r");
    check.Expect("a relative path resolves against it", Read(InScratch(backend, "relative.txt")), "r");
    check.Expect("set a missing folder", BoolResult(Files().SetCurrentDirectoryA(InScratch(backend, "none"))),
                 "FALSE, error 2");
    Files().SetCurrentDirectoryA(saved);
}

SCENARIO("files", "wildcard search") {
    for (const char* name : {"oem1.inf", "OEM2.PNF", "oem10.inf", "readme.txt", "a.inf"})
        Put(check, InScratch(backend, name), "x");
    Files().CreateDirectoryA(InScratch(backend, "sub"));
    check.Expect("everything", Search(InScratch(backend, "*")),
                 ".,..,a.inf,oem1.inf,oem10.inf,OEM2.PNF,readme.txt,sub");
    check.Expect("*.inf", Search(InScratch(backend, "*.inf")), "a.inf,oem1.inf,oem10.inf");
    check.Expect("oem?.inf", Search(InScratch(backend, "oem?.inf")), "oem1.inf");
    check.Expect("oem*.* without regard to case", Search(InScratch(backend, "OEM*.*")),
                 "oem1.inf,oem10.inf,OEM2.PNF");
    check.Expect("no match", Search(InScratch(backend, "*.sys")), "<error 2>");
    check.Expect("in a missing folder", Search(InScratch(backend, "none\\*")), "<error 3>");
    plat::FindData data;
    plat::Handle find = Files().FindFirstFileA(InScratch(backend, "sub"), &data);
    check.Expect("a folder found by name", Hex(data.attributes & plat::kFileAttributeDirectory),
                 Hex(plat::kFileAttributeDirectory));
    if (find != plat::kInvalidHandle) Files().FindClose(find);
}

SCENARIO("files", "files in use") {
    std::string shared = InScratch(backend, "shared.txt");
    std::string exclusive = InScratch(backend, "exclusive.txt");
    Put(check, shared, "s");
    Put(check, exclusive, "e");
    backend.fixture->HoldFile(shared, true);
    backend.fixture->HoldFile(exclusive, false);
    check.Expect("delete a file in use", BoolResult(Files().DeleteFileA(shared)), "FALSE, error 32");
    check.Expect("overwrite a file in use", BoolResult(Files().WriteWholeFile(shared, "x")),
                 "FALSE, error 32");
    std::string source = InScratch(backend, "source.txt");
    Put(check, source, "n");
    check.Expect("copy onto a file in use", BoolResult(Files().CopyFileA(source, shared, 0)),
                 "FALSE, error 32");
    check.Expect("read a file shared for reading", Read(shared), "s");
    check.Expect("copy a file shared for reading",
                 BoolResult(Files().CopyFileA(shared, InScratch(backend, "copy.txt"), 0)), "TRUE");
    check.Expect("read a file held exclusively", Read(exclusive), "<error 32>");
    check.Expect("the attributes of a file in use", Attributes(exclusive), Hex(plat::kFileAttributeArchive));
}

SCENARIO("files", "deletion at the next restart") {
    std::string path = InScratch(backend, "locked.dll");
    Put(check, path, "x");
    backend.fixture->HoldFile(path, true);
    check.Expect("schedule the deletion of a file in use",
                 BoolResult(Files().MoveFileExA(path, "", plat::kMoveFileDelayUntilReboot)), "TRUE");
    check.Expect("the file stays until the restart", Attributes(path), Hex(plat::kFileAttributeArchive));
    // Windows keeps the operations in the Session Manager's list, each path in its NT form.
    plat::HKey key = 0;
    plat::RegistryApi& reg = plat::os().Registry();
    check.Expect(
        "open Session Manager",
        reg.RegOpenKeyExA(plat::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                          plat::kKeyRead, &key),
        0);
    std::vector<std::uint8_t> data;
    plat::DWord type = 0;
    check.Expect("query PendingFileRenameOperations",
                 reg.RegQueryValueExA(key, "PendingFileRenameOperations", &type, &data), 0);
    check.Expect("its type", type, plat::kRegMultiSz);
    std::string list(data.begin(), data.end());
    std::string entry = std::string("\\??\\") + path + '\0' + '\0';
    check.ExpectTrue("the deletion is listed", Upper(list).find(Upper(entry)) != std::string::npos);
    reg.RegCloseKey(key);
}

SCENARIO("files", "System32 is redirected for 32-bit programs") {
    if (!backend.wow64) return check.Skip("a 64-bit process is not redirected");
    std::string windows;
    plat::os().System().GetWindowsDirectoryA(&windows, 260);
    std::string name = "conformance-" + backend.unique + ".txt";
    std::string inSystem32 = windows + "\\System32\\" + name;
    Put(check, inSystem32, "redirected");
    check.Expect("the file landed in SysWOW64", Read(windows + "\\SysWOW64\\" + name), "redirected");
    check.Expect("Sysnative is the real System32", Read(windows + "\\Sysnative\\" + name), "<error 2>");
    Files().DeleteFileA(inSystem32);
    // drivers\etc is among the folders that are not redirected.
    check.Expect("drivers\\etc is not redirected", Attributes(windows + "\\System32\\drivers\\etc"),
                 Attributes(windows + "\\Sysnative\\drivers\\etc"));
}

SCENARIO("files", "the redirection switch") {
    if (!backend.wow64) return check.Skip("a 64-bit process is not redirected");
    plat::LibraryApi& libraries = plat::os().Libraries();
    plat::Handle kernel = libraries.GetModuleHandleA("kernel32.dll");
    plat::ProcAddress enable = libraries.GetProcAddress(kernel, "Wow64EnableWow64FsRedirection");
    check.ExpectTrue("the switch exists on 64-bit Windows", enable != 0);
    if (!enable) return;
    std::string windows;
    plat::os().System().GetWindowsDirectoryA(&windows, 260);
    std::string name = "conformance-" + backend.unique + ".txt";
    check.Expect("switch off", libraries.CallWow64EnableWow64FsRedirection(enable, 0), 1);
    Put(check, windows + "\\System32\\" + name, "native");
    check.Expect("switch on", libraries.CallWow64EnableWow64FsRedirection(enable, 1), 1);
    check.Expect("the file is in the native folder", Read(windows + "\\Sysnative\\" + name), "native");
    check.Expect("and not in SysWOW64", Read(windows + "\\SysWOW64\\" + name), "<error 2>");
    Files().DeleteFileA(windows + "\\Sysnative\\" + name);
}

}  // namespace conformance
