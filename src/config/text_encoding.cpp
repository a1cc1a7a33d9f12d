#include "config/text_encoding.h"

#include <algorithm>
#include <string>

namespace config {
namespace {

struct LanguageCodePage {
    std::string_view code;
    unsigned codePage;
};

// The codes the language choice yields (and other common ones), by the ANSI
// code page of their Windows.
constexpr LanguageCodePage kLanguageCodePages[] = {
    {"ENU", 1252}, {"DEU", 1252}, {"ESP", 1252}, {"FRA", 1252}, {"PTG", 1252}, {"PTB", 1252}, {"ITA", 1252},
    {"NLD", 1252}, {"SVE", 1252}, {"DAN", 1252}, {"NOR", 1252}, {"FIN", 1252}, {"PLK", 1250}, {"CSY", 1250},
    {"HUN", 1250}, {"SKY", 1250}, {"SLV", 1250}, {"HRV", 1250}, {"RUS", 1251}, {"UKR", 1251}, {"BGR", 1251},
    {"TRK", 1254}, {"ARA", 1256}, {"CHS", 936},  {"CHT", 950},  {"JPN", 932},  {"KOR", 949},
};

bool In(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// Bytes of the single-byte code pages that stand for no character.
bool Unassigned(unsigned codePage, unsigned char byte) {
    static constexpr std::string_view k1250 = "\x81\x83\x88\x90\x98";
    static constexpr std::string_view k1251 = "\x98";
    static constexpr std::string_view k1252 = "\x81\x8D\x8F\x90\x9D";
    static constexpr std::string_view k1254 = "\x81\x8D\x8E\x8F\x90\x9D\x9E";
    const char c = static_cast<char>(byte);
    switch (codePage) {
        case 1250:
            return k1250.find(c) != std::string_view::npos;
        case 1251:
            return k1251.find(c) != std::string_view::npos;
        case 1252:
            return k1252.find(c) != std::string_view::npos;
        case 1254:
            return k1254.find(c) != std::string_view::npos;
        default:
            return false;
    }
}

struct DoubleByteRules {
    bool (*single)(unsigned char);  // a character of one byte (beyond ASCII)
    bool (*lead)(unsigned char);
    bool (*trail)(unsigned char);
};

const DoubleByteRules* DoubleByteRulesOf(unsigned codePage) {
    static constexpr DoubleByteRules k932 = {
        [](unsigned char b) { return In(b, 0xA1, 0xDF); },
        [](unsigned char b) { return In(b, 0x81, 0x9F) || In(b, 0xE0, 0xFC); },
        [](unsigned char b) { return In(b, 0x40, 0x7E) || In(b, 0x80, 0xFC); }};
    static constexpr DoubleByteRules k936 = {
        [](unsigned char b) { return b == 0x80; }, [](unsigned char b) { return In(b, 0x81, 0xFE); },
        [](unsigned char b) { return In(b, 0x40, 0x7E) || In(b, 0x80, 0xFE); }};
    static constexpr DoubleByteRules k949 = {
        [](unsigned char) { return false; }, [](unsigned char b) { return In(b, 0x81, 0xFE); },
        [](unsigned char b) { return In(b, 0x41, 0x5A) || In(b, 0x61, 0x7A) || In(b, 0x81, 0xFE); }};
    static constexpr DoubleByteRules k950 = {
        [](unsigned char) { return false; }, [](unsigned char b) { return In(b, 0x81, 0xFE); },
        [](unsigned char b) { return In(b, 0x40, 0x7E) || In(b, 0xA1, 0xFE); }};
    switch (codePage) {
        case 932:
            return &k932;
        case 936:
            return &k936;
        case 949:
            return &k949;
        case 950:
            return &k950;
        default:
            return nullptr;
    }
}

}  // namespace

unsigned AnsiCodePageOfLanguage(std::string_view languageCode) {
    std::string upper(languageCode);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const auto* found = std::find_if(std::begin(kLanguageCodePages), std::end(kLanguageCodePages),
                                     [&](const LanguageCodePage& entry) { return entry.code == upper; });
    return found == std::end(kLanguageCodePages) ? 0 : found->codePage;
}

std::optional<std::size_t> FirstByteOutsideCodePage(std::string_view text, unsigned codePage) {
    const DoubleByteRules* rules = DoubleByteRulesOf(codePage);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) continue;
        if (rules == nullptr) {
            if (Unassigned(codePage, byte)) return i;
            continue;
        }
        if (rules->single(byte)) continue;
        if (!rules->lead(byte) || i + 1 == text.size() ||
            !rules->trail(static_cast<unsigned char>(text[i + 1])))
            return i;
        ++i;
    }
    return std::nullopt;
}

bool StartsWithUtf8Mark(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF");
}

bool IsUtf8BeyondAscii(std::string_view text) {
    bool beyondAscii = false;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (In(lead, 0xC2, 0xDF))
            length = 2;
        else if (In(lead, 0xE0, 0xEF))
            length = 3;
        else if (In(lead, 0xF0, 0xF4))
            length = 4;
        else
            return false;
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if (!In(static_cast<unsigned char>(text[i + k]), 0x80, 0xBF)) return false;
        beyondAscii = true;
        i += length;
    }
    return beyondAscii;
}

}  // namespace config
