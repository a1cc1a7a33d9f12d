#include "platform/sim/inf_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace {

using Strings = std::vector<std::string>;

constexpr const char* kSerialInf = "[Version]\r\nSignature=\"$Windows NT$\"\r\n; serial\r\n";
constexpr const char* kOtherInf = "[Version]\r\nSignature=\"$Windows NT$\"\r\n; other\r\n";

class InfStoreTest : public ::testing::Test {
protected:
    InfStoreTest() {
        pc.files.AddStandardFolders();
        pc.files.AddFile("C:\\Package\\232\\qz232.inf", kSerialInf);
        pc.files.AddFile("C:\\Package\\other.inf", kOtherInf);
    }

    // SetupCopyOEMInfA as the RS-232 file set calls it, with a destination buffer to see the name.
    bool Copy(const std::string& inf, std::string* name = nullptr, plat::DWord style = 0) {
        std::string destination;
        std::string component;
        plat::DWord required = 0;
        bool ok = pc.devices.SetupCopyOEMInfA(inf, "", plat::kSpostPath, style, &destination, 260, &required,
                                              &component) != 0;
        if (name) *name = component;
        if (ok) {
            EXPECT_EQ(destination, "C:\\Windows\\inf\\" + component);
            EXPECT_EQ(required, destination.size() + 1);
        }
        return ok;
    }

    sim::SimPc pc;
};

TEST_F(InfStoreTest, CopiesUnderTheNextFreeNameWithAPnfAndNeverTwice) {
    pc.files.AddFile("C:\\Windows\\inf\\oem0.inf", "taken");
    pc.files.AddFile("C:\\Windows\\inf\\oem2.inf", "taken too");
    std::string name;
    ASSERT_TRUE(Copy("C:\\Package\\232\\qz232.inf", &name));
    EXPECT_EQ(name, "oem1.inf");
    EXPECT_EQ(pc.files.Contents("C:\\Windows\\inf\\oem1.inf"), kSerialInf);
    EXPECT_EQ(pc.files.Contents("C:\\Windows\\inf\\oem1.pnf"),
              "; Precompiled form of oem1.inf (a stand-in of the simulated PC).\r\n[InfStore]\r\n"
              "Name=oem1.inf\r\nOriginalInfName=qz232.inf\r\nSourcePath=C:\\Package\\232\r\n");

    // The same INF again: the stored copy's name, nothing new.
    ASSERT_TRUE(Copy("C:\\Package\\232\\qz232.inf", &name));
    EXPECT_EQ(name, "oem1.inf");
    ASSERT_TRUE(Copy("C:\\Package\\other.inf", &name));
    EXPECT_EQ(name, "oem3.inf");
    EXPECT_EQ(pc.files.List("C:\\Windows\\inf"),
              (Strings{"oem0.inf", "oem1.inf", "oem1.pnf", "oem2.inf", "oem3.inf", "oem3.pnf"}));

    // With SP_COPY_NOOVERWRITE an INF already stored is refused, and named.
    EXPECT_FALSE(Copy("C:\\Package\\232\\qz232.inf", &name, plat::kSpCopyNoOverwrite));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorFileExists);

    sim::InfStore store(pc);
    std::vector<sim::InfStore::Entry> entries = store.List();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].name, "oem1.inf");
    EXPECT_EQ(entries[1].originalName, "qz232.inf");
    EXPECT_EQ(entries[1].sourceFolder, "C:\\Package\\232");
    EXPECT_EQ(store.FindByContents(kOtherInf)->name, "oem3.inf");
    EXPECT_TRUE(store.Remove("OEM1.INF"));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\oem1.pnf"));
    EXPECT_FALSE(store.Remove("oem1.inf"));
    EXPECT_EQ(store.Add("C:\\Package\\x.inf", "new").name, "oem1.inf");  // the freed number is used again
}

TEST_F(InfStoreTest, RefusalsLeaveTheStoreAlone) {
    struct Refusal {
        const char* what;
        std::string inf;
        plat::DWord error;
    };
    pc.files.SetCurrentDirectoryA("C:\\Package");
    for (const Refusal& refusal :
         {Refusal{"a relative path", "232\\qz232.inf", plat::kErrorInvalidParameter},
          Refusal{"a missing INF", "C:\\Package\\none.inf", plat::kErrorFileNotFound},
          Refusal{"a missing folder", "C:\\Nowhere\\x.inf", plat::kErrorPathNotFound}}) {
        EXPECT_FALSE(Copy(refusal.inf)) << refusal.what;
        EXPECT_EQ(pc.GetLastError(), refusal.error) << refusal.what;
    }
    EXPECT_EQ(pc.devices.SetupCopyOEMInfA("C:\\Package\\other.inf", "", 7, 0, nullptr, 0, nullptr, nullptr),
              0);
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidParameter);

    pc.facts.privilege = 1;
    EXPECT_FALSE(Copy("C:\\Package\\other.inf"));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorAccessDenied);
    pc.facts.privilege = 2;

    pc.FailCallOn("SetupCopyOEMInfA", "C:\\Package\\other.inf", 0xE0000203u);
    EXPECT_FALSE(Copy("C:\\Package\\other.inf"));
    EXPECT_EQ(pc.GetLastError(), 0xE0000203u);
    EXPECT_TRUE(sim::InfStore(pc).List().empty());

    // Without a destination buffer, as the RS-232 file set calls it.
    EXPECT_EQ(pc.devices.SetupCopyOEMInfA("C:\\Package\\other.inf", "", plat::kSpostPath, 0, nullptr, 0,
                                          nullptr, nullptr),
              1);
    EXPECT_EQ(sim::InfStore(pc).List().size(), 1u);
}

}  // namespace
