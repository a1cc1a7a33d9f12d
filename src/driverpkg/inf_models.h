// The USB INF as the install reads it: the manufacturer string, the models
// numbered from 00 and their descriptions, the service display name, and
// which models the package's PIDList accepts. Staging needs the INF template
// beside the program and the PIDList of the setup configuration.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace config {
class IniFile;
}

namespace setup {

// Required beside the program; its content is not read.
inline constexpr const char* kInfTemplate = "infraw.dat";

// [INFData] PIDList of the setup configuration: product IDs separated by
// commas (comma text); empty or missing, every install stops.
inline constexpr const char* kPidListSection = "INFData";
inline constexpr const char* kPidListKey = "PIDList";

// Where the INF keeps what the install reads. A key whose value is exactly
// "nil" counts as absent.
inline constexpr const char* kInfAbsent = "nil";
inline constexpr const char* kManufacturerSection = "Strings";
inline constexpr const char* kManufacturerKey = "QZMfg";
inline constexpr const char* kModelSection = "QZMfg";
inline constexpr const char* kDescriptionSection = "strings";
inline constexpr const char* kDefaultDescription = "Touch USB";
inline constexpr const char* kServiceSection = "QZK_Driver_Service_Inst";
inline constexpr const char* kDisplayNameKey = "displayname";
inline constexpr const char* kDefaultDisplayName = "Touch screen driver";
inline constexpr int kLastModelNumber = 35;

// "%QZUSB_0A%" for model 10, and its description key "QZUSB_0A".
std::string ModelKey(int number);
std::string ModelDescriptionKey(int number);

// The part of a model value from its first "VID" on; empty when it has none.
std::string HardwareIdOf(const std::string& modelValue);
// VID_ and four hexadecimal digits, &PID_ and four more: the form the rest of
// the install relies on.
bool IsUsbHardwareId(std::string_view hardwareId);
// The first configured product ID found in the hardware ID decides: it must
// stand after the first character.
bool ProductConfigured(const std::vector<std::string>& pidList, const std::string& hardwareId);

struct UsbInfModel {
    int number = 0;
    std::string value;        // the model key's value
    std::string hardwareId;   // HardwareIdOf the value
    bool accepted = false;    // ProductConfigured by the PIDList
    std::string description;  // accepted models only: the description, or its default
};

// What ReadUsbInfModels takes from the INF, read in the order it reads.
struct UsbInfReading {
    std::string manufacturer;  // kInfAbsent when missing
    // The install stops here with Text9: no manufacturer, or model 01
    // missing while 00 is there. Nothing after that point has been read.
    bool stops = false;
    std::vector<UsbInfModel> models;  // up to the first missing model key
    std::string displayName;
};

UsbInfReading ReadUsbInf(const config::IniFile& inf, const std::vector<std::string>& pidList);

}  // namespace setup
