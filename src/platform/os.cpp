#include "platform/os.h"

#include <exception>

namespace plat {
namespace {
Os* current = nullptr;
}

Os& os() {
    return *current;
}
void SetOs(Os* instance) {
    current = instance;
}

void EndProcess(unsigned exitCode) {
    current->Processes().ExitProcess(exitCode);
    std::terminate();  // not reached: ExitProcess does not return
}

}  // namespace plat
