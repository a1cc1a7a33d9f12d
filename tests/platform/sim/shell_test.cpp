#include <gtest/gtest.h>

#include <string>

#include "case_name.h"
#include "platform/sim/machine.h"

namespace {

using plat::ComObject;
using plat::HResult;

class SimShellTest : public ::testing::Test {
protected:
    SimShellTest() { pc.files.AddStandardFolders(); }

    // The folder the shell names for `csidl`, through the calls the program makes.
    std::string Folder(int csidl, HResult* result = nullptr) {
        plat::ItemIdList list = 0;
        HResult answer = shell.SHGetSpecialFolderLocation(0, csidl, &list);
        if (result) *result = answer;
        if (!plat::Succeeded(answer)) return "";
        std::string path;
        EXPECT_TRUE(shell.SHGetPathFromIDListA(list, &path));
        shell.CoTaskMemFree(list);
        return path;
    }

    ComObject NewLink() {
        ComObject link = 0;
        EXPECT_EQ(shell.CoCreateInstance(plat::kClsidShellLink, 0, plat::kClsctxInprocServer,
                                         plat::kIidShellLinkA, &link),
                  plat::kSOk);
        return link;
    }

    sim::SimPc pc;
    sim::SimShell& shell = pc.shell;
};

struct FamilyCase {
    const char* name;
    plat::DWord major;
    plat::DWord minor;
    const char* programs;
    const char* desktop;
    const char* appData;
};

class SpecialFolderTest : public ::testing::TestWithParam<FamilyCase> {};

TEST_P(SpecialFolderTest, CommonFoldersFollowTheWindowsFamily) {
    sim::SimPc pc;
    pc.facts.major = GetParam().major;
    pc.facts.minor = GetParam().minor;
    pc.files.AddStandardFolders();
    auto folder = [&](int csidl) {
        plat::ItemIdList list = 0;
        EXPECT_EQ(pc.shell.SHGetSpecialFolderLocation(0, csidl, &list), plat::kSOk);
        std::string path;
        EXPECT_TRUE(pc.shell.SHGetPathFromIDListA(list, &path));
        pc.shell.CoTaskMemFree(list);
        return path;
    };
    EXPECT_EQ(folder(plat::kCsidlCommonPrograms), GetParam().programs);
    EXPECT_EQ(folder(plat::kCsidlCommonDesktopDirectory), GetParam().desktop);
    EXPECT_EQ(folder(plat::kCsidlCommonAppData), GetParam().appData);
    EXPECT_EQ(pc.shell.OpenItemIdLists(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Families, SpecialFolderTest,
    ::testing::Values(
        FamilyCase{"Windows2000", 5, 0, "C:\\Documents and Settings\\All Users\\Start Menu\\Programs",
                   "C:\\Documents and Settings\\All Users\\Desktop",
                   "C:\\Documents and Settings\\All Users\\Application Data"},
        FamilyCase{"WindowsXpX64", 5, 2, "C:\\Documents and Settings\\All Users\\Start Menu\\Programs",
                   "C:\\Documents and Settings\\All Users\\Desktop",
                   "C:\\Documents and Settings\\All Users\\Application Data"},
        FamilyCase{"Vista", 6, 0, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                   "C:\\Users\\Public\\Desktop", "C:\\ProgramData"},
        FamilyCase{"Windows7", 6, 1, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                   "C:\\Users\\Public\\Desktop", "C:\\ProgramData"}),
    test_support::CaseName());

TEST_F(SimShellTest, SpecialFolderFailures) {
    HResult result = 0;
    EXPECT_EQ(Folder(9999, &result), "");
    EXPECT_EQ(result, plat::kEInvalidArg);

    pc.files.Remove("C:\\Users\\Public\\Desktop");
    EXPECT_EQ(Folder(plat::kCsidlCommonDesktopDirectory, &result), "");
    EXPECT_EQ(result, plat::HResultFromWin32(plat::kErrorFileNotFound));

    shell.folders[plat::kCsidlCommonDesktopDirectory] = "D:\\Shared Desktop";
    pc.files.AddFolder("D:\\Shared Desktop");
    EXPECT_EQ(Folder(plat::kCsidlCommonDesktopDirectory), "D:\\Shared Desktop");

    pc.FailCallOn("SHGetSpecialFolderLocation", "35", plat::kErrorAccessDenied);
    EXPECT_EQ(Folder(plat::kCsidlCommonAppData, &result), "");
    EXPECT_EQ(result, plat::HResultFromWin32(plat::kErrorAccessDenied));
    EXPECT_EQ(Folder(plat::kCsidlCommonAppData), "C:\\ProgramData");  // one failure only

    plat::ItemIdList list = 0;
    ASSERT_EQ(shell.SHGetSpecialFolderLocation(0, plat::kCsidlCommonAppData, &list), plat::kSOk);
    shell.CoTaskMemFree(list);
    EXPECT_THROW(shell.CoTaskMemFree(list), sim::HarnessFailure);
}

TEST_F(SimShellTest, ShellLinkNeedsComAndTheLinkClass) {
    ComObject object = 1;
    EXPECT_EQ(shell.CoCreateInstance(plat::kClsidShellLink, 0, plat::kClsctxInprocServer,
                                     plat::kIidShellLinkA, &object),
              plat::kCoENotInitialized);
    EXPECT_EQ(object, 0u);

    EXPECT_EQ(shell.CoInitialize(), plat::kSOk);
    EXPECT_EQ(shell.CoInitialize(), plat::kSFalse);
    EXPECT_EQ(shell.CoCreateInstance(plat::kIidPersistFile, 0, plat::kClsctxInprocServer, plat::kIidUnknown,
                                     &object),
              plat::kRegdbEClassNotReg);
    EXPECT_EQ(shell.CoCreateInstance(plat::kClsidShellLink, 0, 0x4 /* local server */, plat::kIidShellLinkA,
                                     &object),
              plat::kRegdbEClassNotReg);
    const plat::Guid other{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(shell.CoCreateInstance(plat::kClsidShellLink, 0, plat::kClsctxInprocServer, other, &object),
              plat::kENoInterface);
    EXPECT_EQ(shell.LiveComObjects(), 0u);

    ComObject link = NewLink();
    ComObject file = 0;
    EXPECT_EQ(shell.QueryInterface(link, plat::kIidPersistFile, &file), plat::kSOk);
    EXPECT_EQ(shell.QueryInterface(link, other, &object), plat::kENoInterface);
    EXPECT_EQ(shell.Release(link), 1u);
    EXPECT_EQ(shell.LiveComObjects(), 1u);  // the IPersistFile still holds it
    EXPECT_THROW(shell.ShellLinkSetPath(file, "C:\\x.exe"), sim::HarnessFailure);  // wrong interface
    EXPECT_EQ(shell.Release(file), 0u);
    EXPECT_EQ(shell.LiveComObjects(), 0u);
    EXPECT_THROW(shell.ShellLinkSetPath(link, "C:\\x.exe"), sim::HarnessFailure);  // released
}

TEST_F(SimShellTest, SavedLinkShowsItsPropertiesAndLoadsBack) {
    shell.CoInitialize();
    ComObject link = NewLink();
    // A target that does not exist is kept, with S_FALSE.
    EXPECT_EQ(shell.ShellLinkSetPath(link, "C:\\Program Files\\Brivo\\touchcfg.exe"), plat::kSFalse);
    EXPECT_EQ(shell.ShellLinkSetDescription(link, "Touch panel"), plat::kSOk);
    EXPECT_EQ(shell.ShellLinkSetArguments(link, "/calib"), plat::kSOk);
    EXPECT_EQ(shell.ShellLinkSetIconLocation(link, "C:\\Program Files\\Brivo\\touch.ico", 0), plat::kSOk);
    ComObject file = 0;
    ASSERT_EQ(shell.QueryInterface(link, plat::kIidPersistFile, &file), plat::kSOk);
    const std::string path = "C:\\Users\\Public\\Desktop\\Touch panel.lnk";
    EXPECT_EQ(shell.PersistFileSave(file, u"C:\\Users\\Public\\Desktop\\Touch panel.lnk", 1), plat::kSOk);
    shell.Release(file);
    shell.Release(link);

    EXPECT_EQ(pc.files.Contents(path),
              "; A shell link of the simulated PC.\r\n[ShellLink]\r\n"
              "Target=C:\\Program Files\\Brivo\\touchcfg.exe\r\nArguments=/calib\r\nWorkingDirectory=\r\n"
              "Description=Touch panel\r\nIconLocation=C:\\Program Files\\Brivo\\touch.ico\r\nIconIndex=0\r\n"
              "ShowCommand=1\r\nHotkey=0\r\n");

    // Read back through a second link object, as a program would.
    ComObject reader = NewLink();
    ComObject readerFile = 0;
    shell.QueryInterface(reader, plat::kIidPersistFile, &readerFile);
    ASSERT_EQ(
        shell.PersistFileLoad(readerFile, u"C:\\Users\\Public\\Desktop\\Touch panel.lnk", plat::kStgmRead),
        plat::kSOk);
    std::string text;
    EXPECT_EQ(shell.ShellLinkGetPath(reader, &text, 260, plat::kSlgpRawPath), plat::kSOk);
    EXPECT_EQ(text, "C:\\Program Files\\Brivo\\touchcfg.exe");
    EXPECT_EQ(shell.ShellLinkGetArguments(reader, &text, 5), plat::kSOk);
    EXPECT_EQ(text, "/cal");  // cut to the buffer
    int index = -1;
    EXPECT_EQ(shell.ShellLinkGetIconLocation(reader, &text, 260, &index), plat::kSOk);
    EXPECT_EQ(index, 0);
    int show = 0;
    EXPECT_EQ(shell.ShellLinkGetShowCmd(reader, &show), plat::kSOk);
    EXPECT_EQ(show, 1);
    shell.Release(readerFile);
    shell.Release(reader);
    EXPECT_EQ(shell.LiveComObjects(), 0u);
}

TEST_F(SimShellTest, SaveFailsAsCreatingTheFileWould) {
    shell.CoInitialize();
    ComObject link = NewLink();
    ComObject file = 0;
    shell.QueryInterface(link, plat::kIidPersistFile, &file);
    EXPECT_EQ(shell.PersistFileSave(file, u"C:\\No such folder\\x.lnk", 1),
              plat::HResultFromWin32(plat::kErrorPathNotFound));
    pc.files.AddFile("C:\\Users\\Public\\Desktop\\busy.lnk");
    pc.files.LockFile("C:\\Users\\Public\\Desktop\\busy.lnk");
    EXPECT_EQ(shell.PersistFileSave(file, u"C:\\Users\\Public\\Desktop\\busy.lnk", 1),
              plat::HResultFromWin32(plat::kErrorSharingViolation));
    EXPECT_EQ(shell.PersistFileSave(file, u"C:\\Users\\Public\\Desktop\\bad|name.lnk", 1),
              plat::HResultFromWin32(plat::kErrorInvalidName));
    pc.FailCallOn("PersistFileSave", "C:\\Users\\Public\\Desktop\\x.lnk", plat::kErrorAccessDenied);
    EXPECT_EQ(shell.PersistFileSave(file, u"C:\\Users\\Public\\Desktop\\x.lnk", 1),
              plat::HResultFromWin32(plat::kErrorAccessDenied));
    EXPECT_FALSE(pc.files.Exists("C:\\Users\\Public\\Desktop\\x.lnk"));
    EXPECT_EQ(shell.PersistFileLoad(file, u"C:\\Users\\Public\\Desktop\\busy.lnk", plat::kStgmRead),
              plat::kEFail);
    shell.Release(file);
    shell.Release(link);
}

TEST_F(SimShellTest, TextConversionAndSystemMessages) {
    std::u16string wide;
    // "Ä" and the euro sign of the ANSI code page.
    EXPECT_EQ(pc.system.MultiByteToWideChar(plat::kCpAcp, 0, "C:\\\xC4\x80", &wide, 259), 6);
    EXPECT_EQ(wide, u"C:\\\u00C4\u20AC");
    EXPECT_EQ(pc.system.MultiByteToWideChar(plat::kCpAcp, 0, "abcdef", nullptr, 0), 7);  // the size needed
    EXPECT_EQ(pc.system.MultiByteToWideChar(plat::kCpAcp, 0, "abcdef", &wide, 4), 0);
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInsufficientBuffer);
    EXPECT_EQ(wide, u"abcd");  // what the call wrote, without a NUL

    std::string text;
    EXPECT_EQ(pc.system.FormatMessageA(plat::kFormatMessageFromSystem, 0x80070002u, 0, &text, 1024), 44u);
    EXPECT_EQ(text, "The system cannot find the file specified.\r\n");
    EXPECT_EQ(pc.system.FormatMessageA(plat::kFormatMessageFromSystem, 0x80004005u, 0, &text, 1024), 19u);
    EXPECT_EQ(text, "Unspecified error\r\n");
    EXPECT_EQ(pc.system.FormatMessageA(plat::kFormatMessageFromSystem, 0xDEADu, 0, &text, 1024), 0u);
    EXPECT_EQ(pc.GetLastError(), 317u);  // ERROR_MR_MID_NOT_FOUND
}

}  // namespace
