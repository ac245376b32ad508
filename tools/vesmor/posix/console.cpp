#include "tools/vesmor/console.h"

namespace vesmor::cli {

void PrepareConsole() {}

}  // namespace vesmor::cli
