// Fields of an [additional] item: separated by blanks; a field holding blanks,
// or an empty one, is enclosed in "|", with a "|" inside it written twice.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace config {

class IniFile;

// All fields of the value, in order. Runs of blanks separate once; an
// enclosed field without its closing bar runs to the end of the value.
std::vector<std::string> SplitItemFields(std::string_view item);

// An item has five fields: display name, file, shortcut flags, target, arguments.
constexpr std::size_t kItemFieldCount = 5;

// Field `index` of an item; an item that has no such field raises the
// string list's index error (setup::SetupError), which ends the run in the
// fatal-error report.
const std::string& ItemField(const std::vector<std::string>& fields, std::size_t index);

// The fields of item `n` of [additional] of the setup configuration; empty
// when the item is not set. With a language file whose path does not hold
// "DEFAULT.INI" (letter case ignored), a non-empty key "item" + n of its
// [ADDITIONAL] section replaces field 0 as one whole value.
std::vector<std::string> ReadAdditionalItem(const IniFile& setupIni, const IniFile* langIni, int n);

// The first five fields in the enclosed form, each between bars with a bar
// inside written twice, separated by one blank: the form SplitItemFields
// reads back as the same fields.
std::string JoinItemFields(const std::vector<std::string>& fields);

}  // namespace config
