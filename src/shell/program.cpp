#include "shell/program.h"

#include "platform/os.h"
#include "shell/form.h"

namespace setup {

int RunSetupProgram() {
    plat::Os& os = plat::os();
    os.Ui().SetApplicationTitle("");
    // The shortcuts are made through COM's shell link object, on this thread.
    os.Shell().CoInitialize();
    TVEXA_Form1 form;
    form.Create();
    os.Ui().ShowMainWindow();
    os.Ui().RunMessageLoop();
    // Closed with the close box: end like every other regular end, so that a
    // service that startup stopped is not left stopped.
    form.ExitSetup();
}

}  // namespace setup
