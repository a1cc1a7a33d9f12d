#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace {

using plat::DWord;
using plat::HKey;
using plat::Long;
using Bytes = std::vector<std::uint8_t>;

constexpr Long kOk = 0;
constexpr Long kNotFound = static_cast<Long>(plat::kErrorFileNotFound);
constexpr Long kDenied = static_cast<Long>(plat::kErrorAccessDenied);
constexpr Long kBadHandle = static_cast<Long>(plat::kErrorInvalidHandle);
constexpr Long kDeleted = static_cast<Long>(plat::kErrorKeyDeleted);
constexpr Long kNoMore = static_cast<Long>(plat::kErrorNoMoreItems);
constexpr DWord kWriteDac = 0x40000;
constexpr DWord kWriteOwner = 0x80000;

Bytes Text(const std::string& s, bool terminated = true) {
    Bytes b(s.begin(), s.end());
    if (terminated) b.push_back(0);
    return b;
}

class SimRegistryTest : public ::testing::Test {
protected:
    // Opens or creates a key and returns the call's result; the handle goes to `out`.
    Long Open(HKey root, const std::string& path, DWord sam, HKey* out = nullptr) {
        HKey h = 0;
        Long r = reg.RegOpenKeyExA(root, path, 0, sam, &h);
        if (out)
            *out = h;
        else if (r == kOk)
            reg.RegCloseKey(h);
        return r;
    }
    Long Create(HKey root, const std::string& path, DWord sam, HKey* out = nullptr,
                DWord* disposition = nullptr) {
        HKey h = 0;
        Long r = reg.RegCreateKeyExA(root, path, plat::kRegOptionNonVolatile, sam, &h, disposition);
        if (out)
            *out = h;
        else if (r == kOk)
            reg.RegCloseKey(h);
        return r;
    }

    sim::SimPc pc;
    sim::SimRegistry& reg = pc.registry;
};

TEST_F(SimRegistryTest, OpenFindsOnlyExistingKeysAndCreateReportsWhatItDid) {
    EXPECT_EQ(Open(plat::kHkeyCurrentUser, "Software\\Vendor\\Product", plat::kKeyRead), kNotFound);

    DWord disposition = 0;
    HKey h = 0;
    ASSERT_EQ(
        Create(plat::kHkeyCurrentUser, "Software\\Vendor\\Product", plat::kKeyAllAccess, &h, &disposition),
        kOk);
    EXPECT_EQ(disposition, plat::kRegCreatedNewKey);
    EXPECT_NE(h, 0u);
    EXPECT_TRUE(reg.KeyExists("HKCU\\Software\\Vendor"));  // parents are created on the way
    EXPECT_EQ(reg.KeyPath(h), "HKCU\\Software\\Vendor\\Product");
    EXPECT_EQ(reg.RegCloseKey(h), kOk);

    ASSERT_EQ(
        Create(plat::kHkeyCurrentUser, "Software\\Vendor\\Product", plat::kKeyRead, nullptr, &disposition),
        kOk);
    EXPECT_EQ(disposition, plat::kRegOpenedExistingKey);
    EXPECT_EQ(Open(plat::kHkeyCurrentUser, "Software\\Vendor\\Product", plat::kKeyRead), kOk);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST_F(SimRegistryTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
    HKey h = 0;
    ASSERT_EQ(Create(plat::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\TouchFilter",
                     plat::kKeyAllAccess, &h),
              kOk);
    ASSERT_EQ(reg.RegSetValueExA(h, "DisplayName", plat::kRegSz, Text("first")), kOk);
    ASSERT_EQ(reg.RegSetValueExA(h, "DISPLAYNAME", plat::kRegSz, Text("second")), kOk);
    reg.RegCloseKey(h);

    ASSERT_EQ(
        Open(plat::kHkeyLocalMachine, "system\\currentcontrolset\\SERVICES\\touchfilter", plat::kKeyRead, &h),
        kOk);
    DWord type = 0;
    Bytes data;
    ASSERT_EQ(reg.RegQueryValueExA(h, "displayname", &type, &data), kOk);
    EXPECT_EQ(type, plat::kRegSz);
    EXPECT_EQ(data, Text("second"));
    reg.RegCloseKey(h);

    Create(plat::kHkeyLocalMachine, "SYSTEM\\CURRENTCONTROLSET\\SERVICES\\TOUCHFILTER\\Parameters",
           plat::kKeyAllAccess);
    EXPECT_EQ(reg.SubkeyNames("HKLM\\SYSTEM\\CurrentControlSet\\Services"),
              std::vector<std::string>{"TouchFilter"});
    EXPECT_EQ(reg.SubkeyNames("HKLM\\SYSTEM\\CurrentControlSet\\Services\\TouchFilter"),
              std::vector<std::string>{"Parameters"});
    EXPECT_EQ(reg.ValueNames("HKLM\\SYSTEM\\CurrentControlSet\\Services\\TouchFilter"),
              std::vector<std::string>{"DisplayName"});
}

TEST_F(SimRegistryTest, ValuesKeepTheirTypeAndBytes) {
    struct Case {
        std::string name;
        DWord type;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {"", plat::kRegSz, Text("default value")},
        {"Text", plat::kRegSz, Text("C:\\Program Files\\Touch")},
        {"Unterminated", plat::kRegSz, Text("no NUL", false)},
        {"Expand", plat::kRegExpandSz, Text("%SystemRoot%\\System32")},
        {"Multi", plat::kRegMultiSz, {'a', 0, 'b', 'c', 0, 0}},
        {"Number", plat::kRegDword, {0x2a, 0, 0, 0}},
        {"Blob", plat::kRegBinary, {0x01, 0x00, 0xff}},
        {"Empty", plat::kRegBinary, {}},
    };
    HKey h = 0;
    ASSERT_EQ(Create(plat::kHkeyCurrentUser, "Software\\Values", plat::kKeyAllAccess, &h), kOk);
    for (const auto& c : cases) ASSERT_EQ(reg.RegSetValueExA(h, c.name, c.type, c.data), kOk) << c.name;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DWord type = 99;
        Bytes data{9};
        ASSERT_EQ(reg.RegQueryValueExA(h, c.name, &type, &data), kOk);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(data, c.data);
    }
    DWord type = 0;
    EXPECT_EQ(reg.RegQueryValueExA(h, "Missing", &type, nullptr), kNotFound);

    EXPECT_EQ(reg.RegDeleteValueA(h, "NUMBER"), kOk);
    EXPECT_EQ(reg.RegQueryValueExA(h, "Number", nullptr, nullptr), kNotFound);
    EXPECT_EQ(reg.RegDeleteValueA(h, "Number"), kNotFound);
    reg.RegCloseKey(h);

    EXPECT_EQ(reg.String("HKCU\\Software\\Values", "Expand"), "%SystemRoot%\\System32");
    EXPECT_EQ(reg.MultiString("HKCU\\Software\\Values", "Multi"), (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(reg.String("HKCU\\Software\\Values", "Blob"), std::nullopt);  // not a string
    EXPECT_EQ(reg.Dword("HKCU\\Software\\Values", "Number"), std::nullopt);
}

TEST_F(SimRegistryTest, EnumerationListsSubkeysInHiveOrderAndValuesInOrderSet) {
    for (const char* name : {"beta", "Alpha", "gamma", "_under"})
        reg.CreateKey(std::string("HKCU\\Software\\E\\") + name);
    for (const char* name : {"z", "a", "M"}) reg.SetDword("HKCU\\Software\\E", name, 1);
    reg.SetString("HKCU\\Software\\E", "Z", "again");  // same value: keeps its place

    HKey h = 0;
    ASSERT_EQ(Open(plat::kHkeyCurrentUser, "Software\\E", plat::kKeyRead, &h), kOk);
    std::vector<std::string> keys;
    std::string name;
    DWord index = 0;
    while (reg.RegEnumKeyExA(h, index, &name) == kOk) {
        keys.push_back(name);
        ++index;
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"Alpha", "beta", "gamma", "_under"}));
    EXPECT_EQ(reg.RegEnumKeyExA(h, index, &name), kNoMore);

    std::vector<std::pair<std::string, DWord>> values;
    DWord type = 0;
    for (index = 0; reg.RegEnumValueA(h, index, &name, &type) == kOk; ++index)
        values.emplace_back(name, type);
    EXPECT_EQ(values, (std::vector<std::pair<std::string, DWord>>{
                          {"z", plat::kRegSz}, {"a", plat::kRegDword}, {"M", plat::kRegDword}}));
    EXPECT_EQ(reg.RegEnumValueA(h, 3, &name, &type), kNoMore);
    reg.RegCloseKey(h);
}

TEST_F(SimRegistryTest, NonAdministratorsGetNoWriteRightUnderHklm) {
    reg.CreateKey("HKLM\\SOFTWARE\\Wow6432Node\\Vendor");
    reg.CreateKey("HKCU\\Software\\Vendor");
    struct Case {
        int privilege;
        HKey root;
        std::string path;
        DWord sam;
        Long expected;
    };
    const std::string lm = "SOFTWARE\\Vendor";
    const std::string cu = "Software\\Vendor";
    const std::vector<Case> cases = {
        {1, plat::kHkeyLocalMachine, lm, plat::kKeyRead, kOk},
        {1, plat::kHkeyLocalMachine, lm, plat::kKeyQueryValue, kOk},
        {1, plat::kHkeyLocalMachine, lm, plat::kKeyAllAccess, kDenied},
        {1, plat::kHkeyLocalMachine, lm, plat::kKeyWrite, kDenied},
        {1, plat::kHkeyLocalMachine, lm, plat::kKeySetValue, kDenied},
        {1, plat::kHkeyLocalMachine, lm, plat::kKeyCreateSubKey, kDenied},
        {1, plat::kHkeyLocalMachine, lm, plat::kKeyCreateLink, kDenied},
        {1, plat::kHkeyLocalMachine, lm, plat::kDelete, kDenied},
        {1, plat::kHkeyLocalMachine, lm, kWriteDac, kDenied},
        {1, plat::kHkeyLocalMachine, lm, kWriteOwner, kDenied},
        {1, plat::kHkeyLocalMachine, lm, 0x40000000 /* GENERIC_WRITE */, kDenied},
        {0, plat::kHkeyLocalMachine, lm, plat::kKeyAllAccess, kDenied},
        {1, plat::kHkeyCurrentUser, cu, plat::kKeyAllAccess, kOk},
        {0, plat::kHkeyCurrentUser, cu, plat::kKeyAllAccess, kOk},
        {2, plat::kHkeyLocalMachine, lm, plat::kKeyAllAccess, kOk},
        {2, plat::kHkeyLocalMachine, lm, plat::kKeyWrite, kOk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("privilege " + std::to_string(c.privilege) + " " + c.path + " sam " +
                     std::to_string(c.sam));
        pc.facts.privilege = c.privilege;
        EXPECT_EQ(Open(c.root, c.path, c.sam), c.expected);
        EXPECT_EQ(Create(c.root, c.path, c.sam), c.expected);
    }

    pc.facts.privilege = 1;
    EXPECT_EQ(Create(plat::kHkeyLocalMachine, "SOFTWARE\\Vendor\\New", plat::kKeyRead), kDenied);
    EXPECT_FALSE(reg.KeyExists("HKLM\\SOFTWARE\\Wow6432Node\\Vendor\\New"));
    EXPECT_EQ(reg.RegSetValueExA(plat::kHkeyLocalMachine, "x", plat::kRegSz, Text("x")), kDenied);

    pc.facts.win9x = true;  // no key security at all
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\Vendor", plat::kKeyAllAccess), kOk);
}

TEST_F(SimRegistryTest, CallsNeedTheRightsTheHandleWasOpenedWith) {
    reg.SetString("HKCU\\Software\\R\\Sub", "v", "x");
    reg.SetString("HKCU\\Software\\R", "v", "x");
    struct Case {
        const char* call;
        DWord sam;
        std::function<Long(sim::SimRegistry&, HKey)> run;
        Long expected;
    };
    auto query = [](sim::SimRegistry& r, HKey h) { return r.RegQueryValueExA(h, "v", nullptr, nullptr); };
    auto set = [](sim::SimRegistry& r, HKey h) { return r.RegSetValueExA(h, "v", plat::kRegSz, Text("y")); };
    auto remove = [](sim::SimRegistry& r, HKey h) { return r.RegDeleteValueA(h, "v"); };
    auto enumKeys = [](sim::SimRegistry& r, HKey h) {
        std::string n;
        return r.RegEnumKeyExA(h, 0, &n);
    };
    auto enumValues = [](sim::SimRegistry& r, HKey h) {
        std::string n;
        DWord t = 0;
        return r.RegEnumValueA(h, 0, &n, &t);
    };
    const std::vector<Case> cases = {
        {"query, read", plat::kKeyRead, query, kOk},
        {"query, set only", plat::kKeySetValue, query, kDenied},
        {"set, read", plat::kKeyRead, set, kDenied},
        {"set, write", plat::kKeyWrite, set, kOk},
        {"delete value, read", plat::kKeyRead, remove, kDenied},
        {"delete value, set", plat::kKeySetValue, remove, kOk},
        {"enum keys, query only", plat::kKeyQueryValue, enumKeys, kDenied},
        {"enum keys, read", plat::kKeyRead, enumKeys, kOk},
        {"enum values, enumerate only", plat::kKeyEnumerateSubKeys, enumValues, kDenied},
        {"enum values, read", plat::kKeyRead, enumValues, kOk},
        {"generic read", 0x80000000, query, kOk},
        {"maximum allowed", 0x02000000, set, kOk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        HKey h = 0;
        ASSERT_EQ(Open(plat::kHkeyCurrentUser, "Software\\R", c.sam, &h), kOk);
        EXPECT_EQ(c.run(reg, h), c.expected);
        reg.RegCloseKey(h);
        reg.SetString("HKCU\\Software\\R", "v", "x");
    }

    // Creating a sub-key is checked against the key's security, not the handle's mask.
    HKey readOnly = 0;
    ASSERT_EQ(Open(plat::kHkeyCurrentUser, "Software\\R", plat::kKeyRead, &readOnly), kOk);
    EXPECT_EQ(Create(readOnly, "Child", plat::kKeyRead), kOk);
    reg.RegCloseKey(readOnly);
}

TEST_F(SimRegistryTest, DeniedKeysRefuseTheDeniedRightsToEverybody) {
    reg.CreateKey("HKLM\\SYSTEM\\Locked\\Below");
    reg.DenyAccess("HKLM\\SYSTEM\\Locked");
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "SYSTEM\\Locked", plat::kKeyRead), kDenied);
    EXPECT_EQ(Create(plat::kHkeyLocalMachine, "SYSTEM\\Locked", plat::kKeyRead), kDenied);
    EXPECT_EQ(Create(plat::kHkeyLocalMachine, "SYSTEM\\Locked\\New", plat::kKeyRead), kDenied);
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "SYSTEM\\Locked\\Below", plat::kKeyAllAccess),
              kOk);  // not inherited

    reg.DenyAccess("HKLM\\SYSTEM\\Locked", plat::kKeySetValue | plat::kDelete);
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "SYSTEM\\Locked", plat::kKeyRead), kOk);
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "SYSTEM\\Locked", plat::kKeyAllAccess), kDenied);
    EXPECT_EQ(Create(plat::kHkeyLocalMachine, "SYSTEM\\Locked\\New", plat::kKeyRead), kOk);

    reg.DenyAccess("HKLM\\SYSTEM\\Locked", 0);
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "SYSTEM\\Locked", plat::kKeyAllAccess), kOk);
}

TEST_F(SimRegistryTest, DeleteKeyRemovesOnlyKeysWithoutSubkeys) {
    reg.CreateKey("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\HID\\Device\\Instance");
    reg.CreateKey("HKLM\\SYSTEM\\Stubborn");
    reg.RefuseDeletion("HKLM\\SYSTEM\\Stubborn");
    reg.CreateKey("HKCU\\Software\\Mine");
    struct Case {
        int privilege;
        HKey root;
        std::string path;
        Long expected;
        std::string stillThere;  // "" when the key must be gone
    };
    const std::vector<Case> cases = {
        {2, plat::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\HID\\Device", kDenied,
         "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\HID\\Device"},
        {2, plat::kHkeyLocalMachine, "SYSTEM\\Missing", kNotFound, ""},
        {2, plat::kHkeyLocalMachine, "SYSTEM\\Stubborn", kDenied, "HKLM\\SYSTEM\\Stubborn"},
        {1, plat::kHkeyLocalMachine, "system\\currentcontrolset\\enum\\hid\\device\\instance", kDenied,
         "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\HID\\Device\\Instance"},
        {2, plat::kHkeyLocalMachine, "system\\currentcontrolset\\enum\\hid\\device\\instance", kOk, ""},
        {2, plat::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\HID\\Device", kOk, ""},
        {1, plat::kHkeyCurrentUser, "Software\\Mine", kOk, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        pc.facts.privilege = c.privilege;
        EXPECT_EQ(reg.RegDeleteKeyA(c.root, c.path), c.expected);
        if (!c.stillThere.empty()) {
            EXPECT_TRUE(reg.KeyExists(c.stillThere));
        }
    }
    EXPECT_FALSE(reg.KeyExists("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\HID\\Device"));
    EXPECT_FALSE(reg.KeyExists("HKCU\\Software\\Mine"));
    EXPECT_EQ(reg.RegDeleteKeyA(plat::kHkeyLocalMachine, ""), kDenied);  // a hive root
}

TEST_F(SimRegistryTest, HandlesToDeletedKeysFailWithKeyDeleted) {
    reg.SetString("HKCU\\Software\\Gone", "v", "x");
    HKey stale = 0;
    ASSERT_EQ(Open(plat::kHkeyCurrentUser, "Software\\Gone", plat::kKeyAllAccess, &stale), kOk);
    ASSERT_EQ(reg.RegDeleteKeyA(plat::kHkeyCurrentUser, "Software\\Gone"), kOk);
    reg.CreateKey("HKCU\\Software\\Gone");  // a new key of the same name is another key

    std::string name;
    DWord type = 0;
    HKey sub = 0;
    EXPECT_EQ(reg.RegQueryValueExA(stale, "v", &type, nullptr), kDeleted);
    EXPECT_EQ(reg.RegSetValueExA(stale, "v", plat::kRegSz, Text("y")), kDeleted);
    EXPECT_EQ(reg.RegDeleteValueA(stale, "v"), kDeleted);
    EXPECT_EQ(reg.RegEnumKeyExA(stale, 0, &name), kDeleted);
    EXPECT_EQ(reg.RegEnumValueA(stale, 0, &name, &type), kDeleted);
    EXPECT_EQ(reg.RegOpenKeyExA(stale, "", 0, plat::kKeyRead, &sub), kDeleted);
    EXPECT_EQ(reg.RegCreateKeyExA(stale, "Sub", 0, plat::kKeyRead, &sub, nullptr), kDeleted);
    EXPECT_EQ(reg.KeyPath(stale), "HKCU\\Software\\Gone");
    EXPECT_EQ(reg.RegCloseKey(stale), kOk);

    // The test helper's subtree deletion is seen the same way.
    reg.CreateKey("HKCU\\Software\\Tree\\Leaf");
    ASSERT_EQ(Open(plat::kHkeyCurrentUser, "Software\\Tree\\Leaf", plat::kKeyRead, &stale), kOk);
    reg.DeleteTree("HKCU\\Software\\Tree");
    EXPECT_EQ(reg.RegEnumValueA(stale, 0, &name, &type), kDeleted);
    reg.RegCloseKey(stale);
}

TEST_F(SimRegistryTest, SubkeyPathsStartingWithABackslashAreRejected) {
    reg.CreateKey("HKLM\\SYSTEM\\Setup");
    HKey h = 0;
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "\\SYSTEM\\Setup", plat::kKeyRead),
              sim::SimRegistry::kErrorBadPathname);
    EXPECT_EQ(Create(plat::kHkeyLocalMachine, "\\SYSTEM\\New", plat::kKeyRead),
              sim::SimRegistry::kErrorBadPathname);
    EXPECT_EQ(reg.RegDeleteKeyA(plat::kHkeyLocalMachine, "\\SYSTEM\\Setup"),
              sim::SimRegistry::kErrorBadPathname);
    EXPECT_FALSE(reg.KeyExists("HKLM\\SYSTEM\\New"));
    EXPECT_TRUE(reg.KeyExists("HKLM\\SYSTEM\\Setup"));

    // A trailing backslash or a doubled one names the same key.
    ASSERT_EQ(Open(plat::kHkeyLocalMachine, "SYSTEM\\\\Setup\\", plat::kKeyRead, &h), kOk);
    EXPECT_EQ(reg.KeyPath(h), "HKLM\\SYSTEM\\Setup");
    reg.RegCloseKey(h);
}

TEST_F(SimRegistryTest, HandlesMustBeOpenOrPredefined) {
    HKey h = 0;
    ASSERT_EQ(Open(plat::kHkeyCurrentUser, "Software", plat::kKeyRead, &h), kOk);
    EXPECT_EQ(reg.RegCloseKey(h), kOk);
    EXPECT_EQ(reg.RegCloseKey(h), kBadHandle);
    EXPECT_EQ(reg.RegQueryValueExA(h, "", nullptr, nullptr), kBadHandle);
    EXPECT_EQ(Open(0x1234, "Software", plat::kKeyRead), kBadHandle);
    EXPECT_EQ(reg.RegCloseKey(plat::kHkeyLocalMachine), kOk);
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "SOFTWARE", plat::kKeyRead), kOk);  // still usable
    EXPECT_EQ(reg.KeyPath(h), "");
}

TEST_F(SimRegistryTest, ThirtyTwoBitViewOnSixtyFourBitWindows) {
    struct Case {
        bool is64Bit;
        HKey root;
        std::string path;
        DWord sam;
        std::string native;
    };
    const DWord all = plat::kKeyAllAccess;
    const std::vector<Case> cases = {
        {true, plat::kHkeyLocalMachine, "SOFTWARE\\Vendor\\Touch", all,
         "HKLM\\SOFTWARE\\Wow6432Node\\Vendor\\Touch"},
        {true, plat::kHkeyLocalMachine, "Software\\Vendor", all | plat::kKeyWow64_32Key,
         "HKLM\\SOFTWARE\\Wow6432Node\\Vendor"},
        {true, plat::kHkeyLocalMachine, "SOFTWARE\\Vendor", all | plat::kKeyWow64_64Key,
         "HKLM\\SOFTWARE\\Vendor"},
        {true, plat::kHkeyLocalMachine, "SOFTWARE", all, "HKLM\\SOFTWARE\\Wow6432Node"},
        {true, plat::kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\Vendor", all,
         "HKLM\\SOFTWARE\\Wow6432Node\\Vendor"},
        {true, plat::kHkeyLocalMachine, "SOFTWARE\\Classes\\.cal", all, "HKLM\\SOFTWARE\\Classes\\.cal"},
        {true, plat::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", all,
         "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"},
        {true, plat::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", all,
         "HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {true, plat::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\TouchFilter", all,
         "HKLM\\SYSTEM\\CurrentControlSet\\Services\\TouchFilter"},
        {true, plat::kHkeyCurrentUser, "Software\\Vendor", all, "HKCU\\Software\\Vendor"},
        {true, plat::kHkeyClassesRoot, "CLSID", all, "HKLM\\SOFTWARE\\Classes\\CLSID"},
        {false, plat::kHkeyLocalMachine, "SOFTWARE\\Vendor\\Touch", all, "HKLM\\SOFTWARE\\Vendor\\Touch"},
        {false, plat::kHkeyLocalMachine, "SOFTWARE\\Vendor", all | plat::kKeyWow64_32Key,
         "HKLM\\SOFTWARE\\Vendor"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + (c.is64Bit ? " on 64-bit" : " on 32-bit"));
        sim::SimPc machine;
        machine.facts.is64Bit = c.is64Bit;
        HKey h = 0;
        ASSERT_EQ(machine.registry.RegCreateKeyExA(c.root, c.path, 0, c.sam, &h, nullptr), kOk);
        EXPECT_EQ(machine.registry.KeyPath(h), c.native);
        ASSERT_EQ(machine.registry.RegSetValueExA(h, "Seen", plat::kRegDword, {1, 0, 0, 0}), kOk);
        EXPECT_EQ(machine.registry.Dword(c.native, "Seen"), 1u);
        machine.registry.RegCloseKey(h);
    }

    // A handle in the 32-bit view stays in it for relative paths.
    pc.facts.is64Bit = true;
    HKey vendor = 0;
    HKey sub = 0;
    ASSERT_EQ(Create(plat::kHkeyLocalMachine, "SOFTWARE\\Vendor", plat::kKeyAllAccess, &vendor), kOk);
    ASSERT_EQ(reg.RegCreateKeyExA(vendor, "Sub", 0, plat::kKeyAllAccess, &sub, nullptr), kOk);
    EXPECT_EQ(reg.KeyPath(sub), "HKLM\\SOFTWARE\\Wow6432Node\\Vendor\\Sub");
    reg.RegCloseKey(sub);
    reg.RegCloseKey(vendor);
    EXPECT_FALSE(reg.KeyExists("HKLM\\SOFTWARE\\Vendor"));

    // What the 64-bit view holds is not seen by the 32-bit program.
    reg.SetString("HKLM\\SOFTWARE\\Native64", "v", "x");
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "SOFTWARE\\Native64", plat::kKeyRead), kNotFound);
    EXPECT_EQ(Open(plat::kHkeyLocalMachine, "SOFTWARE\\Native64", plat::kKeyRead | plat::kKeyWow64_64Key),
              kOk);
    reg.CreateKey("HKLM\\SOFTWARE\\Wow6432Node\\Only32");
    EXPECT_EQ(reg.RegDeleteKeyA(plat::kHkeyLocalMachine, "SOFTWARE\\Only32"), kOk);
    EXPECT_FALSE(reg.KeyExists("HKLM\\SOFTWARE\\Wow6432Node\\Only32"));
}

TEST_F(SimRegistryTest, InjectedFailuresReturnTheErrorOnceAndLeaveTheLastErrorAlone) {
    reg.SetString("HKCU\\Software\\F\\Sub", "v", "x");
    reg.SetString("HKCU\\Software\\F", "v", "x");
    using Call = std::function<Long(sim::SimRegistry&, HKey)>;
    const std::vector<std::pair<std::string, Call>> calls = {
        {"RegOpenKeyExA",
         [](sim::SimRegistry& r, HKey h) {
             HKey o = 0;
             Long e = r.RegOpenKeyExA(h, "Sub", 0, plat::kKeyRead, &o);
             r.RegCloseKey(o);
             return e;
         }},
        {"RegCreateKeyExA",
         [](sim::SimRegistry& r, HKey h) {
             HKey o = 0;
             Long e = r.RegCreateKeyExA(h, "Sub", 0, plat::kKeyRead, &o, nullptr);
             r.RegCloseKey(o);
             return e;
         }},
        {"RegQueryValueExA",
         [](sim::SimRegistry& r, HKey h) { return r.RegQueryValueExA(h, "v", nullptr, nullptr); }},
        {"RegSetValueExA",
         [](sim::SimRegistry& r, HKey h) { return r.RegSetValueExA(h, "v", plat::kRegSz, Text("x")); }},
        {"RegDeleteValueA",
         [](sim::SimRegistry& r, HKey h) {
             Long e = r.RegDeleteValueA(h, "v");
             r.SetString("HKCU\\Software\\F", "v", "x");
             return e;
         }},
        {"RegDeleteKeyA",
         [](sim::SimRegistry& r, HKey h) {
             Long e = r.RegDeleteKeyA(h, "Sub");
             r.CreateKey("HKCU\\Software\\F\\Sub");
             return e;
         }},
        {"RegEnumKeyExA",
         [](sim::SimRegistry& r, HKey h) {
             std::string n;
             return r.RegEnumKeyExA(h, 0, &n);
         }},
        {"RegEnumValueA",
         [](sim::SimRegistry& r, HKey h) {
             std::string n;
             DWord t = 0;
             return r.RegEnumValueA(h, 0, &n, &t);
         }},
    };
    HKey h = 0;
    ASSERT_EQ(Open(plat::kHkeyCurrentUser, "Software\\F", plat::kKeyAllAccess, &h), kOk);
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        pc.SetLastError(0);
        pc.FailCall(name, 1234);
        EXPECT_EQ(call(reg, h), 1234);
        EXPECT_EQ(pc.GetLastError(), 0u);
        EXPECT_EQ(call(reg, h), kOk);
    }
    pc.FailCall("RegCloseKey", 1234);
    EXPECT_EQ(reg.RegCloseKey(h), 1234);
    EXPECT_EQ(reg.RegCloseKey(h), kOk);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

// --- .reg export and import ----------------------------------------------------

class TempFolder {
public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("simpc-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                 std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

// Everything the registry holds below a path, in enumeration order.
void Dump(const sim::SimRegistry& reg, const std::string& path, std::ostringstream& out) {
    out << "[" << path << "]\n";
    for (const auto& name : reg.ValueNames(path)) {
        auto value = reg.Value(path, name);
        out << "  " << name << " type " << value->type << ":";
        for (auto b : value->data) out << " " << static_cast<int>(b);
        out << "\n";
    }
    for (const auto& sub : reg.SubkeyNames(path)) Dump(reg, path + "\\" + sub, out);
}

std::string DumpAll(const sim::SimRegistry& reg) {
    std::ostringstream out;
    for (const char* root : {"HKLM", "HKCU", "HKU"}) Dump(reg, root, out);
    return out.str();
}

TEST_F(SimRegistryTest, SaveAndLoadKeepEveryKeyValueAndFlag) {
    const std::string key = "HKLM\\SOFTWARE\\Wow6432Node\\Vendor\\Touch";
    reg.SetString(key, "", "default");
    reg.SetString(key, "Path", "C:\\Program Files\\Touch \"quoted\"");
    reg.SetString(key, "Name with = and \"quotes\" and \\", "x");
    reg.SetString(key, "Latin1", "Caf\xe9 \xff");
    reg.SetValue(key, "NoNul", plat::kRegSz, Text("raw", false));
    reg.SetValue(key, "TwoLines", plat::kRegSz, Text("a\r\nb"));
    reg.SetString(key, "Expand", "%SystemRoot%\\System32\\drivers\\touch.sys", plat::kRegExpandSz);
    reg.SetMultiString(key, "Multi", {"one", "two", "three"});
    reg.SetDword(key, "Number", 0xdeadbeef);
    reg.SetValue(key, "ShortDword", plat::kRegDword, {1, 2, 3});
    reg.SetBinary(key, "Blob", Bytes(100, 0xab));
    reg.SetBinary(key, "EmptyBlob", {});
    reg.SetValue(key, "Qword", 11, {1, 2, 3, 4, 5, 6, 7, 8});
    reg.SetValue(key, "None", plat::kRegNone, {});
    reg.CreateKey("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0000&PID_0001\\Empty");
    reg.DenyAccess("HKLM\\SYSTEM\\Denied", plat::kKeySetValue);
    reg.RefuseDeletion("HKLM\\SYSTEM\\Stubborn");
    reg.SetDword("HKCU\\Control Panel\\Mouse", "DoubleClickSpeed", 500);
    reg.SetString("HKU\\.DEFAULT\\Software", "v", "x");
    reg.SetString("HKLM", "RootValue", "at the root");

    TempFolder temp;
    const std::string file = temp.File("registry.reg");
    reg.Save(file);
    std::string text = ReadAll(file);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);
    for (const char* line :
         {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Vendor\\Touch]\r\n", "@=\"default\"\r\n",
          "\"Path\"=\"C:\\\\Program Files\\\\Touch \\\"quoted\\\"\"\r\n", "\"Number\"=dword:deadbeef\r\n",
          "\"Expand\"=hex(2):25,00,53,00", "\"Blob\"=hex:ab,ab", "\"EmptyBlob\"=hex:\r\n",
          "\"Qword\"=hex(b):01,02", "\"Latin1\"=\"Caf\xc3\xa9 \xc3\xbf\"",
          "[HKEY_CURRENT_USER\\Control Panel\\Mouse]\r\n", "[HKEY_USERS\\.DEFAULT\\Software]",
          "\r\n[HKEY_LOCAL_MACHINE]\r\n\"RootValue\"=", "; sim: refuses-deletion\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    sim::SimPc other;
    other.registry.Load(file);
    EXPECT_EQ(DumpAll(other.registry), DumpAll(reg));
    other.facts.privilege = 2;
    HKey h = 0;
    EXPECT_EQ(
        other.registry.RegOpenKeyExA(plat::kHkeyLocalMachine, "SYSTEM\\Denied", 0, plat::kKeyAllAccess, &h),
        kDenied);
    EXPECT_EQ(other.registry.RegDeleteKeyA(plat::kHkeyLocalMachine, "SYSTEM\\Stubborn"), kDenied);

    // Saving what was loaded gives the same file.
    other.registry.Save(temp.File("again.reg"));
    EXPECT_EQ(ReadAll(temp.File("again.reg")), text);
}

TEST_F(SimRegistryTest, LoadReadsExportsOfOtherEditors) {
    TempFolder temp;
    reg.SetString("HKCU\\Software\\Old", "v", "gone after load");

    // A Unicode export: UTF-16LE with a byte-order mark, continued hex lines,
    // deletions of keys and values.
    std::string unicode =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
        "\"Expand\"=hex(2):25,00,57,00,49,00,4e,00,\\\r\n  44,00,49,00,52,00,25,00,00,00\r\n"
        "\"Gone\"=\"x\"\r\n"
        "\"Gone\"=-\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Doomed]\r\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Doomed]\r\n"
        "[HKEY_CLASSES_ROOT\\.cal]\r\n"
        "@=\"calfile\"\r\n";
    std::string wide = "\xff\xfe";
    for (char c : unicode) {
        wide += c;
        wide += '\0';
    }
    WriteAll(temp.File("unicode.reg"), wide);
    reg.Load(temp.File("unicode.reg"));
    EXPECT_EQ(reg.String("HKLM\\SOFTWARE\\Vendor", "Expand"), "%WINDIR%");
    EXPECT_EQ(reg.Value("HKLM\\SOFTWARE\\Vendor", "Expand")->type, plat::kRegExpandSz);
    EXPECT_EQ(reg.ValueNames("HKLM\\SOFTWARE\\Vendor"), std::vector<std::string>{"Expand"});
    EXPECT_FALSE(reg.KeyExists("HKLM\\SOFTWARE\\Vendor\\Doomed"));
    EXPECT_EQ(reg.String("HKCR\\.cal", ""), "calfile");
    EXPECT_FALSE(reg.KeyExists("HKCU\\Software\\Old"));

    // The older ANSI format keeps string bytes as they are.
    WriteAll(temp.File("ansi.reg"),
             "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\A]\n\"E\"=hex(2):41,42,00\n\"S\"=\"caf\xe9\"\n");
    reg.Load(temp.File("ansi.reg"));
    EXPECT_EQ(reg.Value("HKCU\\Software\\A", "E")->data, (Bytes{'A', 'B', 0}));
    EXPECT_EQ(reg.String("HKCU\\Software\\A", "S"), "caf\xe9");

    WriteAll(temp.File("bad.reg"), "not a registry file\n");
    EXPECT_THROW(reg.Load(temp.File("bad.reg")), std::runtime_error);
    WriteAll(temp.File("bad2.reg"), "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=dword:xyz\n");
    EXPECT_THROW(reg.Load(temp.File("bad2.reg")), std::runtime_error);
}

TEST_F(SimRegistryTest, LoadClosesOpenHandles) {
    TempFolder temp;
    reg.Save(temp.File("empty.reg"));
    HKey h = 0;
    ASSERT_EQ(Open(plat::kHkeyCurrentUser, "Software", plat::kKeyRead, &h), kOk);
    reg.Load(temp.File("empty.reg"));
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
    EXPECT_EQ(reg.RegQueryValueExA(h, "", nullptr, nullptr), kBadHandle);
    EXPECT_TRUE(reg.KeyExists("HKLM\\SOFTWARE"));
}

}  // namespace
