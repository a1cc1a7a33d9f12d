#include "shell/system_error.h"

#include "platform/os.h"

namespace setup {

std::string SystemErrorMessage(plat::DWord code) {
    constexpr plat::DWord kBufferChars = 256;
    std::string text;
    if (plat::os().System().FormatMessageA(plat::kFormatMessageFromSystem | plat::kFormatMessageIgnoreInserts,
                                           code, 0, &text, kBufferChars) == 0)
        return "";
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

}  // namespace setup
