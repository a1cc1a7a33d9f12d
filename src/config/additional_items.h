// Fields of an [additional] item: separated by blanks; a field holding blanks,
// or an empty one, is enclosed in "|", with a "|" inside it written twice.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace config {

// All fields of the value, in order. Runs of blanks separate once; an
// enclosed field without its closing bar runs to the end of the value.
std::vector<std::string> SplitItemFields(std::string_view item);

}  // namespace config
