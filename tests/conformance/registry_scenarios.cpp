// Registry: opening and creating, typed values and their sizes, deletes,
// enumeration, the error codes, and the views of 64-bit Windows.
#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr plat::HKey kHklm = plat::kHkeyLocalMachine;
constexpr plat::DWord k32 = plat::kKeyWow64_32Key;
constexpr plat::DWord k64 = plat::kKeyWow64_64Key;

plat::RegistryApi& Reg() {
    return plat::os().Registry();
}

// Creates the scenario's key in the given view; 0 when that failed.
plat::HKey CreateScratch(Check& check, const Backend& backend, plat::DWord view,
                         const std::string& below = "") {
    plat::HKey key = 0;
    plat::DWord disposition = 0;
    std::string path = ScratchKey(backend) + (below.empty() ? "" : "\\" + below);
    plat::Long status = Reg().RegCreateKeyExA(kHklm, path, 0, plat::kKeyAllAccess | view, &key, &disposition);
    check.Expect("RegCreateKeyExA " + path, Status(status), "0");
    return status == 0 ? key : 0;
}

}  // namespace

SCENARIO("registry", "open a missing key") {
    plat::HKey key = 1;
    plat::Long status =
        Reg().RegOpenKeyExA(kHklm, ScratchKey(backend) + "\\Missing", 0, plat::kKeyRead, &key);
    check.Expect("status", status, 2);  // ERROR_FILE_NOT_FOUND
    check.Expect("handle", static_cast<std::int64_t>(key), 0);
}

SCENARIO("registry", "create reports new and existing keys") {
    plat::HKey key = 0;
    plat::DWord disposition = 0;
    std::string path = ScratchKey(backend);
    check.Expect("first create",
                 Reg().RegCreateKeyExA(kHklm, path, 0, plat::kKeyAllAccess, &key, &disposition), 0);
    check.Expect("first disposition", disposition, plat::kRegCreatedNewKey);
    Reg().RegCloseKey(key);
    check.Expect("second create",
                 Reg().RegCreateKeyExA(kHklm, path, 0, plat::kKeyAllAccess, &key, &disposition), 0);
    check.Expect("second disposition", disposition, plat::kRegOpenedExistingKey);
    Reg().RegCloseKey(key);
    // Parents that do not exist are created on the way.
    check.Expect("create two levels deep",
                 Reg().RegCreateKeyExA(kHklm, path + "\\A\\B", 0, plat::kKeyAllAccess, &key, &disposition),
                 0);
    Reg().RegCloseKey(key);
    DeleteKeyTree(kHklm, path, 0);
}

SCENARIO("registry", "value types keep their bytes and sizes") {
    plat::HKey key = CreateScratch(check, backend, 0);
    if (!key) return;
    struct Case {
        const char* name;
        plat::DWord type;
        std::vector<std::uint8_t> data;
    };
    const std::vector<Case> cases = {
        {"Text", plat::kRegSz, Sz("C:\\Program Files\\Touch")},
        {"Empty", plat::kRegSz, Sz("")},
        {"Expand", plat::kRegExpandSz, Sz("%SystemRoot%\\inf")},
        {"Number", plat::kRegDword, Dword(0x12345678)},
        {"List", plat::kRegMultiSz, {'a', 0, 'b', 'c', 0, 0}},
        {"Blob", plat::kRegBinary, {0x00, 0xFF, 0x10}},
        {"NoData", plat::kRegBinary, {}},
    };
    for (const auto& c : cases) {
        check.Expect(std::string("set ") + c.name, Reg().RegSetValueExA(key, c.name, c.type, c.data), 0);
        plat::DWord type = 99;
        std::vector<std::uint8_t> read;
        check.Expect(std::string("query ") + c.name, Reg().RegQueryValueExA(key, c.name, &type, &read), 0);
        check.Expect(std::string("type of ") + c.name, type, c.type);
        check.Expect(std::string("bytes of ") + c.name, Bytes(read), Bytes(c.data));
    }
    // Names compare without regard to case.
    plat::DWord type = 0;
    std::vector<std::uint8_t> read;
    check.Expect("query by other case", Reg().RegQueryValueExA(key, "NUMBER", &type, &read), 0);
    check.Expect("query a missing value", Reg().RegQueryValueExA(key, "Missing", &type, &read), 2);
    Reg().RegCloseKey(key);
    DeleteKeyTree(kHklm, ScratchKey(backend), 0);
}

SCENARIO("registry", "default value") {
    plat::HKey key = CreateScratch(check, backend, 0);
    if (!key) return;
    plat::DWord type = 0;
    std::vector<std::uint8_t> read;
    check.Expect("unset default value", Reg().RegQueryValueExA(key, "", &type, &read), 2);
    check.Expect("set default value", Reg().RegSetValueExA(key, "", plat::kRegSz, Sz("x")), 0);
    check.Expect("query default value", Reg().RegQueryValueExA(key, "", &type, &read), 0);
    check.Expect("default value bytes", Bytes(read), Bytes(Sz("x")));
    Reg().RegCloseKey(key);
    DeleteKeyTree(kHklm, ScratchKey(backend), 0);
}

SCENARIO("registry", "deletes") {
    plat::HKey key = CreateScratch(check, backend, 0, "Child\\Grandchild");
    if (!key) return;
    Reg().RegCloseKey(key);
    plat::HKey top = 0;
    check.Expect("open", Reg().RegOpenKeyExA(kHklm, ScratchKey(backend), 0, plat::kKeyAllAccess, &top), 0);
    // A key that has sub-keys cannot be deleted on the NT family.
    check.Expect("delete a key with sub-keys", Reg().RegDeleteKeyA(top, "Child"), 5);
    check.Expect("delete the leaf", Reg().RegDeleteKeyA(top, "Child\\Grandchild"), 0);
    check.Expect("delete the leaf again", Reg().RegDeleteKeyA(top, "Child\\Grandchild"), 2);
    check.Expect("delete the emptied key", Reg().RegDeleteKeyA(top, "Child"), 0);
    check.Expect("delete a missing value", Reg().RegDeleteValueA(top, "Missing"), 2);
    Reg().RegSetValueExA(top, "Value", plat::kRegDword, Dword(1));
    check.Expect("delete a value", Reg().RegDeleteValueA(top, "value"), 0);
    Reg().RegCloseKey(top);
    DeleteKeyTree(kHklm, ScratchKey(backend), 0);
}

SCENARIO("registry", "a deleted key's open handle") {
    plat::HKey key = CreateScratch(check, backend, 0, "Gone");
    if (!key) return;
    plat::HKey top = 0;
    Reg().RegOpenKeyExA(kHklm, ScratchKey(backend), 0, plat::kKeyAllAccess, &top);
    check.Expect("delete while open", Reg().RegDeleteKeyA(top, "Gone"), 0);
    check.Expect("set a value through the stale handle",
                 Reg().RegSetValueExA(key, "Value", plat::kRegDword, Dword(1)), 1018);  // ERROR_KEY_DELETED
    check.Expect("close the stale handle", Reg().RegCloseKey(key), 0);
    Reg().RegCloseKey(top);
    DeleteKeyTree(kHklm, ScratchKey(backend), 0);
}

SCENARIO("registry", "enumeration") {
    plat::HKey key = CreateScratch(check, backend, 0);
    if (!key) return;
    for (const char* child : {"beta", "Alpha", "gamma"}) {
        plat::HKey sub = 0;
        Reg().RegCreateKeyExA(key, child, 0, plat::kKeyAllAccess, &sub, nullptr);
        Reg().RegCloseKey(sub);
    }
    Reg().RegSetValueExA(key, "Second", plat::kRegDword, Dword(2));
    Reg().RegSetValueExA(key, "First", plat::kRegSz, Sz("1"));
    std::string names, name;
    plat::DWord index = 0;
    plat::Long status;
    while ((status = Reg().RegEnumKeyExA(key, index, &name)) == 0) {
        names += (index ? "," : "") + name;
        ++index;
    }
    // Sub-keys come back as the hive keeps them: sorted without regard to case.
    check.Expect("sub-keys", names, "Alpha,beta,gamma");
    check.Expect("past the last sub-key", status, plat::kErrorNoMoreItems);
    std::string values;
    plat::DWord type = 0;
    for (index = 0; (status = Reg().RegEnumValueA(key, index, &name, &type)) == 0; ++index)
        values += (index ? "," : "") + name + ":" + std::to_string(type);
    check.WineDeparts("Wine lists values in the order it keeps them, not the order they were set")
        .Expect("values", values, "Second:4,First:1");
    check.Expect("past the last value", status, plat::kErrorNoMoreItems);
    Reg().RegCloseKey(key);
    DeleteKeyTree(kHklm, ScratchKey(backend), 0);
}

SCENARIO("registry", "SOFTWARE is seen through its 32-bit view") {
    plat::HKey key = CreateScratch(check, backend, k32);
    if (!key) return;
    check.Expect("set in the 32-bit view", Reg().RegSetValueExA(key, "View", plat::kRegSz, Sz("32")), 0);
    Reg().RegCloseKey(key);
    plat::HKey other = 0;
    check.Expect("the 64-bit view does not hold it",
                 Reg().RegOpenKeyExA(kHklm, ScratchKey(backend), 0, plat::kKeyRead | k64, &other), 2);
    check.Expect("it lies below Wow6432Node",
                 Reg().RegOpenKeyExA(kHklm, "SOFTWARE\\Wow6432Node\\ConformanceTest\\" + backend.unique, 0,
                                     plat::kKeyRead | k64, &other),
                 0);
    Reg().RegCloseKey(other);
    // Without a view flag a program sees its own view.
    plat::Long status = Reg().RegOpenKeyExA(kHklm, ScratchKey(backend), 0, plat::kKeyRead, &other);
    check.Expect("default view of this process", status, backend.wow64 ? 0 : 2);
    if (status == 0) Reg().RegCloseKey(other);
    DeleteKeyTree(kHklm, ScratchKey(backend), k32);
}

SCENARIO("registry", "SYSTEM and HKCU are shared by both views") {
    struct Case {
        plat::HKey root;
        std::string path;
    };
    for (const Case& c : {Case{kHklm, "SYSTEM\\ConformanceTest\\" + backend.unique},
                          Case{plat::kHkeyCurrentUser, "Software\\ConformanceTest\\" + backend.unique}}) {
        plat::HKey key = 0;
        check.Expect("create in the 32-bit view " + c.path,
                     Reg().RegCreateKeyExA(c.root, c.path, 0, plat::kKeyAllAccess | k32, &key, nullptr), 0);
        Reg().RegSetValueExA(key, "Shared", plat::kRegDword, Dword(7));
        Reg().RegCloseKey(key);
        plat::HKey other = 0;
        check.Expect("open in the 64-bit view " + c.path,
                     Reg().RegOpenKeyExA(c.root, c.path, 0, plat::kKeyRead | k64, &other), 0);
        std::vector<std::uint8_t> data;
        plat::DWord type = 0;
        check.Expect("value seen from the 64-bit view", Reg().RegQueryValueExA(other, "Shared", &type, &data),
                     0);
        Reg().RegCloseKey(other);
        DeleteKeyTree(c.root, c.path.substr(0, c.path.find_last_of('\\')), k64);
    }
}

SCENARIO("registry", "the 32-bit view of the Program Files folder") {
    plat::HKey key = 0;
    std::string path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    check.Expect("open", Reg().RegOpenKeyExA(kHklm, path, 0, plat::kKeyRead | k32, &key), 0);
    plat::DWord type = 0;
    std::vector<std::uint8_t> data;
    check.Expect("query", Reg().RegQueryValueExA(key, "ProgramFilesDir", &type, &data), 0);
    check.Expect("type", type, plat::kRegSz);
    std::string text(data.begin(), data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    check.Expect("folder of 32-bit programs", Upper(text), "C:\\PROGRAM FILES (X86)");
    Reg().RegCloseKey(key);
}

SCENARIO("registry", "bad paths and handles") {
    plat::HKey key = 0;
    check.Expect(
        "sub-key with a leading backslash",
        Reg().RegCreateKeyExA(kHklm, "\\SOFTWARE\\ConformanceTest", 0, plat::kKeyAllAccess, &key, nullptr),
        161);  // ERROR_BAD_PATHNAME
    check.Expect("close a handle that is not open", Reg().RegCloseKey(0x12345678), plat::kErrorInvalidHandle);
}

}  // namespace conformance
