// A string list filled from comma text, as the toolkit's string list reads it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace config {

// Items are separated by a comma or by blanks and control characters; blanks
// around an item are skipped; an item may be enclosed in double quotes (a
// quote inside written twice) to hold commas or blanks. Two commas with
// nothing between them give an empty item, and so does a comma that ends the
// text ("0300," gives two items, "0300, " one). "0300,0301, 0302" gives three items.
std::vector<std::string> SplitCommaText(std::string_view text);

}  // namespace config
