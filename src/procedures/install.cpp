#include "shell/form.h"
#include "shell/trace.h"

namespace setup {

void TVEXA_Form1::InstallProcedure() {
    StepCode = 78;
}

}  // namespace setup
