#include "platform/os.h"

namespace plat {
namespace {
Os* current = nullptr;
}

Os& os() { return *current; }
void SetOs(Os* instance) { current = instance; }

}  // namespace plat
