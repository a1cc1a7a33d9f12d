#include "config/ini_text.h"

#include <algorithm>
#include <limits>

namespace config {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

enum class LineKind { Other, Header, Entry };

// One line of the file. Lines that are neither a header nor a key=value entry
// inside a section (blank lines, ";" comments, lines without "=", keys before
// the first header) are kept as Other so that the writer can leave them alone.
struct Line {
    LineKind kind = LineKind::Other;
    std::size_t begin = 0;       // first character of the line
    std::size_t contentEnd = 0;  // before CR LF or LF
    std::size_t end = 0;         // after the line break
    std::string_view name;       // section of a header, key of an entry
    std::string_view value;      // entries: trimmed, quotes still on
    std::string_view section;    // entries: the section they belong to
    bool blank = true;
};

std::vector<Line> ScanLines(std::string_view text) {
    std::vector<Line> lines;
    std::string_view section;
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        Line line;
        line.begin = pos;
        const std::size_t newline = text.find('\n', pos);
        line.end = newline == std::string_view::npos ? text.size() : newline + 1;
        line.contentEnd = newline == std::string_view::npos ? text.size() : newline;
        if (line.contentEnd > line.begin && text[line.contentEnd - 1] == '\r') --line.contentEnd;
        const std::string_view content = Trim(text.substr(line.begin, line.contentEnd - line.begin));
        line.blank = content.empty();
        if (!content.empty() && content.front() == '[') {
            const std::size_t close = content.find(']');
            if (close != std::string_view::npos) {
                line.kind = LineKind::Header;
                line.name = Trim(content.substr(1, close - 1));
                section = line.name;
                inSection = true;
            }
        } else if (inSection && !content.empty() && content.front() != ';') {
            const std::size_t equals = content.find('=');
            if (equals != std::string_view::npos) {
                const std::string_view key = Trim(content.substr(0, equals));
                if (!key.empty()) {
                    line.kind = LineKind::Entry;
                    line.name = key;
                    line.value = Trim(content.substr(equals + 1));
                    line.section = section;
                }
            }
        }
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

bool IsEntryOf(const Line& line, std::string_view section) {
    return line.kind == LineKind::Entry && EqualsIgnoringCase(line.section, section);
}

const Line* FindEntry(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    for (const Line& line : lines) {
        if (IsEntryOf(line, section) && EqualsIgnoringCase(line.name, key)) return &line;
    }
    return nullptr;
}

std::string CleanValue(std::string_view raw) {
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return std::string(raw.substr(0, kMaxValueLength));
}

std::optional<std::string> ValueOf(const std::vector<Line>& lines, std::string_view section,
                                   std::string_view key) {
    const Line* entry = FindEntry(lines, section, key);
    if (entry == nullptr) return std::nullopt;
    return CleanValue(entry->value);
}

std::vector<std::string> KeyNames(const std::vector<Line>& lines, std::string_view section) {
    std::vector<std::string> names;
    std::size_t room = kKeyNamesBufferSize - 1;  // the list's final NUL
    for (const Line& line : lines) {
        if (!IsEntryOf(line, section)) continue;
        if (line.name.size() + 1 <= room) {
            names.emplace_back(line.name);
            room -= line.name.size() + 1;
            continue;
        }
        // The buffer ends with this name cut short, then the two NULs.
        if (room > 1) names.emplace_back(line.name.substr(0, room - 1));
        break;
    }
    return names;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::uint32_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
    return static_cast<std::uint32_t>(LowerAscii(c) - 'a' + 10);
}

// What ends the text's last line so that a line can follow: nothing when it
// ends in a line feed; a line feed after a lone carriage return (which is no
// line break of its own); else the text's line ending.
std::string_view BreakBeforeNewLine(std::string_view text, std::string_view eol) {
    if (text.empty() || text.back() == '\n') return {};
    if (text.back() == '\r') return "\n";
    return eol;
}

}  // namespace

std::optional<std::u16string> Utf16LittleEndianText(std::string_view file) {
    if (file.size() < 2 || file[0] != '\xFF' || file[1] != '\xFE') return std::nullopt;
    std::u16string units;
    units.reserve((file.size() - 2) / 2);
    for (std::size_t i = 2; i + 1 < file.size(); i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(file[i]) |
                                              (static_cast<unsigned char>(file[i + 1]) << 8)));
    }
    return units;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    return ValueOf(ScanLines(text), section, key);
}

std::vector<std::string> ListIniKeyNames(std::string_view text, std::string_view section) {
    return KeyNames(ScanLines(text), section);
}

bool IniSectionHasKeys(std::string_view text, std::string_view section) {
    const std::vector<Line> lines = ScanLines(text);
    return std::any_of(lines.begin(), lines.end(),
                       [&](const Line& line) { return IsEntryOf(line, section); });
}

std::vector<std::string> ReadIniSectionValues(std::string_view text, std::string_view section) {
    const std::vector<Line> lines = ScanLines(text);
    std::vector<std::string> pairs;
    for (const std::string& name : KeyNames(lines, section)) {
        pairs.push_back(name + "=" + ValueOf(lines, section, name).value_or(""));
    }
    return pairs;
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    const std::vector<Line> lines = ScanLines(text);
    const std::string_view eol =
        text.find("\r\n") != std::string_view::npos || text.find('\n') == std::string_view::npos ? "\r\n"
                                                                                                 : "\n";

    if (const Line* entry = FindEntry(lines, section, key)) {
        // The key keeps its spelling in the file; only the line's text changes.
        std::string result(text.substr(0, entry->begin));
        result.append(entry->name).append("=").append(value);
        result.append(text.substr(entry->contentEnd));
        return result;
    }

    const auto header = std::find_if(lines.begin(), lines.end(), [&](const Line& line) {
        return line.kind == LineKind::Header && EqualsIgnoringCase(line.name, section);
    });
    if (header != lines.end()) {
        // After the block's last non-blank line, so blank lines before the next
        // header stay where they are.
        auto last = header;
        for (auto it = header + 1; it != lines.end() && it->kind != LineKind::Header; ++it) {
            if (!it->blank) last = it;
        }
        std::string result(text.substr(0, last->end));
        if (last->end == text.size()) result.append(BreakBeforeNewLine(text, eol));
        result.append(key).append("=").append(value).append(eol);
        result.append(text.substr(last->end));
        return result;
    }

    std::string result(text);
    result.append(BreakBeforeNewLine(text, eol));
    result.append("[").append(section).append("]").append(eol);
    result.append(key).append("=").append(value).append(eol);
    return result;
}

std::optional<std::int32_t> ParseIniInteger(std::string_view value) {
    bool negative = false;
    if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }

    std::size_t prefix = 0;
    if (value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        prefix = 2;
    } else if (!value.empty() && (value[0] == '$' || value[0] == 'x' || value[0] == 'X')) {
        prefix = 1;
    }

    if (prefix > 0) {
        const std::string_view digits = value.substr(prefix);
        if (digits.empty() || digits.size() > 8 || !std::all_of(digits.begin(), digits.end(), IsHexDigit)) {
            return std::nullopt;
        }
        std::uint32_t pattern = 0;
        for (char c : digits) pattern = (pattern << 4) | HexDigitValue(c);
        if (negative) pattern = 0u - pattern;
        return static_cast<std::int32_t>(pattern);
    }

    if (value.empty()) return std::nullopt;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > kLimit) return std::nullopt;
    }
    if (!negative && magnitude == kLimit) return std::nullopt;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace config
