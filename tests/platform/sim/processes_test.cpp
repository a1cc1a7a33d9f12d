// What the simulated CreateProcess refuses to start, as Windows refuses it.
#include <gtest/gtest.h>

#include "case_name.h"
#include "sim_fixture.h"

namespace {

struct ImageCase {
    const char* name;
    plat::DWord major;
    bool is64Windows;
    const char* contents;
    bool is64Image;
    plat::DWord error;  // 0: starts
};

const ImageCase kImageCases[] = {
    {"ProgramStarts", 6, true, "MZ", false, 0},
    {"TextFileIsNoProgram", 6, true, "echo hello\r\n", false, 193},
    {"EmptyFileIsNoProgram", 6, true, "", false, 193},
    {"X64ImageOn64BitWindows", 6, true, "MZ", true, 0},
    {"X64ImageOn32BitWindows7", 6, false, "MZ", true, 216},
    {"X64ImageOn32BitXp", 5, false, "MZ", true, 193},
};

class ImageErrors : public SimTest, public ::testing::WithParamInterface<ImageCase> {};

TEST_P(ImageErrors, CreateProcessChecksTheImage) {
    const ImageCase& c = GetParam();
    pc.facts.major = c.major;
    pc.facts.is64Bit = c.is64Windows;
    pc.files.AddFile("C:\\Tools\\tool.exe", c.contents);
    sim::ProgramModel model;
    model.is64BitImage = c.is64Image;
    pc.processes.ModelByName("tool.exe", model);
    plat::ProcessInformation info;
    plat::Bool ok = pc.processes.CreateProcessA("", "C:\\Tools\\tool.exe", 0, 0, "", {}, &info);
    EXPECT_EQ(ok != 0, c.error == 0);
    if (c.error) {
        EXPECT_EQ(pc.GetLastError(), c.error);
    }
}

INSTANTIATE_TEST_SUITE_P(Images, ImageErrors, ::testing::ValuesIn(kImageCases), test_support::CaseName{});

TEST_F(SimTest, CurrentFolderOfTheNewProcessMustExist) {
    pc.processes.AddProgram("C:\\Tools\\tool.exe");
    plat::ProcessInformation info;
    EXPECT_EQ(pc.processes.CreateProcessA("", "C:\\Tools\\tool.exe", 0, 0, "C:\\Missing", {}, &info), 0);
    EXPECT_EQ(pc.GetLastError(), 267u);
    ASSERT_EQ(pc.processes.launches.size(), 1u);
    EXPECT_FALSE(pc.processes.launches[0].created);
    EXPECT_NE(pc.processes.CreateProcessA("", "C:\\Tools\\tool.exe", 0, 0, "C:\\Tools", {}, &info), 0);
}

TEST_F(SimTest, CopiesOfAModelledImageBehaveAlike) {
    sim::ProgramModel model;
    model.run = [](sim::SimPc&, const sim::Launch&) -> plat::DWord { return 42; };
    pc.processes.ModelByImage("MZ tool image", model);
    pc.files.AddFile("C:\\Tools\\renamed copy.exe", "MZ tool image");
    plat::ProcessInformation info;
    ASSERT_NE(pc.processes.CreateProcessA("", "\"C:\\Tools\\renamed copy.exe\"", 0, 0, "", {}, &info), 0);
    plat::DWord code = 0;
    pc.processes.GetExitCodeProcess(info.process, &code);
    EXPECT_EQ(code, 42u);
}

}  // namespace
