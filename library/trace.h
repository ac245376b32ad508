#pragma once
// Trace output: texts for an external trace viewer, and the hex dump of frames given to a
// host's trace hook.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vesmor {

// Name of the local socket (abstract namespace) the trace viewer listens on.
constexpr const char* kTraceChannelName = "VekTracer";

// Delivers a text to the trace viewer; does nothing when no viewer listens.
void TraceSend(const std::string& text);

// printf-style formatting into at most 511 characters, then TraceSend.
void TraceFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// direction + "(%08x) " + "%02x " per byte + "\r\n".
std::string FormatFrameDump(const char* direction, intptr_t handle, const uint8_t* bytes,
                            size_t count);

// The 4-byte pieces a text is sent in: characters 4i..4i+3, the first in the least significant
// byte, the last piece padded with zero bytes.
std::string EncodeTracePieces(const std::string& text);

}  // namespace vesmor
