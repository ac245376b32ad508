#pragma once
// Trace output: texts for an external trace viewer, and the hex dump of frames given to a
// host's trace hook.
//
// On POSIX (posix/trace.cpp, posix/trace_socket.h) the channel is a local stream socket in the
// abstract namespace. Every text travels over a
// connection of its own (the viewer knows a text has ended when the connection closes), in
// 4-byte pieces padded with zero bytes. A file lock orders whole texts across the threads and
// programs that trace at once. No viewer → one failed connect and nothing else; a viewer that
// stalls costs a caller at most kTraceBound per text. On Windows (win32/trace.cpp) the texts go
// as window messages to the viewer's window, ordered by a named mutex.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vesmor {

// Default name of the trace channel.
constexpr const char* kTraceChannelName = "VekTracer";
// Environment variable that names another channel (tests use one of their own, so that they
// never meet another viewer on the same machine).
constexpr const char* kTraceChannelVariable = "VESMOR_TRACE_CHANNEL";
// Longest time one text may cost its caller: waiting for room in a full listener backlog, for
// the trace lock and for the viewer to take the bytes, together.
constexpr std::chrono::milliseconds kTraceBound{50};

// The channel name: $VESMOR_TRACE_CHANNEL when set and not empty, else "VekTracer"; on POSIX
// cut to the 107 characters an abstract socket name can hold.
std::string TraceChannelName();

// Delivers a text to the trace viewer; does nothing when no viewer listens. Returns whether
// the whole text was handed to the viewer.
bool TraceSend(const std::string& text);

// printf-style formatting into at most 511 characters, then TraceSend.
void TraceFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// direction + "(%08x) " + "%02x " per byte + "\r\n".
std::string FormatFrameDump(const char* direction, intptr_t handle, const uint8_t* bytes,
                            size_t count);

// The 4-byte pieces a text is sent in: characters 4i..4i+3, the first in the least significant
// byte, the last piece padded with zero bytes.
std::string EncodeTracePieces(const std::string& text);
// The text back from the pieces of one connection: the zero padding is dropped.
std::string DecodeTracePieces(const std::string& pieces);

}  // namespace vesmor
