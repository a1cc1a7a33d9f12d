#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/colors.h"
#include "config/memory_files.h"
#include "shell/errors.h"

namespace {

using config::IniFile;
using config_test::ScopedMemoryFilesOs;

constexpr char kPackageIni[] = "C:\\Package\\default.ini";
constexpr char kInstalledIni[] = "C:\\Program Files\\Brivo\\setup.ini";

class IniFileTest : public testing::Test {
protected:
    ScopedMemoryFilesOs machine;
    config_test::MemoryFiles& files = machine.os.files;
};

TEST_F(IniFileTest, MissingFileReadsAsEmpty) {
    const IniFile ini(kPackageIni);
    EXPECT_EQ(ini.FileName(), kPackageIni);
    EXPECT_EQ(ini.ReadString("system", "targetdir", "Brivo"), "Brivo");
    EXPECT_EQ(ini.ReadInteger("system", "product", -1), -1);
    EXPECT_FALSE(ini.SectionExists("system"));
    EXPECT_TRUE(ini.ReadSectionValues("system").empty());
}

// Formerly a file that could not be read gave the default of every key (the
// install folder name "Brivo", no product) and the run went on.
TEST_F(IniFileTest, ExistingFileThatCannotBeReadIsAnErrorNamingIt) {
    files.files[kPackageIni] = "[system]\ntargetdir=Other\nproduct=1\n";
    files.unreadable.insert(kPackageIni);
    const IniFile ini(kPackageIni);
    try {
        ini.ReadString("system", "targetdir", "Brivo");
        FAIL() << "no error";
    } catch (const setup::SetupError& error) {
        EXPECT_EQ(std::string(error.what()), std::string("Unable to read ") + kPackageIni);
    }
    EXPECT_THROW(ini.ReadInteger("system", "product", -1), setup::SetupError);
    EXPECT_THROW(ini.SectionExists("system"), setup::SetupError);
    EXPECT_THROW(ini.ReadSectionValues("system"), setup::SetupError);
}

TEST_F(IniFileTest, EveryReadSeesTheFileAsItIsNow) {
    const IniFile ini(kInstalledIni);
    files.files[kInstalledIni] = "[SYSTEM]\r\nproduct=-1\r\n";
    EXPECT_EQ(ini.ReadInteger("system", "product", 7), -1);

    files.files[kInstalledIni] = "[SYSTEM]\r\nproduct=1\r\n[SETUPTEXT]\r\nText5=Go\r\n";
    EXPECT_EQ(ini.ReadInteger("system", "product", 7), 1);
    EXPECT_TRUE(ini.SectionExists("SetupText"));
    EXPECT_EQ(ini.ReadSectionValues("SETUPTEXT"), std::vector<std::string>{"Text5=Go"});
    EXPECT_EQ(files.reads, 4);

    files.files.erase(kInstalledIni);
    EXPECT_EQ(ini.ReadInteger("system", "product", 7), 7);
}

TEST_F(IniFileTest, EmptyTextValueIsNotTheDefault) {
    files.files[kPackageIni] = "[System]\ntargetdir=\n";
    const IniFile ini(kPackageIni);
    EXPECT_EQ(ini.ReadString("system", "targetdir", "Brivo"), "");
    EXPECT_EQ(ini.ReadString("system", "iconfile", "default"), "default");
}

struct IntegerKeyCase {
    std::string line;
    std::int32_t defaultValue;
    std::int32_t expected;
};

void PrintTo(const IntegerKeyCase& c, std::ostream* out) {
    *out << '"' << c.line << '"';
}

class IniFileIntegerKeys : public IniFileTest, public testing::WithParamInterface<IntegerKeyCase> {};

TEST_P(IniFileIntegerKeys, ReadsTheTextThenTheNumber) {
    files.files[kPackageIni] = "[System]\r\n" + GetParam().line + "\r\n";
    EXPECT_EQ(IniFile(kPackageIni).ReadInteger("system", "key", GetParam().defaultValue),
              GetParam().expected);
}

constexpr std::int32_t kWhite = 0x00FFFFFF;
constexpr std::int32_t kButtonFace = config::kDefaultFormColor;

INSTANTIATE_TEST_SUITE_P(Cases, IniFileIntegerKeys,
                         testing::Values(IntegerKeyCase{"key=16777215", kButtonFace, kWhite},
                                         IntegerKeyCase{"key=0x00FFFFFF", kButtonFace, kWhite},
                                         IntegerKeyCase{"key=0X00ffffff", kButtonFace, kWhite},
                                         IntegerKeyCase{"key=white", kButtonFace, kButtonFace},
                                         IntegerKeyCase{"key=0xFF00000F", 0, kButtonFace},
                                         IntegerKeyCase{"key = 0x1 ", 0, 1}, IntegerKeyCase{"key=1x", 0, 0},
                                         IntegerKeyCase{"key=\"$10\"", 0, 16}, IntegerKeyCase{"key=", -1, -1},
                                         IntegerKeyCase{"other=5", -1, -1},
                                         IntegerKeyCase{"key=2147483648", 9, 9}));

TEST_F(IniFileTest, WritesReplaceAppendAndAddSectionsLikeTheInstallDoes) {
    files.files[kInstalledIni] =
        "[SYSTEM]\r\nversion=4.05\r\nproduct=-1\r\n[SETUPTEXT]\r\nText5=Go\r\n[ADDITIONAL]\r\n";
    IniFile ini(kInstalledIni);
    ini.WriteInteger("system", "product", 0);
    ini.WriteString("INFData", "manufacturer", "Maker");
    ini.WriteString("INFData", "vidpid", "VID_0D7A&PID_0300");
    ini.WriteString("INFData", "devdesc", "Touch controller");
    EXPECT_EQ(files.files[kInstalledIni],
              "[SYSTEM]\r\nversion=4.05\r\nproduct=0\r\n[SETUPTEXT]\r\nText5=Go\r\n[ADDITIONAL]\r\n"
              "[INFData]\r\nmanufacturer=Maker\r\nvidpid=VID_0D7A&PID_0300\r\ndevdesc=Touch controller\r\n");
}

TEST_F(IniFileTest, WriteCreatesAMissingFile) {
    IniFile ini(kInstalledIni);
    ini.WriteInteger("system", "product", -1);
    EXPECT_EQ(files.files[kInstalledIni], "[system]\r\nproduct=-1\r\n");
}

TEST_F(IniFileTest, WriteFailureEndsTheRunWithTheFileName) {
    files.files[kInstalledIni] = "[SYSTEM]\r\nproduct=-1\r\n";
    files.unwritable.insert(kInstalledIni);
    IniFile ini(kInstalledIni);
    try {
        ini.WriteInteger("system", "product", 0);
        FAIL() << "no error";
    } catch (const setup::SetupError& error) {
        EXPECT_EQ(std::string(error.what()), std::string("Unable to write to ") + kInstalledIni);
    }
    EXPECT_EQ(files.files[kInstalledIni], "[SYSTEM]\r\nproduct=-1\r\n");
}

TEST_F(IniFileTest, ExistingFileThatCannotBeReadIsNotOverwritten) {
    files.files[kInstalledIni] = "[SYSTEM]\r\nproduct=-1\r\nversion=4.05\r\n";
    files.unreadable.insert(kInstalledIni);
    IniFile ini(kInstalledIni);
    EXPECT_THROW(ini.WriteString("INFData", "manufacturer", "Maker"), setup::SetupError);
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(files.files[kInstalledIni], "[SYSTEM]\r\nproduct=-1\r\nversion=4.05\r\n");
}

}  // namespace
