#include "transports/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace vesmor {

bool WakeEvent::Create() {
    Close();
    native_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return IsValid();
}

void WakeEvent::Close() {
    if (IsValid()) {
        ::close(static_cast<int>(native_));
        native_ = kNone;
    }
}

void WakeEvent::Signal() {
    const uint64_t one = 1;
    if (IsValid()) {
        [[maybe_unused]] const ssize_t n = ::write(static_cast<int>(native_), &one, sizeof one);
    }
}

void WakeEvent::Reset() {
    uint64_t value = 0;
    if (IsValid()) {
        [[maybe_unused]] const ssize_t n = ::read(static_cast<int>(native_), &value, sizeof value);
    }
}

WaitEvents WakeEvent::WaitEither(const WakeEvent& stop, const WakeEvent& write, int timeoutMs) {
    pollfd fds[2] = {{static_cast<int>(stop.native_), POLLIN, 0},
                     {static_cast<int>(write.native_), POLLIN, 0}};
    WaitEvents events;
    if (::poll(fds, 2, timeoutMs) < 0) {
        events.failed = errno != EINTR;
        return events;
    }
    events.stop = fds[0].revents & POLLIN;
    events.write = fds[1].revents & POLLIN;
    return events;
}

}  // namespace vesmor
