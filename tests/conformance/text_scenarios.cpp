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

namespace {

// The UTF-16 units a conversion wrote, or "failed, error N".
std::string Widened(const std::string& text, int maxChars) {
    std::u16string wide;
    int written = plat::os().System().MultiByteToWideChar(plat::kCpAcp, 0, text, &wide, maxChars);
    if (written == 0) return "failed, error " + std::to_string(LastError());
    std::string units = std::to_string(written) + ":";
    for (char16_t c : wide) units += " " + Hex(c);
    return units;
}

}  // namespace

SCENARIO("system", "ANSI text into UTF-16") {
    // The count includes the terminating NUL of the input (length -1).
    check.Expect("a path with a Western letter and the euro sign", Widened("C:\\\xC4\x80", 260),
                 "6: 0x43 0x3A 0x5C 0xC4 0x20AC");
    check.Expect("the size a conversion needs", Widened("abcdef", 0), "7:");
    check.Expect("a buffer too small for the text and its NUL", Widened("abcdef", 6), "failed, error 122");
}

SCENARIO("system", "messages of system errors") {
    constexpr const char* kWineWording =
        "Wine's system messages are worded otherwise than Windows' English ones";
    auto message = [](plat::DWord code) {
        std::string text;
        plat::DWord length = plat::os().System().FormatMessageA(
            plat::kFormatMessageFromSystem | plat::kFormatMessageIgnoreInserts, code, 0, &text, 256);
        if (length == 0) return "failed, error " + std::to_string(LastError());
        return std::to_string(length) + ": " + text;
    };
    check.WineDeparts(kWineWording);
    check.Expect("ERROR_FILE_NOT_FOUND", message(plat::kErrorFileNotFound),
                 "44: The system cannot find the file specified.\r\n");
    check.WineDeparts(kWineWording);
    check.Expect("its HRESULT", message(0x80070002u), "44: The system cannot find the file specified.\r\n");
    check.WineDeparts(kWineWording);
    check.Expect("ERROR_ACCESS_DENIED", message(plat::kErrorAccessDenied), "19: Access is denied.\r\n");
}

}  // namespace conformance
