#include "shell/form.h"
#include "shell/trace.h"

namespace setup {

void TVEXA_Form1::UninstallProcedure() {
    StepCode = 74;
}

}  // namespace setup
