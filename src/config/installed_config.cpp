// The configuration files an install leaves in the install folder: the
// installed copy's "setup.ini" and the touch tool's "touchcfg.ini".
#include <string>
#include <vector>

#include "config/additional_items.h"
#include "config/ini_file.h"
#include "config/ui_texts.h"
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {
namespace {

constexpr const char* kEndOfLine = "\r\n";

void AddLine(std::string& text, const std::string& line) {
    text += line;
    text += kEndOfLine;
}

// A text file written anew; a file that cannot be written is left as it is,
// without a word, and the install goes on.
void WriteTextFile(const std::string& path, const std::string& text) {
    plat::os().Files().WriteWholeFile(path, text);
}

}  // namespace

void TVEXA_Form1::WriteSetupIni(const std::string& path) {
    StepCode = 21;
    LogLine("Write setup INI");
    const config::PackageVersion version = config::ReadPackageVersion(*SetupIni);
    std::string text;
    AddLine(text, "[SYSTEM]");
    for (const std::string& line : SetupIni->ReadSectionValues("System")) AddLine(text, line);
    AddLine(text, "[SETUPTEXT]");
    for (const std::string& line : LangIni->ReadSectionValues("SetupTEXT"))
        AddLine(text, config::FillVersionPlaceholders(line, version));
    AddLine(text, "[ADDITIONAL]");
    for (int n = 1; n <= 5; ++n) {
        const std::vector<std::string> fields = config::ReadAdditionalItem(*SetupIni, LangIni.get(), n);
        if (fields.empty()) continue;
        // Bars inside a field are doubled, so that the uninstall reads back
        // the very names and files this install placed.
        AddLine(text, "item" + std::to_string(n) + "=" + config::JoinItemFields(fields));
    }
    WriteTextFile(path, text);
}

void TVEXA_Form1::BuildTouchCfgIni(const std::string& path) {
    StepCode = 22;
    LogLine("Write touchcfg INI");
    const config::PackageVersion version = config::ReadPackageVersion(*SetupIni);
    std::string text;
    AddLine(text, "[SYSTEM]");
    for (const std::string& line : SetupIni->ReadSectionValues("TouchCFG")) AddLine(text, line);
    AddLine(text, "[TOUCHCFGTEXT]");
    for (const std::string& line : LangIni->ReadSectionValues("TouchCFGTEXT"))
        AddLine(text, config::FillVersionPlaceholders(line, version));
    WriteTextFile(path, text);
}

}  // namespace setup
