#include "sim/win32/system_error.h"

#include <windows.h>

namespace vesmor::sim {

std::string SystemErrorText(unsigned long code) {
    char text[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, text, sizeof text, nullptr);
    std::string result(text, n);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) {
        result.pop_back();
    }
    return result.empty() ? "error " + std::to_string(code) : result;
}

}  // namespace vesmor::sim
