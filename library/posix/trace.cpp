#include "library/trace.h"

#include "library/posix/trace_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include "transports/private_dir.h"

namespace vesmor {

namespace {

using Clock = std::chrono::steady_clock;

// Set when a text ran into the bound; until a text gets through again, texts are offered to the
// viewer only as far as it takes them without waiting, so a stopped viewer costs the bound
// once, not per text.
std::atomic<bool> g_viewerStalled{false};

constexpr std::chrono::milliseconds kLockPollInterval{1};

// A lock that can be waited for until a deadline. (std::timed_mutex would do, but its timed
// wait uses a call that ThreadSanitizer does not follow.)
class DeadlineLock {
  public:
    bool LockUntil(Clock::time_point deadline) {
        std::unique_lock lock(mutex_);
        if (!released_.wait_until(lock, deadline, [this] { return !held_; })) {
            return false;
        }
        held_ = true;
        return true;
    }
    void Unlock() {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        released_.notify_one();
    }

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
};

Clock::duration Remaining(Clock::time_point deadline) {
    return std::max(deadline - Clock::now(), Clock::duration::zero());
}

timespec ToTimespec(Clock::duration duration) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

bool SetBlocking(int fd, bool blocking) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 &&
           ::fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

// A connect that waits for room in a full listener backlog, at most until the deadline: the
// kernel bounds that wait by the socket's send timeout.
bool ConnectWaiting(int fd, const sockaddr_un& address, socklen_t length,
                    Clock::time_point deadline) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Remaining(deadline));
    if (us.count() <= 0) {
        return false;  // a zero send timeout would mean "wait for ever"
    }
    const timeval timeout{static_cast<time_t>(us.count() / 1'000'000),
                          static_cast<suseconds_t>(us.count() % 1'000'000)};
    if (!SetBlocking(fd, true) ||
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0) {
        return false;
    }
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    return connected && SetBlocking(fd, false);
}

// Connects to the viewer; -1 when none listens or it does not take the connection in time.
// Sets timedOut when the bound ended the attempt.
int ConnectToViewer(const std::string& name, Clock::time_point deadline, bool wait,
                    bool& timedOut) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_un address{};
    const socklen_t length = TraceChannelAddress(name, address);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        return fd;
    }
    // EAGAIN: a viewer listens but its backlog is full (it does not accept).
    if (errno == EAGAIN && wait && ConnectWaiting(fd, address, length, deadline)) {
        return fd;
    }
    timedOut = errno == EAGAIN;
    ::close(fd);
    return -1;
}

// Sends all bytes; false when the viewer does not take them before the deadline.
bool SendWithin(int fd, const std::string& bytes, Clock::time_point deadline, bool wait) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0 || errno != EAGAIN || !wait) {
            return false;
        }
        pollfd poller{fd, POLLOUT, 0};
        const timespec timeout = ToTimespec(Remaining(deadline));
        const int ready = ::ppoll(&poller, 1, &timeout, nullptr);
        if (ready == 0 || (ready < 0 && errno != EINTR)) {
            return false;
        }
    }
    return true;
}

// The process's end of the trace lock: the lock file of the channel, opened on first use and
// kept. A forked child opens its own, since a file lock held through an inherited descriptor
// would be shared with the parent. Called with the thread lock held.
int TraceLockFd(const std::string& channelName) {
    static std::string path;
    static int fd = -1;
    static pid_t opener = 0;
    const std::string wanted = TraceLockPath(channelName);
    if (fd < 0 || wanted != path || opener != ::getpid()) {
        if (fd >= 0) {
            ::close(fd);
        }
        path = wanted;
        opener = ::getpid();
        fd = path.empty() ? -1 : OpenPrivateFile(path);
    }
    return fd;
}

// Takes the file lock, waiting at most until the deadline.
bool LockFileWithin(int fd, Clock::time_point deadline) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        if (Clock::now() + kLockPollInterval > deadline) {
            return false;
        }
        std::this_thread::sleep_for(kLockPollInterval);
    }
}

}  // namespace

std::string TraceChannelName() {
    const char* name = std::getenv(kTraceChannelVariable);
    std::string result = name != nullptr && *name != '\0' ? name : kTraceChannelName;
    result.resize(std::min(result.size(), sizeof(sockaddr_un::sun_path) - 1));
    return result;
}

socklen_t TraceChannelAddress(const std::string& name, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

std::string TraceLockPath(const std::string& channelName) {
    const std::optional<std::string> dir = UserRuntimeDirectory();
    return dir ? *dir + "/" + channelName + "Lock" : std::string();
}

bool TraceSend(const std::string& text) {
    const Clock::time_point deadline = Clock::now() + kTraceBound;
    const bool wait = !g_viewerStalled.load(std::memory_order_relaxed);
    const std::string channel = TraceChannelName();
    bool timedOut = false;
    const int socket = ConnectToViewer(channel, deadline, wait, timedOut);
    if (socket < 0) {
        if (timedOut) {
            g_viewerStalled = true;
        }
        return false;
    }
    // Held across the whole text so that texts of several threads and programs never
    // interleave: the mutex orders this process's threads (they share one file lock), the file
    // lock orders processes. The socket is closed inside, so the viewer sees the texts end in
    // the order they were sent.
    static DeadlineLock threadLock;
    bool delivered = false;
    // After a lost text the locks are only tried, not waited for, until a text gets through
    // again: a lock held for longer than the bound (a stopped tracer, or one that never lets
    // go) then costs the bound once, not for every text.
    const Clock::time_point lockDeadline = wait ? deadline : Clock::now();
    if (threadLock.LockUntil(lockDeadline)) {
        // Without a lock file (no private directory) the text still goes, ordered among this
        // process's threads only.
        const int lock = TraceLockFd(channel);
        const bool locked = lock >= 0 && LockFileWithin(lock, lockDeadline);
        if (locked || lock < 0) {
            delivered = SendWithin(socket, EncodeTracePieces(text), deadline, wait);
        }
        ::close(socket);
        if (locked) {
            ::flock(lock, LOCK_UN);
        }
        threadLock.Unlock();
    } else {
        ::close(socket);
    }
    g_viewerStalled = !delivered;
    return delivered;
}

}  // namespace vesmor
