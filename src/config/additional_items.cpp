#include "config/additional_items.h"

#include <utility>

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

}  // namespace config
