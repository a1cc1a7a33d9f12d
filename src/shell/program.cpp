#include "shell/program.h"

#include "platform/os.h"
#include "shell/form.h"

namespace setup {

int RunSetupProgram() {
    plat::Os& os = plat::os();
    os.Ui().SetApplicationTitle("");
    TVEXA_Form1 form;
    form.Create();
    os.Ui().ShowMainWindow();
    os.Ui().RunMessageLoop();
    plat::EndProcess(0);
}

}  // namespace setup
