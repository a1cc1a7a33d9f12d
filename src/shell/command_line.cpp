#include <cctype>

#include "shell/form.h"

namespace setup {

CommandSwitch ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandSwitch command;
    if (arguments.empty()) return command;
    std::string first = arguments[0];
    for (char& c : first) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (first == "-i") {
        std::string product = arguments.size() > 1 ? arguments[1] : std::string();
        if (product == "USB")
            command = {CommandSwitch::Install, 0};
        else if (product == "232")
            command = {CommandSwitch::Install, 1};
        else
            command.kind = CommandSwitch::BadProduct;
    } else if (first == "-u") {
        command.kind = CommandSwitch::Uninstall;
    }
    return command;
}

}  // namespace setup
