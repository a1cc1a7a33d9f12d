// Errors that end a run through the fatal-error report carry the text the
// user sees in its last line.
#pragma once

#include <stdexcept>
#include <string>

namespace setup {

class SetupError : public std::runtime_error {
public:
    explicit SetupError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace setup
