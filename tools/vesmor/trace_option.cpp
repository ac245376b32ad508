// --trace and VESMOR_TRACE: the frame dumps of a command go to the trace viewer.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tools/vesmor/common.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

void SendFrameDumpToViewer(intptr_t /*handle*/, const char* text) {
    VESMOR_Trace(text);
}

void InstallFrameDumps() {
    VESMOR_SetTraceHook(SendFrameDumpToViewer);
}

}  // namespace

void AddTraceOption(CLI::App& app) {
    app.fallthrough();
    app.add_flag_callback("--trace", InstallFrameDumps,
                          "send every frame to the trace viewer vesmor-trace (or VESMOR_TRACE=1)");
    const char* variable = std::getenv("VESMOR_TRACE");
    if (variable != nullptr && *variable != '\0' && std::strcmp(variable, "0") != 0) {
        InstallFrameDumps();
    }
}

}  // namespace vesmor::cli
