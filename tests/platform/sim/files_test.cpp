#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace {

using plat::Bool;
using plat::DWord;
using plat::Handle;
using Strings = std::vector<std::string>;

constexpr DWord kReadOnly = plat::kFileAttributeReadOnly;
constexpr DWord kHidden = plat::kFileAttributeHidden;
constexpr DWord kSystem = plat::kFileAttributeSystem;
constexpr DWord kArchive = plat::kFileAttributeArchive;
constexpr DWord kNormal = plat::kFileAttributeNormal;
constexpr DWord kDirectory = plat::kFileAttributeDirectory;

class SimFilesTest : public ::testing::Test {
protected:
    // The names a search returns, in order; the last error when it finds nothing.
    Strings Search(const std::string& pattern, DWord* error = nullptr) {
        Strings names;
        plat::FindData data;
        Handle h = files.FindFirstFileA(pattern, &data);
        if (h == plat::kInvalidHandle) {
            if (error) *error = pc.GetLastError();
            return names;
        }
        do names.push_back(data.name);
        while (files.FindNextFileA(h, &data));
        EXPECT_EQ(pc.GetLastError(), plat::kErrorNoMoreFiles);
        EXPECT_TRUE(files.FindClose(h));
        return names;
    }

    sim::SimPc pc;
    sim::SimFiles& files = pc.files;
};

TEST_F(SimFilesTest, PathsAreMadeFullAsWindowsDoes) {
    files.AddFolder("C:\\Temp");
    ASSERT_TRUE(files.SetCurrentDirectoryA("C:\\Temp"));
    pc.files.SetRedirection(false);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a.txt", "C:\\Temp\\a.txt"},
        {".\\a.txt", "C:\\Temp\\a.txt"},
        {"..\\a.txt", "C:\\a.txt"},
        {"..\\..\\..\\a.txt", "C:\\a.txt"},
        {"\\a.txt", "C:\\a.txt"},
        {"C:a.txt", "C:\\Temp\\a.txt"},
        {"D:a.txt", "D:\\a.txt"},
        {"C:/Windows/System32/x.dll", "C:\\Windows\\System32\\x.dll"},
        {"C:\\a\\.\\b\\..\\c.", "C:\\a\\c"},
        {"C:\\a\\\\b\\", "C:\\a\\b"},
        {"C:\\name. . ", "C:\\name"},
        {"C:\\", "C:\\"},
        {"C:", "C:\\Temp"},
        {"\\\\?\\C:\\long\\path", "C:\\long\\path"},
        {"C:\\a<b", ""},
        {"C:\\a*b", ""},
        {"C:\\a:b", ""},
        {"\\\\server\\share\\x", ""},
        {"", ""},
    };
    for (const auto& [path, full] : cases) EXPECT_EQ(files.Resolve(path), full) << path;

    const std::vector<std::pair<std::string, DWord>> errors = {
        {"C:\\a|b", sim::SimFiles::kErrorInvalidName},
        {"\\\\server\\share\\x", sim::SimFiles::kErrorBadNetpath},
        {"", plat::kErrorPathNotFound},
        {"Q:\\x", plat::kErrorPathNotFound},
    };
    for (const auto& [path, error] : errors) {
        EXPECT_EQ(files.GetFileAttributesA(path), plat::kInvalidFileAttributes) << path;
        EXPECT_EQ(pc.GetLastError(), error) << path;
    }
}

TEST_F(SimFilesTest, NamesCompareWithoutCaseAndKeepTheirSpelling) {
    files.AddFile("C:\\Program Files\\Touch\\Setup.INI", "[Setup]");
    EXPECT_EQ(files.GetFileAttributesA("c:\\PROGRAM FILES\\touch\\setup.ini"), kArchive);
    std::string contents;
    ASSERT_TRUE(files.ReadWholeFile("C:/program files/TOUCH/SETUP.ini", &contents));
    EXPECT_EQ(contents, "[Setup]");
    ASSERT_TRUE(files.WriteWholeFile("c:\\program files\\touch\\setup.ini", "new"));
    EXPECT_EQ(Search("C:\\Program Files\\Touch\\*"), (Strings{".", "..", "Setup.INI"}));
    ASSERT_TRUE(files.CreateDirectoryA("c:\\program files\\touch\\Sub"));
    EXPECT_EQ(files.AllPaths(),
              (Strings{"C:\\", "C:\\Program Files\\", "C:\\Program Files\\Touch\\",
                       "C:\\Program Files\\Touch\\Setup.INI", "C:\\Program Files\\Touch\\Sub\\"}));
    EXPECT_FALSE(files.CreateDirectoryA("C:\\PROGRAM FILES"));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorAlreadyExists);
}

TEST_F(SimFilesTest, AttributesAreReportedAndSetAsWindowsDoes) {
    files.AddFile("C:\\f.txt", "", kReadOnly | kHidden);
    files.AddFolder("C:\\Dir");
    EXPECT_EQ(files.GetFileAttributesA("C:\\f.txt"), kReadOnly | kHidden);
    EXPECT_EQ(files.GetFileAttributesA("C:\\Dir"), kDirectory);
    EXPECT_EQ(files.GetFileAttributesA("C:\\"), kDirectory);

    struct Case {
        DWord set;
        DWord reported;
    };
    const std::vector<Case> cases = {
        {kNormal, kNormal},  // NORMAL alone clears everything
        {kReadOnly | kNormal, kReadOnly},
        {kArchive | kSystem, kArchive | kSystem},
        {kDirectory | kHidden, kHidden},  // the directory bit cannot be set
        {0, kNormal},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(files.SetFileAttributesA("C:\\f.txt", c.set));
        EXPECT_EQ(files.GetFileAttributesA("C:\\f.txt"), c.reported) << c.set;
    }
    ASSERT_TRUE(files.SetFileAttributesA("C:\\Dir", kReadOnly));
    EXPECT_EQ(files.GetFileAttributesA("C:\\Dir"), kDirectory | kReadOnly);

    const std::vector<std::pair<std::string, DWord>> missing = {
        {"C:\\nothing.txt", plat::kErrorFileNotFound},
        {"C:\\NoFolder\\nothing.txt", plat::kErrorPathNotFound},
        {"C:\\f.txt\\below", plat::kErrorPathNotFound},
    };
    for (const auto& [path, error] : missing) {
        SCOPED_TRACE(path);
        EXPECT_EQ(files.GetFileAttributesA(path), plat::kInvalidFileAttributes);
        EXPECT_EQ(pc.GetLastError(), error);
        EXPECT_FALSE(files.SetFileAttributesA(path, kNormal));
        EXPECT_EQ(pc.GetLastError(), error);
    }
}

TEST_F(SimFilesTest, DeleteFileRefusesReadOnlyFilesInUseAndFolders) {
    struct Case {
        std::string name;
        std::function<void(sim::SimFiles&)> arrange;
        std::string path;
        DWord error;  // 0: deleted
    };
    const std::vector<Case> cases = {
        {"plain", [](sim::SimFiles& f) { f.AddFile("C:\\D\\x.dll"); }, "C:\\D\\x.dll", 0},
        {"read-only", [](sim::SimFiles& f) { f.AddFile("C:\\D\\x.dll", "", kReadOnly); }, "C:\\D\\x.dll",
         plat::kErrorAccessDenied},
        {"hidden and system", [](sim::SimFiles& f) { f.AddFile("C:\\D\\x.dll", "", kHidden | kSystem); },
         "C:\\D\\x.dll", 0},
        {"in use",
         [](sim::SimFiles& f) {
             f.AddFile("C:\\D\\x.dll");
             f.LockFile("C:\\D\\x.dll");
         },
         "C:\\D\\x.dll", plat::kErrorSharingViolation},
        {"missing", [](sim::SimFiles& f) { f.AddFolder("C:\\D"); }, "C:\\D\\x.dll", plat::kErrorFileNotFound},
        {"folder missing", [](sim::SimFiles&) {}, "C:\\D\\x.dll", plat::kErrorPathNotFound},
        {"a folder", [](sim::SimFiles& f) { f.AddFolder("C:\\D\\x.dll"); }, "C:\\D\\x.dll",
         plat::kErrorAccessDenied},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimPc machine;
        c.arrange(machine.files);
        bool existed = machine.files.Exists(c.path);
        Bool ok = machine.files.DeleteFileA(c.path);
        EXPECT_EQ(ok != 0, c.error == 0);
        if (c.error) {
            EXPECT_EQ(machine.GetLastError(), c.error);
        }
        EXPECT_EQ(machine.files.Exists(c.path), existed && c.error != 0);
    }
}

TEST_F(SimFilesTest, CopyFileFollowsTheOverwriteRules) {
    struct Case {
        std::string name;
        std::function<void(sim::SimFiles&)> arrange;
        std::string from;
        std::string to;
        Bool failIfExists;
        DWord error;  // 0: copied
    };
    auto source = [](sim::SimFiles& f) {
        f.AddFile("C:\\Src\\touch.sys", "driver");
        f.AddFolder("C:\\Dst");
    };
    auto with = [source](std::function<void(sim::SimFiles&)> more) {
        return [source, more](sim::SimFiles& f) {
            source(f);
            more(f);
        };
    };
    const std::string from = "C:\\Src\\touch.sys";
    const std::string to = "C:\\Dst\\touch.sys";
    const std::vector<Case> cases = {
        {"new file", source, from, to, 1, 0},
        {"over a file", with([&](sim::SimFiles& f) { f.AddFile(to, "old"); }), from, to, 0, 0},
        {"over a file, failing if it exists", with([&](sim::SimFiles& f) { f.AddFile(to, "old"); }), from, to,
         1, plat::kErrorFileExists},
        {"over a read-only file", with([&](sim::SimFiles& f) { f.AddFile(to, "old", kReadOnly); }), from, to,
         0, plat::kErrorAccessDenied},
        {"over a hidden file", with([&](sim::SimFiles& f) { f.AddFile(to, "old", kHidden); }), from, to, 0,
         plat::kErrorAccessDenied},
        {"over a file in use", with([&](sim::SimFiles& f) {
             f.AddFile(to, "old");
             f.LockFile(to);
         }),
         from, to, 0, plat::kErrorSharingViolation},
        {"over a folder", with([&](sim::SimFiles& f) { f.AddFolder(to); }), from, to, 0,
         plat::kErrorAccessDenied},
        {"from a file in use", with([&](sim::SimFiles& f) { f.LockFile(from); }), from, to, 1, 0},
        {"from a file locked against reading", with([&](sim::SimFiles& f) { f.LockFile(from, false); }), from,
         to, 1, plat::kErrorSharingViolation},
        {"onto itself", source, from, "c:\\src\\TOUCH.SYS", 0, plat::kErrorSharingViolation},
        {"missing source", source, "C:\\Src\\none.sys", to, 0, plat::kErrorFileNotFound},
        {"missing source folder", source, "C:\\None\\touch.sys", to, 0, plat::kErrorPathNotFound},
        {"missing target folder", source, from, "C:\\None\\touch.sys", 0, plat::kErrorPathNotFound},
        {"a folder as source", source, "C:\\Src", "C:\\Dst\\Src", 0, plat::kErrorAccessDenied},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimPc machine;
        c.arrange(machine.files);
        std::string before = machine.files.Contents(c.to);
        Bool ok = machine.files.CopyFileA(c.from, c.to, c.failIfExists);
        EXPECT_EQ(ok != 0, c.error == 0);
        if (c.error) {
            EXPECT_EQ(machine.GetLastError(), c.error);
            EXPECT_EQ(machine.files.Contents(c.to), before);
        } else {
            EXPECT_EQ(machine.files.Contents(c.to), "driver");
            EXPECT_EQ(machine.files.Contents(c.from), "driver");
        }
    }

    // The copy takes the source's attributes, with the archive bit.
    files.AddFile("C:\\a.cpl", "applet", kReadOnly | kHidden);
    ASSERT_TRUE(files.CopyFileA("C:\\a.cpl", "C:\\b.cpl", 1));
    EXPECT_EQ(files.GetFileAttributesA("C:\\b.cpl"), kReadOnly | kHidden | kArchive);
    files.AddFile("C:\\c.cpl", "old", kHidden);
    EXPECT_TRUE(files.CopyFileA("C:\\a.cpl", "C:\\c.cpl", 0));  // the source is hidden as well
}

TEST_F(SimFilesTest, MoveFileRenamesMovesAndReplaces) {
    struct Case {
        std::string name;
        std::function<void(sim::SimFiles&)> arrange;
        std::string from;
        std::string to;
        DWord flags;
        DWord error;  // 0: moved
    };
    auto base = [](sim::SimFiles& f) {
        f.AddFile("C:\\A\\x.txt", "x", kReadOnly);
        f.AddFolder("C:\\B");
        f.AddFolder("D:\\");
    };
    auto with = [base](std::function<void(sim::SimFiles&)> more) {
        return [base, more](sim::SimFiles& f) {
            base(f);
            more(f);
        };
    };
    const DWord replace = plat::kMoveFileReplaceExisting;
    const DWord copyAllowed = sim::SimFiles::kMoveFileCopyAllowed;
    const std::vector<Case> cases = {
        {"rename (read-only files can be renamed)", base, "C:\\A\\x.txt", "C:\\A\\y.txt", 0, 0},
        {"to another folder", base, "C:\\A\\x.txt", "C:\\B\\x.txt", 0, 0},
        {"onto a file", with([](sim::SimFiles& f) { f.AddFile("C:\\B\\x.txt", "old"); }), "C:\\A\\x.txt",
         "C:\\B\\x.txt", 0, plat::kErrorAlreadyExists},
        {"onto a file, replacing", with([](sim::SimFiles& f) { f.AddFile("C:\\B\\x.txt", "old"); }),
         "C:\\A\\x.txt", "C:\\B\\x.txt", replace, 0},
        {"onto a read-only file", with([](sim::SimFiles& f) { f.AddFile("C:\\B\\x.txt", "old", kReadOnly); }),
         "C:\\A\\x.txt", "C:\\B\\x.txt", replace, plat::kErrorAccessDenied},
        {"in use", with([](sim::SimFiles& f) { f.LockFile("C:\\A\\x.txt"); }), "C:\\A\\x.txt", "C:\\B\\x.txt",
         0, plat::kErrorSharingViolation},
        {"to another drive", base, "C:\\A\\x.txt", "D:\\x.txt", 0, sim::SimFiles::kErrorNotSameDevice},
        {"to another drive, copy allowed", base, "C:\\A\\x.txt", "D:\\x.txt", copyAllowed, 0},
        {"missing", base, "C:\\A\\none.txt", "C:\\B\\none.txt", 0, plat::kErrorFileNotFound},
        {"into a missing folder", base, "C:\\A\\x.txt", "C:\\None\\x.txt", 0, plat::kErrorPathNotFound},
        {"without a new name", base, "C:\\A\\x.txt", "", 0, plat::kErrorInvalidParameter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimPc machine;
        c.arrange(machine.files);
        Bool ok = machine.files.MoveFileExA(c.from, c.to, c.flags);
        EXPECT_EQ(ok != 0, c.error == 0);
        if (c.error) {
            EXPECT_EQ(machine.GetLastError(), c.error);
            EXPECT_EQ(machine.files.Exists(c.from), c.error != plat::kErrorFileNotFound);
        } else {
            EXPECT_FALSE(machine.files.Exists(c.from));
            EXPECT_EQ(machine.files.Contents(c.to), "x");
            EXPECT_EQ(machine.files.GetFileAttributesA(c.to), kReadOnly);
        }
    }

    // A folder moves with everything in it; a change of case only renames.
    files.AddFile("C:\\Old\\Sub\\f.txt", "f");
    ASSERT_TRUE(files.MoveFileExA("C:\\Old", "C:\\New", 0));
    EXPECT_EQ(files.AllPaths(), (Strings{"C:\\", "C:\\New\\", "C:\\New\\Sub\\", "C:\\New\\Sub\\f.txt"}));
    ASSERT_TRUE(files.MoveFileExA("C:\\new\\sub\\f.txt", "C:\\New\\Sub\\F.TXT", 0));
    EXPECT_EQ(files.List("C:\\New\\Sub"), Strings{"F.TXT"});
    EXPECT_FALSE(files.MoveFileExA("C:\\New", "C:\\New\\Sub\\Inside", 0));
}

TEST_F(SimFilesTest, DeletionAtRestartNeedsAnAdministratorAndIsRecorded) {
    pc.facts.is64Bit = true;
    files.AddFile("C:\\Windows\\System32\\touch.cpl", "native");
    files.LockFile("C:\\Windows\\System32\\touch.cpl");
    files.SetRedirection(false);

    pc.facts.privilege = 1;
    EXPECT_FALSE(files.MoveFileExA("C:\\Windows\\System32\\touch.cpl", "", plat::kMoveFileDelayUntilReboot));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorAccessDenied);
    EXPECT_TRUE(files.PendingOperations().empty());

    pc.facts.privilege = 2;
    ASSERT_TRUE(files.MoveFileExA("C:\\Windows\\System32\\touch.cpl", "", plat::kMoveFileDelayUntilReboot));
    files.SetRedirection(true);
    ASSERT_TRUE(files.MoveFileExA("C:\\Windows\\System32\\old.cpl", "C:\\Windows\\System32\\new.cpl",
                                  plat::kMoveFileDelayUntilReboot));
    EXPECT_FALSE(files.MoveFileExA("C:\\x", "",
                                   plat::kMoveFileDelayUntilReboot | sim::SimFiles::kMoveFileCopyAllowed));

    using Op = sim::SimFiles::PendingOperation;
    EXPECT_EQ(files.PendingOperations(),
              (std::vector<Op>{{"C:\\Windows\\System32\\touch.cpl", ""},
                               {"C:\\Windows\\SysWOW64\\old.cpl", "C:\\Windows\\SysWOW64\\new.cpl"}}));
    EXPECT_EQ(files.PendingDeletions(), Strings{"C:\\Windows\\System32\\touch.cpl"});
    EXPECT_TRUE(files.Exists("C:\\Windows\\System32\\touch.cpl"));  // until the restart

    const std::string key = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    auto value = pc.registry.Value(key, "PendingFileRenameOperations");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, plat::kRegMultiSz);
    std::string expected = "\\??\\C:\\Windows\\System32\\touch.cpl";
    expected += '\0';
    expected += '\0';
    expected += "\\??\\C:\\Windows\\SysWOW64\\old.cpl";
    expected += '\0';
    expected += "\\??\\C:\\Windows\\SysWOW64\\new.cpl";
    expected += '\0';
    expected += '\0';  // the end of the list
    EXPECT_EQ(std::string(value->data.begin(), value->data.end()), expected);

    files.ApplyPendingOperations();
    EXPECT_FALSE(files.Exists("C:\\Windows\\System32\\touch.cpl"));
    EXPECT_TRUE(files.PendingOperations().empty());
    EXPECT_FALSE(pc.registry.Value(key, "PendingFileRenameOperations"));
}

TEST_F(SimFilesTest, FoldersAreCreatedInExistingParentsAndRemovedOnlyWhenEmpty) {
    files.AddFile("C:\\Full\\f.txt");
    files.AddFolder("C:\\Empty");
    files.AddFolder("C:\\ReadOnly");
    files.SetAttributes("C:\\ReadOnly", kReadOnly);
    files.AddFolder("C:\\Current");
    ASSERT_TRUE(files.SetCurrentDirectoryA("C:\\Current"));
    struct Case {
        std::string call;
        std::string path;
        DWord error;
    };
    const std::vector<Case> cases = {
        {"create", "C:\\New", 0},
        {"create", "C:\\Empty", plat::kErrorAlreadyExists},
        {"create", "C:\\Full\\f.txt", plat::kErrorAlreadyExists},
        {"create", "C:\\Missing\\New", plat::kErrorPathNotFound},
        {"create", "Relative", 0},
        {"remove", "C:\\Full", plat::kErrorDirNotEmpty},
        {"remove", "C:\\Missing", plat::kErrorFileNotFound},
        {"remove", "C:\\Missing\\Deeper", plat::kErrorPathNotFound},
        {"remove", "C:\\Full\\f.txt", sim::SimFiles::kErrorDirectory},
        {"remove", "C:\\ReadOnly", plat::kErrorAccessDenied},
        {"remove", "C:\\Current", plat::kErrorSharingViolation},
        {"remove", "C:\\", plat::kErrorAccessDenied},
        {"remove", "C:\\Empty", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call + " " + c.path);
        Bool ok = c.call == "create" ? files.CreateDirectoryA(c.path) : files.RemoveDirectoryA(c.path);
        EXPECT_EQ(ok != 0, c.error == 0);
        if (c.error) {
            EXPECT_EQ(pc.GetLastError(), c.error);
        }
    }
    EXPECT_TRUE(files.IsFolder("C:\\New"));
    EXPECT_TRUE(files.IsFolder("C:\\Current\\Relative"));
    EXPECT_FALSE(files.Exists("C:\\Empty"));
    EXPECT_TRUE(files.Exists("C:\\Full\\f.txt"));
}

TEST_F(SimFilesTest, CurrentFolderIsKeptAsNamedAndUsedForRelativePaths) {
    std::string current;
    EXPECT_EQ(files.GetCurrentDirectoryA(&current), 3u);
    EXPECT_EQ(current, "C:\\");

    files.AddFile("C:\\Setup\\Package\\setup.ini", "ini");
    ASSERT_TRUE(files.SetCurrentDirectoryA("c:\\setup\\package\\"));
    EXPECT_EQ(files.GetCurrentDirectoryA(&current), 16u);
    EXPECT_EQ(current, "c:\\setup\\package");
    std::string contents;
    ASSERT_TRUE(files.ReadWholeFile("setup.ini", &contents));
    EXPECT_EQ(contents, "ini");
    ASSERT_TRUE(files.SetCurrentDirectoryA(".."));
    files.GetCurrentDirectoryA(&current);
    EXPECT_EQ(current, "c:\\setup");

    const std::vector<std::pair<std::string, DWord>> failures = {
        {"C:\\Setup\\None", plat::kErrorFileNotFound},
        {"C:\\None\\None", plat::kErrorPathNotFound},
        {"C:\\Setup\\Package\\setup.ini", sim::SimFiles::kErrorDirectory},
    };
    for (const auto& [path, error] : failures) {
        EXPECT_FALSE(files.SetCurrentDirectoryA(path)) << path;
        EXPECT_EQ(pc.GetLastError(), error) << path;
    }
    files.GetCurrentDirectoryA(&current);
    EXPECT_EQ(current, "c:\\setup");
}

TEST_F(SimFilesTest, SearchFollowsTheDosWildcardRules) {
    for (const char* name :
         {"a.txt", "b.TXT", "README", "setup.exe", "setup.ex", "x.y.txt", "abc", "oem12.inf"})
        files.AddFile(std::string("C:\\Dir\\") + name, "12345");
    files.AddFolder("C:\\Dir\\Sub");
    const std::vector<std::pair<std::string, Strings>> cases = {
        {"*",
         {".", "..", "a.txt", "abc", "b.TXT", "oem12.inf", "README", "setup.ex", "setup.exe", "Sub",
          "x.y.txt"}},
        {"*.*",
         {".", "..", "a.txt", "abc", "b.TXT", "oem12.inf", "README", "setup.ex", "setup.exe", "Sub",
          "x.y.txt"}},
        {"*.txt", {"a.txt", "b.TXT", "x.y.txt"}},
        {"*.TXT", {"a.txt", "b.TXT", "x.y.txt"}},
        {"*.", {".", "..", "abc", "README", "Sub"}},
        {"*.t", {}},
        {"setup.e?e", {"setup.exe"}},
        {"setup.ex?", {"setup.ex", "setup.exe"}},
        {"?bc", {"abc"}},
        {"??c", {"abc"}},
        {"a*", {"a.txt", "abc"}},
        {"oem*.inf", {"oem12.inf"}},
        {"x.*", {"x.y.txt"}},
        {"README.*", {"README"}},
        {"x.y.*", {"x.y.txt"}},
        {"ABC", {"abc"}},
        {"*y*", {"x.y.txt"}},
    };
    for (const auto& [pattern, expected] : cases) {
        SCOPED_TRACE(pattern);
        DWord error = 0;
        EXPECT_EQ(Search("C:\\Dir\\" + pattern, &error), expected);
        if (expected.empty()) {
            EXPECT_EQ(error, plat::kErrorFileNotFound);
        }
    }

    // A drive root has no "." or ".."; a missing folder is another error.
    EXPECT_EQ(Search("C:\\*"), Strings{"Dir"});
    DWord error = 0;
    EXPECT_TRUE(Search("C:\\None\\*", &error).empty());
    EXPECT_EQ(error, plat::kErrorPathNotFound);
    EXPECT_TRUE(Search("C:\\Dir\\", &error).empty());
    EXPECT_EQ(error, plat::kErrorFileNotFound);

    ASSERT_TRUE(files.SetCurrentDirectoryA("C:\\Dir"));
    EXPECT_EQ(Search("*.inf"), Strings{"oem12.inf"});

    plat::FindData data;
    Handle h = files.FindFirstFileA("C:\\Dir\\S*", &data);
    ASSERT_NE(h, plat::kInvalidHandle);
    EXPECT_EQ(data.name, "setup.ex");
    EXPECT_EQ(data.size, 5u);
    EXPECT_EQ(data.attributes, kArchive);
    ASSERT_TRUE(files.FindNextFileA(h, &data));
    ASSERT_TRUE(files.FindNextFileA(h, &data));
    EXPECT_EQ(data.name, "Sub");
    EXPECT_EQ(data.attributes, kDirectory);
    EXPECT_EQ(files.OpenFindHandles(), 1u);
    EXPECT_FALSE(files.FindNextFileA(h, &data));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorNoMoreFiles);
    EXPECT_TRUE(files.FindClose(h));
    EXPECT_FALSE(files.FindClose(h));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidHandle);
    EXPECT_FALSE(files.FindNextFileA(h, &data));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidHandle);
    EXPECT_EQ(files.OpenFindHandles(), 0u);
}

TEST_F(SimFilesTest, WholeFilesAreReadAndWrittenLikeCreateFile) {
    struct Case {
        std::string name;
        std::function<void(sim::SimFiles&)> arrange;
        DWord writeError;
        DWord readError;
    };
    const std::string path = "C:\\Program Files\\Touch\\touchcfg.ini";
    const std::vector<Case> cases = {
        {"new file", [](sim::SimFiles& f) { f.AddFolder("C:\\Program Files\\Touch"); }, 0, 0},
        {"existing file", [&](sim::SimFiles& f) { f.AddFile(path, "a much longer old text", kNormal); }, 0,
         0},
        {"read-only", [&](sim::SimFiles& f) { f.AddFile(path, "old", kReadOnly); }, plat::kErrorAccessDenied,
         0},
        {"hidden", [&](sim::SimFiles& f) { f.AddFile(path, "old", kHidden); }, plat::kErrorAccessDenied, 0},
        {"system", [&](sim::SimFiles& f) { f.AddFile(path, "old", kSystem); }, plat::kErrorAccessDenied, 0},
        {"in use",
         [&](sim::SimFiles& f) {
             f.AddFile(path, "old");
             f.LockFile(path);
         },
         plat::kErrorSharingViolation, 0},
        {"in use, no reading",
         [&](sim::SimFiles& f) {
             f.AddFile(path, "old");
             f.LockFile(path, false);
         },
         plat::kErrorSharingViolation, plat::kErrorSharingViolation},
        {"a folder", [&](sim::SimFiles& f) { f.AddFolder(path); }, plat::kErrorAccessDenied,
         plat::kErrorAccessDenied},
        {"folder missing", [](sim::SimFiles&) {}, plat::kErrorPathNotFound, plat::kErrorPathNotFound},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimPc machine;
        c.arrange(machine.files);
        std::string before = machine.files.Contents(path);
        Bool written = machine.files.WriteWholeFile(path, "[TouchCFG]\r\n");
        EXPECT_EQ(written != 0, c.writeError == 0);
        if (c.writeError) {
            EXPECT_EQ(machine.GetLastError(), c.writeError);
        } else {
            EXPECT_EQ(machine.files.GetFileAttributesA(path), kArchive);
        }
        std::string contents = "unchanged";
        Bool read = machine.files.ReadWholeFile(path, &contents);
        EXPECT_EQ(read != 0, c.readError == 0);
        if (c.readError) {
            EXPECT_EQ(machine.GetLastError(), c.readError);
            EXPECT_EQ(contents, "unchanged");
        } else {
            EXPECT_EQ(contents, c.writeError ? before : "[TouchCFG]\r\n");
        }
    }
    std::string contents;
    EXPECT_FALSE(files.ReadWholeFile("C:\\none.txt", &contents));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorFileNotFound);
}

TEST_F(SimFilesTest, System32IsRedirectedForThe32BitProgramOn64BitWindows) {
    struct Case {
        bool is64Bit;
        bool redirection;
        std::string path;
        std::string native;
    };
    const std::vector<Case> cases = {
        {true, true, "C:\\Windows\\System32\\touch.dll", "C:\\Windows\\SysWOW64\\touch.dll"},
        {true, true, "c:\\windows\\SYSTEM32", "C:\\Windows\\SysWOW64"},
        {true, true, "C:\\Windows\\System32\\drivers\\touch.sys",
         "C:\\Windows\\SysWOW64\\drivers\\touch.sys"},
        {true, true, "C:\\Windows\\System32\\drivers\\etc\\hosts",
         "C:\\Windows\\System32\\drivers\\etc\\hosts"},
        {true, true, "C:\\Windows\\System32\\catroot\\x.cat", "C:\\Windows\\System32\\catroot\\x.cat"},
        {true, true, "C:\\Windows\\System32\\CatRoot2", "C:\\Windows\\System32\\CatRoot2"},
        {true, true, "C:\\Windows\\System32\\spool\\drivers", "C:\\Windows\\System32\\spool\\drivers"},
        {true, true, "C:\\Windows\\System32\\LogFiles\\a.log", "C:\\Windows\\System32\\LogFiles\\a.log"},
        {true, true, "C:\\Windows\\System32\\DriverStore\\x", "C:\\Windows\\System32\\DriverStore\\x"},
        {true, true, "C:\\Windows\\System32x\\a.dll", "C:\\Windows\\System32x\\a.dll"},
        {true, true, "C:\\Windows\\Sysnative\\touch.dll", "C:\\Windows\\System32\\touch.dll"},
        {true, true, "C:\\Windows\\regedit.exe", "C:\\Windows\\SysWOW64\\regedit.exe"},
        {true, true, "C:\\Windows\\inf\\oem1.inf", "C:\\Windows\\inf\\oem1.inf"},
        {true, false, "C:\\Windows\\System32\\touch.dll", "C:\\Windows\\System32\\touch.dll"},
        {false, true, "C:\\Windows\\System32\\touch.dll", "C:\\Windows\\System32\\touch.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        sim::SimPc machine;
        machine.facts.is64Bit = c.is64Bit;
        machine.files.SetRedirection(c.redirection);
        EXPECT_EQ(machine.files.Redirection(), c.redirection);
        EXPECT_EQ(machine.files.Resolve(c.path), c.native);
    }

    // Windows XP x64 redirects the driver store; another Windows folder moves the rule.
    pc.facts.major = 5;
    pc.facts.minor = 2;
    EXPECT_EQ(files.Resolve("C:\\Windows\\System32\\DriverStore"), "C:\\Windows\\SysWOW64\\DriverStore");
    EXPECT_EQ(files.Resolve("C:\\Windows\\Sysnative\\x"), "C:\\Windows\\Sysnative\\x");
    pc.facts.windowsDir = "D:\\WINNT\\";
    EXPECT_EQ(files.Resolve("d:\\winnt\\system32\\x"), "D:\\WINNT\\SysWOW64\\x");

    // The calls touch the redirected file, the current folder included.
    sim::SimPc machine;
    machine.files.AddFile("C:\\Windows\\SysWOW64\\touch32.dll", "32");
    machine.files.AddFile("C:\\Windows\\System32\\touch64.dll", "64");
    EXPECT_EQ(machine.files.GetFileAttributesA("C:\\Windows\\System32\\touch32.dll"), kArchive);
    EXPECT_EQ(machine.files.GetFileAttributesA("C:\\Windows\\System32\\touch64.dll"),
              plat::kInvalidFileAttributes);
    ASSERT_TRUE(machine.files.SetCurrentDirectoryA("C:\\Windows\\System32"));
    EXPECT_TRUE(machine.files.CopyFileA("touch32.dll", "copy.dll", 1));
    EXPECT_TRUE(machine.files.Exists("C:\\Windows\\SysWOW64\\copy.dll"));
    plat::FindData data;
    Handle h = machine.files.FindFirstFileA("C:\\Windows\\System32\\*.dll", &data);
    ASSERT_NE(h, plat::kInvalidHandle);
    EXPECT_EQ(data.name, "copy.dll");
    machine.files.FindClose(h);

    machine.files.SetRedirection(false);
    EXPECT_EQ(machine.files.GetFileAttributesA("C:\\Windows\\System32\\touch64.dll"), kArchive);
    EXPECT_TRUE(machine.files.DeleteFileA("C:\\Windows\\System32\\touch64.dll"));
    EXPECT_TRUE(machine.files.Exists("C:\\Windows\\SysWOW64\\touch32.dll"));
}

TEST_F(SimFilesTest, InjectedFailuresReturnTheFailureResultWithTheLastError) {
    files.AddFile("C:\\D\\f.txt", "x");
    using Call = std::function<bool(sim::SimFiles&)>;  // true when the call reported failure
    const std::vector<std::pair<std::string, Call>> calls = {
        {"GetFileAttributesA",
         [](sim::SimFiles& f) {
             return f.GetFileAttributesA("C:\\D\\f.txt") == plat::kInvalidFileAttributes;
         }},
        {"SetFileAttributesA",
         [](sim::SimFiles& f) { return !f.SetFileAttributesA("C:\\D\\f.txt", kArchive); }},
        {"DeleteFileA",
         [](sim::SimFiles& f) {
             bool failed = !f.DeleteFileA("C:\\D\\f.txt");
             f.AddFile("C:\\D\\f.txt", "x");
             return failed;
         }},
        {"CopyFileA", [](sim::SimFiles& f) { return !f.CopyFileA("C:\\D\\f.txt", "C:\\D\\g.txt", 0); }},
        {"MoveFileExA",
         [](sim::SimFiles& f) {
             bool failed = !f.MoveFileExA("C:\\D\\f.txt", "C:\\D\\h.txt", 0);
             if (!failed) f.MoveFileExA("C:\\D\\h.txt", "C:\\D\\f.txt", 0);
             return failed;
         }},
        {"CreateDirectoryA",
         [](sim::SimFiles& f) {
             bool failed = !f.CreateDirectoryA("C:\\E");
             f.Remove("C:\\E");
             return failed;
         }},
        {"RemoveDirectoryA",
         [](sim::SimFiles& f) {
             f.AddFolder("C:\\E");
             return !f.RemoveDirectoryA("C:\\E");
         }},
        {"GetCurrentDirectoryA",
         [](sim::SimFiles& f) {
             std::string p;
             return f.GetCurrentDirectoryA(&p) == 0;
         }},
        {"SetCurrentDirectoryA", [](sim::SimFiles& f) { return !f.SetCurrentDirectoryA("C:\\D"); }},
        {"FindFirstFileA",
         [](sim::SimFiles& f) {
             plat::FindData d;
             Handle h = f.FindFirstFileA("C:\\D\\*", &d);
             if (h == plat::kInvalidHandle) return true;
             f.FindClose(h);
             return false;
         }},
        {"FindNextFileA",
         [](sim::SimFiles& f) {
             plat::FindData d;
             Handle h = f.FindFirstFileA("C:\\D\\*", &d);
             bool failed = !f.FindNextFileA(h, &d);
             f.FindClose(h);
             return failed;
         }},
        {"FindClose",
         [](sim::SimFiles& f) {
             plat::FindData d;
             Handle h = f.FindFirstFileA("C:\\D\\*", &d);
             bool failed = !f.FindClose(h);
             if (failed) f.FindClose(h);
             return failed;
         }},
        {"ReadWholeFile",
         [](sim::SimFiles& f) {
             std::string c;
             return !f.ReadWholeFile("C:\\D\\f.txt", &c);
         }},
        {"WriteWholeFile", [](sim::SimFiles& f) { return !f.WriteWholeFile("C:\\D\\f.txt", "x"); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        pc.FailCall(name, 4321);
        pc.SetLastError(0);
        EXPECT_TRUE(call(files));
        EXPECT_EQ(pc.GetLastError(), 4321u);
        EXPECT_FALSE(call(files));
    }
    EXPECT_EQ(files.OpenFindHandles(), 0u);
}

TEST_F(SimFilesTest, SetUpHelpersBuildAndShowTheDrives) {
    files.AddFile("D:\\Data\\x.bin", std::string("\0\1\2", 3), kNormal);
    EXPECT_EQ(files.Attributes("D:\\Data\\x.bin"), kNormal);
    EXPECT_EQ(files.Contents("d:\\data\\X.BIN"), std::string("\0\1\2", 3));
    EXPECT_TRUE(files.IsFolder("D:\\"));
    EXPECT_THROW(files.AddFile("D:\\Data\\x.bin\\below"), std::invalid_argument);
    EXPECT_THROW(files.LockFile("D:\\none"), std::invalid_argument);
    for (const char* invalid : {"", "C:\\a<b", "\\\\server\\share"}) {  // as Resolve gives them back
        EXPECT_FALSE(files.Exists(invalid));
        EXPECT_FALSE(files.IsFolder(invalid));
        EXPECT_EQ(files.Attributes(invalid), plat::kInvalidFileAttributes);
        EXPECT_TRUE(files.List(invalid).empty());
    }

    pc.facts.is64Bit = true;
    files.AddStandardFolders();
    for (const char* folder : {"C:\\Windows\\System32\\drivers", "C:\\Windows\\SysWOW64", "C:\\Windows\\inf",
                               "C:\\Temp", "C:\\Program Files", "C:\\Program Files (x86)"})
        EXPECT_TRUE(files.IsFolder(folder)) << folder;
    EXPECT_EQ(files.List("C:\\Windows"), (Strings{"inf", "System32", "SysWOW64"}));
    // The profiles of Windows 7 with the shell's common folders.
    EXPECT_EQ(files.List("C:\\Users"), (Strings{"Admin", "Default", "Public"}));
    EXPECT_TRUE(files.IsFolder("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"));
    EXPECT_TRUE(files.IsFolder("C:\\Users\\Public\\Desktop"));

    files.Remove("C:\\Windows");
    EXPECT_FALSE(files.Exists("C:\\Windows\\System32\\drivers"));
    EXPECT_EQ(files.List("C:\\"),
              (Strings{"Program Files", "Program Files (x86)", "ProgramData", "Temp", "Users"}));
}

// --- junctions and file handles ----------------------------------------------

TEST_F(SimFilesTest, JunctionLeadsElsewhereButItsNameIsTheLinkItself) {
    files.AddFile("D:\\Data\\keep.txt", "kept");
    files.AddFolder("C:\\App");
    files.AddJunction("C:\\App\\docs", "D:\\Data");
    constexpr DWord kReparse = plat::kFileAttributeReparsePoint;

    // Through it: the target's files.
    EXPECT_EQ(Search("C:\\App\\docs\\*.*"), (Strings{".", "..", "keep.txt"}));
    std::string text;
    ASSERT_TRUE(files.ReadWholeFile("C:\\App\\docs\\keep.txt", &text));
    EXPECT_EQ(text, "kept");
    ASSERT_TRUE(files.SetCurrentDirectoryA("C:\\App\\docs"));
    EXPECT_TRUE(files.CopyFileA("keep.txt", "copy.txt", 0));
    EXPECT_TRUE(files.Exists("D:\\Data\\copy.txt"));
    ASSERT_TRUE(files.SetCurrentDirectoryA("C:\\"));

    // The name itself: a folder reparse point, listed as such in its parent.
    EXPECT_EQ(files.GetFileAttributesA("C:\\App\\docs"), kDirectory | kReparse);
    plat::FindData data;
    Handle h = files.FindFirstFileA("C:\\App\\d*", &data);
    ASSERT_NE(h, plat::kInvalidHandle);
    EXPECT_EQ(data.attributes, kDirectory | kReparse);
    files.FindClose(h);
    EXPECT_FALSE(files.DeleteFileA("C:\\App\\docs"));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorAccessDenied);

    // Removing it removes the link only, however full the target is.
    EXPECT_TRUE(files.RemoveDirectoryA("C:\\App\\docs"));
    EXPECT_FALSE(files.Exists("C:\\App\\docs"));
    EXPECT_EQ(files.Contents("D:\\Data\\keep.txt"), "kept");
    EXPECT_TRUE(files.Exists("D:\\Data\\copy.txt"));
}

TEST_F(SimFilesTest, JunctionsInACircleFailAndSurviveASaveAndLoad) {
    files.AddJunction("C:\\A", "C:\\B");
    files.AddJunction("C:\\B", "C:\\A");
    EXPECT_EQ(files.GetFileAttributesA("C:\\A\\x.txt"), plat::kInvalidFileAttributes);
    EXPECT_EQ(pc.GetLastError(), 1921u);  // ERROR_CANT_RESOLVE_FILENAME

    std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("sim-junctions-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    pc.Save(folder.string());
    sim::SimPc loaded;
    loaded.Load(folder.string());
    std::filesystem::remove_all(folder);
    EXPECT_EQ(loaded.files.JunctionTarget("C:\\A"), "C:\\B");
    EXPECT_EQ(loaded.files.JunctionTarget("C:\\B"), "C:\\A");
}

TEST_F(SimFilesTest, CreateFileWritesAnImageThroughAHandle) {
    files.AddFolder("C:\\App");
    files.AddFile("C:\\App\\old.exe", "old contents");
    Handle file = files.CreateFileA("C:\\App\\old.exe", plat::kGenericWrite, 0, plat::kCreateAlways,
                                    plat::kFileAttributeNormal);
    ASSERT_NE(file, plat::kInvalidHandle);
    EXPECT_EQ(pc.GetLastError(), plat::kErrorAlreadyExists);  // truncated, as CREATE_ALWAYS says
    EXPECT_EQ(files.Contents("C:\\App\\old.exe"), "");
    const char image[] = {'M', 'Z', '\0', '\x90'};
    DWord written = 0;
    EXPECT_TRUE(files.WriteFile(file, image, 4, &written));
    EXPECT_EQ(written, 4u);
    EXPECT_TRUE(pc.processes.CloseHandle(file));
    EXPECT_EQ(files.Contents("C:\\App\\old.exe"), std::string(image, 4));
    EXPECT_EQ(files.OpenFileHandles(), 0u);
    EXPECT_FALSE(files.WriteFile(file, image, 4, &written));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidHandle);

    struct Refusal {
        const char* path;
        DWord disposition;
        DWord error;
    };
    files.AddFile("C:\\App\\ro.exe", "", kReadOnly);
    files.AddFile("C:\\App\\busy.exe");
    files.LockFile("C:\\App\\busy.exe");
    for (const Refusal& refusal :
         {Refusal{"C:\\App\\ro.exe", plat::kCreateAlways, plat::kErrorAccessDenied},
          Refusal{"C:\\App\\busy.exe", plat::kCreateAlways, plat::kErrorSharingViolation},
          Refusal{"C:\\App\\busy.exe", plat::kCreateNew, plat::kErrorFileExists},
          Refusal{"C:\\App\\none.exe", plat::kOpenExisting, plat::kErrorFileNotFound},
          Refusal{"C:\\None\\x.exe", plat::kCreateAlways, plat::kErrorPathNotFound},
          Refusal{"C:\\App", plat::kCreateAlways, plat::kErrorAccessDenied}}) {
        EXPECT_EQ(files.CreateFileA(refusal.path, plat::kGenericWrite, 0, refusal.disposition, 0),
                  plat::kInvalidHandle)
            << refusal.path;
        EXPECT_EQ(pc.GetLastError(), refusal.error) << refusal.path;
    }
    pc.FailCallOn("WriteFile", "C:\\App\\new.exe", 112);  // ERROR_DISK_FULL
    file = files.CreateFileA("C:\\App\\new.exe", plat::kGenericWrite, 0, plat::kCreateAlways, 0);
    EXPECT_FALSE(files.WriteFile(file, image, 4, &written));
    EXPECT_EQ(pc.GetLastError(), 112u);
    pc.processes.CloseHandle(file);
    EXPECT_EQ(files.Contents("C:\\App\\new.exe"), "");
}

// --- saving and loading ----------------------------------------------------------

class TempFolder {
public:
    TempFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("simpc-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" +
                 std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string ReadHostFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(SimFilesTest, SaveAndLoadKeepFilesAttributesLocksAndPendingOperations) {
    const std::string binary("MZ\0\x90\xff\r\n", 7);
    files.AddFile("C:\\Windows\\System32\\drivers\\touch.sys", binary, kReadOnly | kSystem | kArchive);
    files.AddFile("C:\\Windows\\inf\\oem3.inf", "[Version]\r\n");
    files.AddFile("C:\\Program Files\\Touch = Tools\\TouchCfg.exe", "exe", kNormal);
    files.AddFolder("C:\\Empty Folder");
    files.SetAttributes("C:\\Empty Folder", kHidden);
    files.AddFile("D:\\Backup\\old.dat", "old");
    files.LockFile("C:\\Windows\\inf\\oem3.inf");
    files.LockFile("C:\\Program Files\\Touch = Tools\\TouchCfg.exe", false);
    ASSERT_TRUE(files.MoveFileExA("C:\\Windows\\inf\\oem3.inf", "", plat::kMoveFileDelayUntilReboot));
    ASSERT_TRUE(
        files.MoveFileExA("D:\\Backup\\old.dat", "D:\\Backup\\new.dat", plat::kMoveFileDelayUntilReboot));
    ASSERT_TRUE(files.SetCurrentDirectoryA("C:\\Windows\\inf"));
    files.SetRedirection(false);

    TempFolder temp;
    std::filesystem::create_directories(temp.Path() / "Z" / "stale");  // an old drive folder is replaced
    files.Save(temp.Path().string());
    EXPECT_EQ(ReadHostFile(temp.Path() / "C" / "Windows" / "System32" / "drivers" / "touch.sys"), binary);
    EXPECT_TRUE(std::filesystem::is_directory(temp.Path() / "C" / "Empty Folder"));
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "Z"));
    std::string ini = ReadHostFile(temp.Path() / "files.ini");
    for (const char* line :
         {"CurrentDirectory=C:\\Windows\\inf\n", "Redirection=0\n",
          "C:\\Windows\\System32\\drivers\\touch.sys=0x00000025\n",
          "C:\\Program Files\\Touch = Tools\\TouchCfg.exe=0x00000000\n", "C:\\Empty Folder=0x00000002\n",
          "C:\\Windows\\inf\\oem3.inf=read\n", "C:\\Program Files\\Touch = Tools\\TouchCfg.exe=exclusive\n",
          "1=C:\\Windows\\inf\\oem3.inf|\n", "2=D:\\Backup\\old.dat|D:\\Backup\\new.dat\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;

    sim::SimPc other;
    other.files.Load(temp.Path().string());
    EXPECT_EQ(other.files.AllPaths(), files.AllPaths());
    for (const auto& path : files.AllPaths()) {
        SCOPED_TRACE(path);
        EXPECT_EQ(other.files.Attributes(path), files.Attributes(path));
        EXPECT_EQ(other.files.Contents(path), files.Contents(path));
        EXPECT_EQ(other.files.IsLocked(path), files.IsLocked(path));
    }
    EXPECT_EQ(other.files.PendingOperations(), files.PendingOperations());
    EXPECT_FALSE(other.files.Redirection());
    std::string current;
    other.files.GetCurrentDirectoryA(&current);
    EXPECT_EQ(current, "C:\\Windows\\inf");
    std::string contents;
    EXPECT_FALSE(other.files.ReadWholeFile("C:\\Program Files\\Touch = Tools\\TouchCfg.exe", &contents));
    EXPECT_EQ(other.GetLastError(), plat::kErrorSharingViolation);

    // Saving what was loaded gives the same description.
    TempFolder again;
    other.files.Save(again.Path().string());
    EXPECT_EQ(ReadHostFile(again.Path() / "files.ini"), ini);
}

TEST_F(SimFilesTest, HostFolderIsCopiedWithEverythingBelowIt) {
    TempFolder host;
    std::filesystem::create_directories(host.Path() / "xp64" / "232");
    std::filesystem::create_directories(host.Path() / "empty");
    const std::string binary("MZ\0\x90\r\n", 6);
    std::ofstream(host.Path() / "xp64" / "232" / "qz232.sys", std::ios::binary) << binary;
    std::ofstream(host.Path() / "default.ini", std::ios::binary) << "[system]\r\n";
    files.AddFile("C:\\Package\\old.txt", "kept");

    files.AddHostFolder(host.Path().string(), "C:\\Package");
    EXPECT_EQ(files.Contents("C:\\Package\\xp64\\232\\qz232.sys"), binary);
    EXPECT_EQ(files.Contents("C:\\Package\\default.ini"), "[system]\r\n");
    EXPECT_TRUE(files.IsFolder("C:\\Package\\empty"));
    EXPECT_EQ(files.Contents("C:\\Package\\old.txt"), "kept");
    EXPECT_THROW(files.AddHostFolder((host.Path() / "missing").string(), "C:\\Other"), std::runtime_error);
}

}  // namespace
