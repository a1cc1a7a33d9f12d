#include "config/additional_items.h"

#include <utility>

#include "config/ini_file.h"
#include "shell/errors.h"

namespace config {
namespace {

// Control characters separate like blanks.
bool IsSeparator(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::vector<std::string> SplitItemFields(std::string_view item) {
    constexpr char kBar = '|';
    std::vector<std::string> fields;
    std::size_t pos = 0;
    const auto skipSeparators = [&] {
        while (pos < item.size() && IsSeparator(item[pos])) ++pos;
    };
    skipSeparators();
    while (pos < item.size()) {
        std::string field;
        if (item[pos] == kBar) {
            ++pos;
            while (pos < item.size()) {
                if (item[pos] == kBar) {
                    if (pos + 1 < item.size() && item[pos + 1] == kBar) {
                        field += kBar;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                field += item[pos++];
            }
        } else {
            while (pos < item.size() && !IsSeparator(item[pos])) field += item[pos++];
        }
        fields.push_back(std::move(field));
        skipSeparators();
    }
    return fields;
}

const std::string& ItemField(const std::vector<std::string>& fields, std::size_t index) {
    if (index >= fields.size())
        throw setup::SetupError("List index out of bounds (" + std::to_string(index) + ")");
    return fields[index];
}

std::string JoinItemFields(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < kItemFieldCount; ++i) {
        if (i > 0) line += ' ';
        line += '|';
        for (char c : ItemField(fields, i)) {
            if (c == '|') line += '|';
            line += c;
        }
        line += '|';
    }
    return line;
}

std::vector<std::string> ReadAdditionalItem(const IniFile& setupIni, const IniFile* langIni, int n) {
    const std::string key = "item" + std::to_string(n);
    const std::string value = setupIni.ReadString("additional", key, "");
    if (value.empty()) return {};
    std::vector<std::string> fields = SplitItemFields(value);
    if (langIni == nullptr || fields.empty()) return fields;
    std::string path = langIni->FileName();
    for (char& c : path)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (path.find("DEFAULT.INI") == std::string::npos) {
        std::string name = langIni->ReadString("ADDITIONAL", key, "");
        if (!name.empty()) fields[0] = std::move(name);
    }
    return fields;
}

}  // namespace config
