#include "tools/vesmor/common.h"

#include <iostream>

#include "app/core/messages.h"
#include "vesmor.h"

namespace vesmor::cli {

void AddConnectionOptions(CLI::App& command, ConnectionOptions& options) {
    command.add_option("-p,--port", options.port, "connection name, e.g. /dev/ttyUSB0 or COM1:2")
        ->required();
    command.add_option("-b,--baud", options.baud,
                       "baud rate + line code (0 8N1, 1 even, 2 odd, 3 two stop bits)");
    command.add_option("-t,--timeout", options.timeoutMs, "answer timeout in ms")
        ->check(CLI::NonNegativeNumber);
}

Reader::~Reader() {
    if (handle_ > 0) {
        VESMOR_ClosePort(handle_);
    }
}

bool Reader::Open(const ConnectionOptions& options) {
    handle_ = VESMOR_OpenPort(options.port.c_str(), options.baud, options.timeoutMs);
    if (handle_ > 0) {
        return true;
    }
    ReportLibraryError(handle_, "VESMOR_OpenPort = " + std::to_string(handle_));
    return false;
}

int ReportLibraryError(int32_t handle, const std::string& what) {
    const int32_t code = VESMOR_GetLastError(handle);
    std::cerr << what << ": Fehler " << code << ": " << tagforge::ErrorCodeMessage(code) << "\n";
    return kExitFailed;
}

}  // namespace vesmor::cli
