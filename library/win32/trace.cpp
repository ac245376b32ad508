// The trace channel on Windows: the viewer's top-level window of the class "VekTracer" gets
// every text as the registered message "VekTracerMSG", four characters per message (first
// parameter 0, second the piece, the first character in the least significant byte). The
// named mutex "VekTracerLock", created once per process, keeps texts of several threads and
// programs whole. A viewer that does not take a piece within the bound ends that text, so a
// hung viewer cannot block the reader connection.

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <mutex>

#include "library/trace.h"

namespace vesmor {

namespace {

HANDLE TraceLock(const std::string& channel) {
    static std::once_flag once;
    static HANDLE mutex = nullptr;
    std::call_once(once, [&channel] {
        mutex = CreateMutexA(nullptr, FALSE, (channel + "Lock").c_str());
    });
    return mutex;
}

}  // namespace

std::string TraceChannelName() {
    const char* name = std::getenv(kTraceChannelVariable);
    return name != nullptr && *name != '\0' ? name : kTraceChannelName;
}

bool TraceSend(const std::string& text) {
    const std::string channel = TraceChannelName();
    const HWND viewer = FindWindowA(channel.c_str(), nullptr);
    if (viewer == nullptr) {
        return false;
    }
    const UINT message = RegisterWindowMessageA((channel + "MSG").c_str());
    if (message == 0) {
        return false;
    }
    const HANDLE lock = TraceLock(channel);
    const auto boundMs = static_cast<DWORD>(kTraceBound.count());
    const DWORD waited = lock != nullptr ? WaitForSingleObject(lock, boundMs) : WAIT_FAILED;
    if (lock != nullptr && waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        return false;
    }
    const std::string pieces = EncodeTracePieces(text);
    bool delivered = true;
    for (size_t i = 0; i < pieces.size() && delivered; i += 4) {
        const auto byte = [&pieces, i](size_t k) {
            return static_cast<uint32_t>(static_cast<unsigned char>(pieces[i + k])) << (8 * k);
        };
        const uint32_t piece = byte(0) | byte(1) | byte(2) | byte(3);
        DWORD_PTR ignored = 0;
        delivered = SendMessageTimeoutA(viewer, message, 0, static_cast<LPARAM>(piece),
                                        SMTO_BLOCK | SMTO_ABORTIFHUNG, boundMs, &ignored) != 0;
    }
    if (lock != nullptr) {
        ReleaseMutex(lock);
    }
    return delivered;
}

}  // namespace vesmor
