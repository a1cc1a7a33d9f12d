#pragma once

namespace setup {

// The program's main routine: initialises the application, creates the main
// window (which runs the startup sequence), runs the message loop and ends the
// process with exit code 0. The seam (plat::SetOs) must be set before.
int RunSetupProgram();

}  // namespace setup
