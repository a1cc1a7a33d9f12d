// System queries: version, locale, user, folders, metrics and the caption
// font's measurement, as the startup sequence asks for them. The machine is
// Windows 7 Service Pack 1, 64-bit.
#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr plat::DWord kErrorInsufficientBuffer = 122;
constexpr plat::DWord kLocaleUserDefault = 0x0400;

plat::SystemApi& System() {
    return plat::os().System();
}

}  // namespace

SCENARIO("system", "version") {
    plat::DWord version = System().GetVersion();
    check.Expect("major", version & 0xFF, 6);
    check.Expect("minor", (version >> 8) & 0xFF, 1);
    check.Expect("build (high word)", version >> 16, 7601);
    for (plat::DWord size : {148u, 156u}) {
        plat::OsVersionInfo info;
        info.size = size;
        check.Expect("GetVersionExA size " + std::to_string(size), BoolResult(System().GetVersionExA(&info)),
                     "TRUE");
        check.Expect("major", info.major, 6);
        check.Expect("minor", info.minor, 1);
        check.Expect("build", info.build, 7601);
        check.Expect("platform", info.platformId, 2);  // VER_PLATFORM_WIN32_NT
        check.Expect("service pack", info.servicePack, "Service Pack 1");
    }
    plat::OsVersionInfo bad;
    bad.size = 100;
    check.Expect("GetVersionExA with a wrong record size", BoolResult(System().GetVersionExA(&bad)),
                 "FALSE, error " + std::to_string(kErrorInsufficientBuffer));
}

SCENARIO("system", "abbreviated language name") {
    for (plat::DWord locale : {plat::kLocaleSystemDefault, kLocaleUserDefault}) {
        std::string what = "locale " + Hex(locale);
        std::string name;
        int needed = System().GetLocaleInfoA(locale, plat::kLocaleSAbbrevLangName, &name, 0);
        check.Expect(what + ": size asked with no buffer", needed, 4);  // three letters and the NUL
        int written = System().GetLocaleInfoA(locale, plat::kLocaleSAbbrevLangName, &name, 16);
        check.Expect(what + ": characters written", written, 4);
        check.Expect(what + ": three letters", static_cast<std::int64_t>(name.size()), 3);
        int refused = System().GetLocaleInfoA(locale, plat::kLocaleSAbbrevLangName, &name, 2);
        check.Expect(what + ": a buffer too small", refused, 0);
        check.Expect(what + ": its error", LastError(), kErrorInsufficientBuffer);
    }
}

SCENARIO("system", "folders") {
    std::string windows, system, temp;
    plat::UInt length = System().GetWindowsDirectoryA(&windows, 260);
    check.Expect("Windows folder length", length, static_cast<std::int64_t>(windows.size()));
    check.ExpectTrue("Windows folder is a full path without trailing backslash",
                     windows.size() > 3 && windows[1] == ':' && windows.back() != '\\');
    length = System().GetSystemDirectoryA(&system, 260);
    check.Expect("system folder length", length, static_cast<std::int64_t>(system.size()));
    check.Expect("system folder", system, windows + "\\system32");
    std::string small;
    check.Expect("Windows folder in a buffer too small: the size needed",
                 System().GetWindowsDirectoryA(&small, 3), static_cast<std::int64_t>(windows.size() + 1));
    check.Expect("system folder in a buffer too small: the size needed",
                 System().GetSystemDirectoryA(&small, 3), static_cast<std::int64_t>(system.size() + 1));
    plat::DWord tempLength = System().GetTempPathA(260, &temp);
    check.Expect("temporary folder length", tempLength, static_cast<std::int64_t>(temp.size()));
    check.ExpectTrue("temporary folder ends with a backslash", !temp.empty() && temp.back() == '\\');
}

SCENARIO("system", "user name") {
    std::string name;
    plat::DWord size = 1;
    check.Expect("a buffer too small", BoolResult(System().GetUserNameA(&name, &size)),
                 "FALSE, error " + std::to_string(kErrorInsufficientBuffer));
    plat::DWord needed = size;
    check.ExpectTrue("the size needed is reported", needed > 1);
    size = 257;
    check.Expect("GetUserNameA", BoolResult(System().GetUserNameA(&name, &size)), "TRUE");
    check.Expect("size with the NUL", size, static_cast<std::int64_t>(name.size() + 1));
    check.Expect("the size announced was right", needed, size);
}

SCENARIO("system", "non-client metrics") {
    for (plat::UInt size : {340u, 344u}) {
        plat::NonClientMetrics metrics;
        metrics.size = size;
        check.Expect(
            "record size " + std::to_string(size),
            BoolResult(System().SystemParametersInfoA(plat::kSpiGetNonClientMetrics, size, &metrics, 0)),
            "TRUE");
        check.ExpectTrue("a caption font name", !metrics.captionFont.faceName.empty());
        check.ExpectTrue("a caption font height", metrics.captionFont.height != 0);
    }
    plat::NonClientMetrics wrong;
    wrong.size = 100;
    check.WineDeparts("Wine refuses a wrong record size with error 2")
        .Expect("a wrong record size",
                BoolResult(System().SystemParametersInfoA(plat::kSpiGetNonClientMetrics, 100, &wrong, 0)),
                "FALSE, error 87");
}

SCENARIO("system", "measuring the caption font") {
    plat::Hwnd desktop = System().GetDesktopWindow();
    check.ExpectTrue("desktop window", desktop != 0);
    plat::Handle dc = System().GetDC(desktop);
    check.ExpectTrue("GetDC", dc != 0);
    if (!dc) return;
    check.Expect("pixels per inch", System().GetDeviceCaps(dc, plat::kLogPixelsY), 96);
    plat::LogFont font;
    font.height = -12;
    font.weight = 400;
    font.faceName = "Tahoma";
    plat::Handle handle = System().CreateFontIndirectA(font);
    check.ExpectTrue("CreateFontIndirectA", handle != 0);
    plat::Handle previous = System().SelectObject(dc, handle);
    check.ExpectTrue("SelectObject returns the previous font", previous != 0 && previous != handle);
    plat::TextMetric metrics;
    check.Expect("GetTextMetricsA", BoolResult(System().GetTextMetricsA(dc, &metrics)), "TRUE");
    // A negative height asks for the character height: the cell adds the internal leading.
    check.Expect("cell height", metrics.height, 12 + metrics.internalLeading);
    check.WineDeparts("Wine deletes a selected font once it is deselected, and reports success at once")
        .Expect("delete the font while selected", System().DeleteObject(handle), 0);
    check.Expect("select the previous font back",
                 static_cast<std::int64_t>(System().SelectObject(dc, previous)),
                 static_cast<std::int64_t>(handle));
    System().DeleteObject(handle);
    check.Expect("ReleaseDC", System().ReleaseDC(desktop, dc), 1);
}

}  // namespace conformance
