#include <gmock/gmock.h>

#include "config/additional_items.h"
#include "deploy/deploy_fixture.h"

namespace {

using deploy_test::DeployTest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kPackage =
    "; the package configuration\r\n"
    "[system]\r\n"
    "version=4.05\r\n"
    "targetdir=Brivo\r\n"
    "product=-1\r\n"
    "empty=\r\n"
    "[LanguagePacks]\r\n"
    "language=auto\r\n"
    "folder=language\r\n"
    "[INFData]\r\n"
    "manufacturer=Acme Touch\r\n"
    "PIDList=0300\r\n"
    "[TouchCFG]\r\n"
    "beep=1\r\n"
    "rbtime=1500\r\n"
    "[SetupText]\r\n"
    "Text1=Setup from default.ini\r\n"
    "[additional]\r\n"
    "item2=|Monitor Tool| |mt.exe| |1| |mt.exe| |-s|\r\n"
    "item3=Plain manual.txt 0 manual.txt ||\r\n"
    "item5=|Pipe||Tool| |p||ipe.exe| |3| |p||ipe.exe| ||\r\n"
    "[ADDITIONAL]\r\n"
    "item2=not used from here\r\n";

constexpr const char* kLanguagePack =
    "[SetupText]\r\n"
    "Text1=Setup V!@MAJOR.!@MINOR (!@RELEASE) V!@MAJOR\r\n"
    "Key!@MINOR=value\r\n"
    "[TouchCFGTEXT]\r\n"
    "Caption=Touch V!@MAJOR.!@MINOR\r\n"
    "[ADDITIONAL]\r\n"
    "item2=\xDC"
    "berwachung | Werkzeug\r\n"
    "item4=no item 4 in the package\r\n";

class InstalledConfigTest : public DeployTest {
protected:
    InstalledConfigTest() {
        WriteConfiguration(kPackage);
        pc.files.AddFile("C:\\Package\\language\\language.DEU", kLanguagePack);
        UseWindows(deploy_test::kWindows7X64);
        form.LangIni = std::make_unique<config::IniFile>("C:\\Package\\language\\language.DEU");
        pc.files.AddFolder("C:\\Out");
    }
};

TEST_F(InstalledConfigTest, SetupIniIsWrittenByteForByte) {
    form.WriteSetupIni("C:\\Out\\setup.ini");
    EXPECT_EQ(setup::StepCode, 21);
    EXPECT_THAT(trace, ElementsAre("Write setup INI"));
    EXPECT_EQ(pc.files.Contents("C:\\Out\\setup.ini"),
              "[SYSTEM]\r\n"
              "version=4.05\r\n"
              "targetdir=Brivo\r\n"
              "product=-1\r\n"
              "empty=\r\n"
              "[SETUPTEXT]\r\n"
              "Text1=Setup V4.05 (100614) V!@MAJOR\r\n"
              "Key05=value\r\n"
              "[ADDITIONAL]\r\n"
              "item2=|\xDC"
              "berwachung || Werkzeug| |mt.exe| |1| |mt.exe| |-s|\r\n"
              "item3=|Plain| |manual.txt| |0| |manual.txt| ||\r\n"
              "item5=|Pipe||Tool| |p||ipe.exe| |3| |p||ipe.exe| ||\r\n");
}

TEST_F(InstalledConfigTest, AFieldWithABarReadsBackAsTheSameField) {
    form.WriteSetupIni("C:\\Out\\setup.ini");
    config::IniFile installed("C:\\Out\\setup.ini");
    EXPECT_THAT(config::SplitItemFields(installed.ReadString("ADDITIONAL", "item5", "")),
                ElementsAre("Pipe|Tool", "p|ipe.exe", "3", "p|ipe.exe", ""));
    EXPECT_THAT(config::SplitItemFields(installed.ReadString("ADDITIONAL", "item2", "")),
                ElementsAre("\xDC"
                            "berwachung | Werkzeug",
                            "mt.exe", "1", "mt.exe", "-s"));
}

TEST_F(InstalledConfigTest, TouchCfgIniIsWrittenByteForByte) {
    form.BuildTouchCfgIni("C:\\Out\\touchcfg.ini");
    EXPECT_EQ(setup::StepCode, 22);
    EXPECT_THAT(trace, ElementsAre("Write touchcfg INI"));
    EXPECT_EQ(pc.files.Contents("C:\\Out\\touchcfg.ini"),
              "[SYSTEM]\r\nbeep=1\r\nrbtime=1500\r\n[TOUCHCFGTEXT]\r\nCaption=Touch V4.05\r\n");
}

TEST_F(InstalledConfigTest, TextsFromDefaultIniKeepTheConfiguredNames) {
    form.LangIni = std::make_unique<config::IniFile>("C:\\Package\\default.ini");
    WriteConfiguration(
        "[System]\r\nversion=1\r\n[additional]\r\nitem1=|A b| || |0| || ||\r\n[ADDITIONAL]\r\n"
        "item1=Renamed\r\n");
    form.WriteSetupIni("C:\\Out\\setup.ini");
    form.BuildTouchCfgIni("C:\\Out\\touchcfg.ini");
    EXPECT_EQ(pc.files.Contents("C:\\Out\\setup.ini"),
              "[SYSTEM]\r\nversion=1\r\n[SETUPTEXT]\r\n[ADDITIONAL]\r\nitem1=|A b| || |0| || ||\r\n");
    EXPECT_EQ(pc.files.Contents("C:\\Out\\touchcfg.ini"), "[SYSTEM]\r\n[TOUCHCFGTEXT]\r\n");

    WriteConfiguration("[System]\r\n");
    form.WriteSetupIni("C:\\Out\\setup.ini");
    EXPECT_EQ(pc.files.Contents("C:\\Out\\setup.ini"), "[SYSTEM]\r\n[SETUPTEXT]\r\n[ADDITIONAL]\r\n");
}

TEST_F(InstalledConfigTest, AnItemOfFourFieldsEndsTheRunWithStepCode21) {
    WriteConfiguration("[additional]\r\nitem1=|ok| || |0| || ||\r\nitem2=|Tool| |t.exe| |1| |t.exe|\r\n");
    pc.windows.Answer(plat::kIdOk);
    EXPECT_TRUE(EndsTheProcess([&] { form.HandleEvent([&] { form.WriteSetupIni("C:\\Out\\setup.ini"); }); }));
    ASSERT_EQ(pc.windows.boxes.size(), 1u);
    EXPECT_THAT(pc.windows.boxes[0].text, HasSubstr("\nSOURCE=21\nERROR MSG=List index out of bounds (4)"));
    EXPECT_FALSE(pc.files.Exists("C:\\Out\\setup.ini"));  // nothing half-written
}

TEST_F(InstalledConfigTest, AFileThatCannotBeWrittenIsLeftWithoutAWord) {
    pc.files.AddFile("C:\\Out\\setup.ini", "old", plat::kFileAttributeReadOnly);
    form.WriteSetupIni("C:\\Out\\setup.ini");
    form.BuildTouchCfgIni("C:\\No folder\\touchcfg.ini");
    EXPECT_EQ(pc.files.Contents("C:\\Out\\setup.ini"), "old");
    EXPECT_TRUE(pc.windows.boxes.empty());
}

}  // namespace
