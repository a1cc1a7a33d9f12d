// Running external programs.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

// Starts a process from a command line; when `wait` is set, blocks (keeping
// the window alive) until it ends. True when the process was created.
bool RunCommand(const std::string& commandLine, std::uint16_t showWindow, bool wait);
// As RunCommand, but returns the exit code when it waited, else 0.
std::int32_t RunCommandExitCode(const std::string& commandLine, std::uint16_t showWindow, bool wait);

// The program path as the first token of a command line: quoted when it holds
// a blank, so that Windows cannot start a different program from a prefix of it.
std::string CommandProgram(const std::string& programPath);

}  // namespace setup
