// A translator's language pack saved as UTF-16 ("Unicode" in Notepad) gives
// its texts, in the machine's ANSI code page, instead of the built-in English.
#include <gmock/gmock.h>

#include "case_name.h"
#include "shell/shell_fixture.h"
#include "utf16_file.h"

namespace {

struct PackCase {
    const char* name;
    const char* locale;
    unsigned codePage;
    std::u16string pack;
    std::string install;  // the Install button's caption
    std::string groupName;
    std::string title;
};

class UnicodeLanguagePackTest : public ShellTest, public ::testing::WithParamInterface<PackCase> {};

// Formerly such a pack read as empty: the window showed the built-in English texts.
TEST_P(UnicodeLanguagePackTest, TextsComeFromThePack) {
    const PackCase& c = GetParam();
    pc.facts.locale = c.locale;
    pc.facts.ansiCodePage = c.codePage;
    WritePackageIni(
        "[LanguagePacks]\r\nlanguage=auto\r\nfolder=lang\r\n[system]\r\nversion=3.25\r\n"
        "[INFData]\r\nmanufacturer=Acme\r\n");
    pc.files.AddFile(std::string("C:\\Package\\lang\\language.") + c.locale,
                     test_support::Utf16LeFile(c.pack));
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_EQ(form.LangCode, c.locale);
    EXPECT_EQ(pc.ui.Control("InstallButton").text, c.install);
    EXPECT_EQ(form.GroupName, c.groupName);
    EXPECT_EQ(pc.ui.caption, c.title);
    EXPECT_EQ(form.UiTexts[6], "Quit");  // a text the pack leaves out keeps its built-in default
}

INSTANTIATE_TEST_SUITE_P(
    Packs, UnicodeLanguagePackTest,
    ::testing::Values(
        PackCase{"German", "DEU", 1252,
                 u"; Sprachpaket f\u00FCr die Einrichtung\r\n[SetupText]\r\n"
                 u"groupname=Ber\u00FChrungsbildschirm\r\nText1=Einrichtung V!@MAJOR.!@MINOR \u2013 "
                 u"\u00C4nderungen\r\nText5=&Installieren\r\n",
                 "&Installieren", "Ber\xFChrungsbildschirm", "Einrichtung V3.25 \x96 \xC4nderungen"},
        PackCase{"Russian", "RUS", 1251,
                 u"[SetupText]\r\nText5=\u0423\u0441\u0442\u0430\u043D\u043E\u0432\u0438\u0442\u044C\r\n"
                 u"groupname=\u0421\u0435\u043D\u0441\u043E\u0440 "
                 u"\u00C4\r\nText1=\u041D\u0430\u0441\u0442\u0440\u043E\u0439\u043A\u0430\r\n",
                 "\xD3\xF1\xF2\xE0\xED\xEE\xE2\xE8\xF2\xFC (&i)", "\xD1\xE5\xED\xF1\xEE\xF0 ?",
                 "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0"}),
    test_support::CaseName());

}  // namespace
