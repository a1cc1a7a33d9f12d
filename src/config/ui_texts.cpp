#include "config/ui_texts.h"

#include <utility>

#include "config/ini_file.h"

namespace config {
namespace {

void ReplaceFirst(std::string& text, std::string_view placeholder, const std::string& value) {
    const std::size_t at = text.find(placeholder);
    if (at != std::string::npos) text.replace(at, placeholder.size(), value);
}

}  // namespace

const std::array<std::string, kUiTextCount>& BuiltInTexts() {
    // Shown to users as they stand, misspellings included: language packs are
    // translated from these.
    static const std::array<std::string, kUiTextCount> texts = {
        "Touch screen setup program V%M.%N",                                              // Text1
        "Please plugin controller to USB port",                                           // Text2
        "You must REBOOT Windows to complete the Installation",                           // Text3
        "You must REBOOT Windows to complete the UnInstallation",                         // Text4
        "Install",                                                                        // Text5
        "Uninstall",                                                                      // Text6
        "Quit",                                                                           // Text7
        "Warning",                                                                        // Text8
        "Error while parsing INF file",                                                   // Text9
        "Are you sure to uninstall Brivo driver and utility ?",                           // Text10
        "Product options",                                                                // Text11
        "USB version",                                                                    // Text12
        "RS232 version",                                                                  // Text13
        "Multi monitor version is availble only or Windows XP",                           // Text14
        "Error while parsing SETUP.INI file",                                             // Text15
        "Another version detected, You need to uninstall it and run install again !",     // Text16
        "Successfully install, You can use this device now !",                            // Text17
        "Please PLUG (or REPLUG) controller to USB port before you can use this device",  // Text18
        "Device may be will not work properly, until windows rebooted !",                 // Text19
        "Driver installed!",                                                              // Text20
        "Only user with Administrator rigths can run this program!",                      // Text21
    };
    return texts;
}

std::string UiTextKey(std::size_t index) {
    return "Text" + std::to_string(index + 1);
}

VersionSplit SplitVersion(std::string_view version) {
    VersionSplit parts;
    const std::size_t dot = version.find('.');
    if (dot != std::string_view::npos) {
        parts.major = std::string(version.substr(0, dot));
        parts.minor = std::string(version.substr(dot + 1));
    } else {
        const std::size_t split = version.size() > 2 ? version.size() - 2 : 0;
        parts.major = std::string(version.substr(0, split));
        parts.minor = std::string(version.substr(split));
    }
    return parts;
}

PackageVersion ReadPackageVersion(const IniFile& setupIni) {
    VersionSplit split = SplitVersion(setupIni.ReadString("System", "version", kDefaultVersion));
    return {std::move(split.major), std::move(split.minor),
            setupIni.ReadString("System", "release", kDefaultRelease)};
}

std::string FillVersionPlaceholders(std::string text, const PackageVersion& version) {
    ReplaceFirst(text, kMajorPlaceholder, version.major);
    ReplaceFirst(text, kMinorPlaceholder, version.minor);
    ReplaceFirst(text, kReleasePlaceholder, version.release);
    return text;
}

}  // namespace config
