// Text conversion from UTF-16 into an ANSI code page, as the configuration
// reader converts a Unicode file.
#include "conformance/helpers.h"

namespace conformance {
namespace {

// The bytes a conversion wrote, or "failed, error N".
std::string Converted(plat::UInt codePage, const std::u16string& text) {
    std::string out;
    int written = plat::os().System().WideCharToMultiByte(codePage, 0, text, &out);
    if (written == 0) return "failed, error " + std::to_string(LastError());
    return std::to_string(written) + ": " + Bytes(std::vector<std::uint8_t>(out.begin(), out.end()));
}

}  // namespace

SCENARIO("system", "UTF-16 text into a code page") {
    check.Expect("Western letters and the euro sign, code page 1252",
                 Converted(1252, u"Gr\u00FC\u00DFe \u20AC"), "7: 47 72 fc df 65 20 80");
    // No best fit exists for a CJK character: the default character "?".
    check.Expect("a character code page 1252 lacks", Converted(1252, u"a\u4E2Db"), "3: 61 3f 62");
    check.Expect("Cyrillic, code page 1251", Converted(1251, u"\u0416\u0451"), "2: c6 b8");
    check.Expect("ASCII in the ANSI code page", Converted(plat::kCpAcp, u"abc\r\n"), "5: 61 62 63 0d 0a");
    // An empty input fails: cchWideChar 0 is an invalid parameter.
    check.Expect("empty text", Converted(1252, u""), "failed, error 87");
}

}  // namespace conformance
