// The parts of the trace channel every system shares: the 4-byte pieces, the formatting and
// the frame dump.

#include <cstdarg>
#include <cstdio>

#include "library/trace.h"

namespace vesmor {

std::string EncodeTracePieces(const std::string& text) {
    std::string pieces = text;
    pieces.resize((text.size() + 3) / 4 * 4, '\0');
    return pieces;
}

std::string DecodeTracePieces(const std::string& pieces) {
    size_t end = pieces.size();
    while (end > 0 && pieces.size() - end < 3 && pieces[end - 1] == '\0') {
        --end;
    }
    return pieces.substr(0, end);
}

// printf-style on purpose: the library's trace texts are written as format strings, checked by
// the compiler through the format attribute.
void TraceFormat(const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
    char buffer[512];
    va_list args;
    va_start(args, format);
    (void)std::vsnprintf(buffer, sizeof buffer, format, args);  // a longer text is cut
    va_end(args);
    TraceSend(buffer);
}

std::string FormatFrameDump(const char* direction, intptr_t handle, const uint8_t* bytes,
                            size_t count) {
    std::string text = direction;
    char piece[16];
    (void)std::snprintf(piece, sizeof piece, "(%08x) ", static_cast<unsigned>(handle));
    text += piece;
    for (size_t i = 0; i < count; ++i) {
        (void)std::snprintf(piece, sizeof piece, "%02x ", bytes[i]);
        text += piece;
    }
    text += "\r\n";
    return text;
}

}  // namespace vesmor
