#include "transports/d2xx_comm.h"

#include <poll.h>

namespace vesmor {

bool D2xxComm::Open(const std::string& /*serialNumber*/) {
    return false;
}

bool D2xxComm::Read(uint8_t*, uint32_t, uint32_t* got) {
    *got = 0;
    return false;
}

bool D2xxComm::Write(const uint8_t*, uint32_t, uint32_t* written) {
    *written = 0;
    return false;
}

WaitEvents D2xxComm::Wait(int stopFd, int writeFd, int timeoutMs) {
    pollfd fds[2] = {{stopFd, POLLIN, 0}, {writeFd, POLLIN, 0}};
    WaitEvents events;
    if (::poll(fds, 2, timeoutMs) < 0) {
        events.failed = true;
        return events;
    }
    events.stop = fds[0].revents & POLLIN;
    events.write = fds[1].revents & POLLIN;
    return events;
}

}  // namespace vesmor
