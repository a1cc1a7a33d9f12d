// Configuration files saved as UTF-16 little-endian with a byte-order mark are
// read as Windows' profile functions read them: converted through the
// machine's ANSI code page, with every other reading rule unchanged.
#include <gmock/gmock.h>

#include "config/ini_file.h"
#include "shell/errors.h"
#include "sim_fixture.h"
#include "utf16_file.h"

using ::testing::ElementsAre;

namespace {

using test_support::Utf16LeFile;

constexpr char kPack[] = "C:\\Package\\lang\\language.DEU";

class UnicodeFileTest : public SimTest {
protected:
    void Save(const std::u16string& text) { pc.files.AddFile(kPack, Utf16LeFile(text)); }
};

TEST_F(UnicodeFileTest, ReadsThroughTheAnsiCodePageWithTheUsualRules) {
    Save(
        u"; Sprachpaket\r\n[SETUPTEXT]\r\n  Text5 = \"Installieren \" \r\nText7=Schlie\u00DFen\r\n"
        u"Text7=second\r\ntext12=USB-Ger\u00E4t \u20AC\r\n[setuptext]\r\nText13=RS-232\r\n");
    const config::IniFile ini(kPack);
    EXPECT_EQ(ini.ReadString("SetupText", "Text5", "x"), "Installieren ");
    EXPECT_EQ(ini.ReadString("SetupText", "Text7", "x"),
              "Schlie\xDF"
              "en");
    EXPECT_EQ(ini.ReadString("SetupText", "Text12", "x"), "USB-Ger\xE4t \x80");
    EXPECT_EQ(ini.ReadString("SetupText", "Text13", "x"), "RS-232");
    EXPECT_EQ(ini.ReadString("SetupText", "Text14", "x"), "x");
    EXPECT_TRUE(ini.SectionExists("SetupText"));
    EXPECT_THAT(ini.ReadSectionValues("SetupText"), ElementsAre("Text5=Installieren ",
                                                                "Text7=Schlie\xDF"
                                                                "en",
                                                                "Text7=Schlie\xDF"
                                                                "en",
                                                                "text12=USB-Ger\xE4t \x80", "Text13=RS-232"));
}

TEST_F(UnicodeFileTest, CharactersTheCodePageLacksBecomeQuestionMarks) {
    Save(
        u"[SetupText]\r\nText5=\u5B89\u88C5 Install\r\nText6=\u0423\u0434\u0430\u043B\u0438\u0442\u044C\r\n");
    const config::IniFile ini(kPack);
    EXPECT_EQ(ini.ReadString("SetupText", "Text5", ""), "?? Install");
    EXPECT_EQ(ini.ReadString("SetupText", "Text6", ""), "???????");

    pc.facts.ansiCodePage = 1251;  // a Cyrillic Windows
    EXPECT_EQ(ini.ReadString("SetupText", "Text6", ""), "\xD3\xE4\xE0\xEB\xE8\xF2\xFC");
    EXPECT_EQ(ini.ReadString("SetupText", "Text5", ""), "?? Install");
}

TEST_F(UnicodeFileTest, MarkAloneReadsAsEmpty) {
    Save(u"");
    EXPECT_EQ(config::IniFile(kPack).ReadString("SetupText", "Text5", "Install"), "Install");
}

TEST_F(UnicodeFileTest, FailedConversionIsAnErrorNamingTheFile) {
    Save(u"[SetupText]\r\nText5=Go\r\n");
    pc.FailCall("WideCharToMultiByte", 8);  // ERROR_NOT_ENOUGH_MEMORY
    try {
        config::IniFile(kPack).ReadString("SetupText", "Text5", "Install");
        FAIL() << "no error";
    } catch (const setup::SetupError& error) {
        EXPECT_EQ(std::string(error.what()), std::string("Unable to read ") + kPack);
    }
}

// The writer keeps a file's bytes as they are; ANSI lines in a Unicode file would corrupt it.
TEST_F(UnicodeFileTest, WriterRefusesAUnicodeFileAndLeavesItAlone) {
    Save(u"[system]\r\nproduct=-1\r\n");
    const std::string before = pc.files.Contents(kPack);
    config::IniFile ini(kPack);
    EXPECT_THROW(ini.WriteInteger("system", "product", 0), setup::SetupError);
    EXPECT_EQ(pc.files.Contents(kPack), before);
    EXPECT_EQ(ini.ReadInteger("system", "product", 5), -1);
}

}  // namespace
