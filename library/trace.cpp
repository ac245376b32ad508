#include "library/trace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vesmor {

namespace {

// Connects to the viewer's socket; -1 when no viewer listens.
int ConnectToViewer() {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t nameLength = std::strlen(kTraceChannelName);
    std::memcpy(address.sun_path + 1, kTraceChannelName, nameLength);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + nameLength);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The system-wide trace lock: a file lock, created once per process on first use and kept.
int TraceLockFd() {
    static std::once_flag once;
    static int fd = -1;
    std::call_once(once, [] {
        const char* dir = std::getenv("XDG_RUNTIME_DIR");
        const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/VekTracerLock";
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    });
    return fd;
}

void SendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

}  // namespace

std::string EncodeTracePieces(const std::string& text) {
    std::string pieces = text;
    pieces.resize((text.size() + 3) / 4 * 4, '\0');
    return pieces;
}

void TraceSend(const std::string& text) {
    const int socket = ConnectToViewer();
    if (socket < 0) {
        return;
    }
    // Held across the whole text so that texts of several threads and programs never interleave:
    // the mutex orders this process's threads (a file lock is shared by them), the file lock
    // orders processes.
    static std::mutex threadLock;
    std::lock_guard guard(threadLock);
    const int lock = TraceLockFd();
    if (lock >= 0) {
        ::flock(lock, LOCK_EX);
    }
    SendAll(socket, EncodeTracePieces(text));
    if (lock >= 0) {
        ::flock(lock, LOCK_UN);
    }
    ::close(socket);
}

void TraceFormat(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    TraceSend(buffer);
}

std::string FormatFrameDump(const char* direction, intptr_t handle, const uint8_t* bytes,
                            size_t count) {
    std::string text = direction;
    char piece[16];
    std::snprintf(piece, sizeof piece, "(%08x) ", static_cast<unsigned>(handle));
    text += piece;
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(piece, sizeof piece, "%02x ", bytes[i]);
        text += piece;
    }
    text += "\r\n";
    return text;
}

}  // namespace vesmor
