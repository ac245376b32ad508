#include "transports/debug_output.h"

#include <cstdio>
#include <cstdlib>

#include "library/trace.h"

namespace vesmor {

void DebugOutput(const std::string& text) {
    TraceSend(text + "\r\n");
    if (std::getenv("VESMOR_DEBUG") != nullptr) {
        (void)std::fprintf(stderr, "%s\n", text.c_str());
    }
}

}  // namespace vesmor
