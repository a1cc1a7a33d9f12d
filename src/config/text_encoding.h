// How Windows reads a configuration or language file: ANSI text in the
// system's code page (or UTF-16 with a byte-order mark). A language pack is
// read on Windows set to its language, so its text must be in that
// language's code page; a file saved as UTF-8 comes out garbled.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace config {

// The ANSI code page of Windows in the language of a language pack code
// ("DEU" 1252, "CHS" 936); 0 when the code is not known here.
unsigned AnsiCodePageOfLanguage(std::string_view languageCode);

// The offset of the first byte that is no character of the code page: an
// unassigned byte, or a lead byte of a double-byte code page without its
// trail byte. nullopt when the whole text fits, or the code page is not known here.
std::optional<std::size_t> FirstByteOutsideCodePage(std::string_view text, unsigned codePage);

// The text starts with UTF-8's byte-order mark, which Windows' profile
// functions take as part of the first line.
bool StartsWithUtf8Mark(std::string_view text);
// Well-formed UTF-8 holding at least one character beyond ASCII: text saved
// as UTF-8 rather than in an ANSI code page.
bool IsUtf8BeyondAscii(std::string_view text);

}  // namespace config
