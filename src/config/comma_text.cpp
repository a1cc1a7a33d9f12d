#include "config/comma_text.h"

#include <utility>

namespace config {
namespace {

bool IsBlank(char c) {
    return c >= 1 && static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
    constexpr char kQuote = '"';
    std::vector<std::string> items;
    std::size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
    };
    skipBlanks();
    while (pos < text.size() && text[pos] != '\0') {
        std::string item;
        if (text[pos] == kQuote) {
            ++pos;
            while (pos < text.size()) {
                if (text[pos] == kQuote) {
                    if (pos + 1 < text.size() && text[pos + 1] == kQuote) {
                        item += kQuote;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                item += text[pos++];
            }
        } else {
            while (pos < text.size() && static_cast<unsigned char>(text[pos]) > ' ' && text[pos] != ',')
                item += text[pos++];
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (pos < text.size() && text[pos] == ',') {
            ++pos;
            // A comma that ends the text leaves an empty item after it.
            if (pos == text.size() || text[pos] == '\0') items.emplace_back();
            skipBlanks();
        }
    }
    return items;
}

}  // namespace config
