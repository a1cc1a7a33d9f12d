#include "shell/per_user_cleanup.h"

#include <gmock/gmock.h>

#include "deploy/deploy_fixture.h"

namespace {

using deploy_test::DeployTest;
using Strings = std::vector<std::string>;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kStore = "\\AppData\\Local\\VirtualStore\\Program Files\\Brivo\\touchcfg.ini";

class PerUserCleanupTest : public DeployTest {};

TEST_F(PerUserCleanupTest, DeletesEveryProfilesCopyAndTheSharedSettings) {
    UseWindows(deploy_test::kVistaX86);
    for (const char* profile : {"anna", "Public", "Default"})
        pc.files.AddFile(std::string("C:\\Users\\") + profile + kStore, "", plat::kFileAttributeReadOnly);
    pc.files.AddFile(std::string("C:\\Users\\bob") + kStore);
    pc.files.LockFile(std::string("C:\\Users\\bob") + kStore);
    pc.files.AddFile("C:\\Users\\notes.txt");  // a file directly below the profile root
    pc.files.AddFile("C:\\Users\\anna\\AppData\\Local\\VirtualStore\\Program Files\\Brivo\\other.ini");
    for (const char* name : {"touchcfg.ini", "log.txt", "info.log", "notes.txt"})
        pc.files.AddFile(std::string("C:\\ProgramData\\TOUCH\\calib\\") + name);
    pc.files.AddFile("C:\\ProgramData\\TOUCH\\calib\\deeper\\log.txt");
    pc.files.AddFile("C:\\ProgramData\\TOUCH\\log.txt");

    form.CleanVirtualStore();

    for (const char* profile : {"anna", "Public", "Default"})
        EXPECT_FALSE(pc.files.Exists(std::string("C:\\Users\\") + profile + kStore)) << profile;
    EXPECT_TRUE(pc.files.Exists(std::string("C:\\Users\\bob") + kStore));
    EXPECT_TRUE(
        pc.files.Exists("C:\\Users\\anna\\AppData\\Local\\VirtualStore\\Program Files\\Brivo\\other.ini"));
    EXPECT_EQ(pc.files.List("C:\\ProgramData\\TOUCH\\calib"), (Strings{"deeper", "notes.txt"}));
    EXPECT_TRUE(pc.files.Exists("C:\\ProgramData\\TOUCH\\calib\\deeper\\log.txt"));
    EXPECT_TRUE(pc.files.Exists("C:\\ProgramData\\TOUCH\\log.txt"));
    // A copy in use goes at the restart; so do the missing ones, which the
    // restart then finds gone (the shared folder's files are never marked).
    EXPECT_THAT(pc.files.PendingDeletions(), ElementsAre(std::string("C:\\USERS\\Admin") + kStore,
                                                         std::string("C:\\USERS\\bob") + kStore));
    EXPECT_THAT(trace, ElementsAre("Handling VISTA Virtualization"));
    EXPECT_EQ(setup::StepCode, 1);
}

TEST_F(PerUserCleanupTest, TheProfileRootFollowsTheProgramFilesDrive) {
    UseWindows(deploy_test::kWindows7X64);
    form.ProgramFilesDir = "D:\\Apps";
    pc.files.AddFile("D:\\USERS\\anna\\AppData\\Local\\VirtualStore\\Apps\\Brivo\\touchcfg.ini");
    pc.files.AddFile(std::string("C:\\Users\\anna") + kStore);
    form.CleanVirtualStore();
    EXPECT_FALSE(pc.files.Exists("D:\\USERS\\anna\\AppData\\Local\\VirtualStore\\Apps\\Brivo\\touchcfg.ini"));
    EXPECT_TRUE(pc.files.Exists(std::string("C:\\Users\\anna") + kStore));
}

TEST_F(PerUserCleanupTest, OnXpOnlyTheAllUsersApplicationDataIsCleaned) {
    UseWindows(deploy_test::kWindowsXp);
    const std::string touch = "C:\\Documents and Settings\\All Users\\Application Data\\TOUCH\\calib\\";
    pc.files.AddFile(touch + "info.log");
    form.CleanVirtualStore();
    EXPECT_FALSE(pc.files.Exists(touch + "info.log"));
    EXPECT_THAT(pc.files.PendingDeletions(), IsEmpty());
}

TEST_F(PerUserCleanupTest, ProgramFilesWithoutADrivePartTouchesNoProfile) {
    UseWindows(deploy_test::kVistaX86);
    pc.files.AddFile(std::string("C:\\Users\\anna") + kStore);
    pc.files.AddFile("C:\\ProgramData\\TOUCH\\calib\\log.txt");
    for (const char* programFiles : {"Program Files", "\\Program Files"}) {
        form.ProgramFilesDir = programFiles;
        form.CleanVirtualStore();
        EXPECT_TRUE(pc.files.Exists(std::string("C:\\Users\\anna") + kStore)) << programFiles;
    }
    EXPECT_THAT(pc.files.PendingDeletions(), IsEmpty());
    EXPECT_FALSE(pc.files.Exists("C:\\ProgramData\\TOUCH\\calib\\log.txt"));  // the shared step still runs
}

TEST_F(PerUserCleanupTest, AnUnresolvableSharedFolderTouchesNothingElsewhere) {
    UseWindows(deploy_test::kVistaX86);
    // Without the folder, "\TOUCH\" would name the current drive's root.
    pc.files.AddFile("C:\\TOUCH\\calib\\log.txt");
    pc.files.AddFile("C:\\Package\\TOUCH\\calib\\log.txt");
    pc.FailCallOn("SHGetSpecialFolderLocation", "35", static_cast<plat::DWord>(plat::kEFail), 2);
    EXPECT_EQ(setup::GetCommonAppDataPath(), "");
    form.CleanVirtualStore();
    EXPECT_TRUE(pc.files.Exists("C:\\TOUCH\\calib\\log.txt"));
    EXPECT_TRUE(pc.files.Exists("C:\\Package\\TOUCH\\calib\\log.txt"));
    EXPECT_EQ(setup::GetCommonAppDataPath(), "C:\\ProgramData");
    EXPECT_EQ(pc.shell.OpenItemIdLists(), 0u);
}

}  // namespace
