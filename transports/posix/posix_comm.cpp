#include "transports/posix/posix_comm.h"

#include "transports/serial_port_name.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace vesmor {

namespace {

speed_t SpeedConstant(int baud) {
    switch (baud) {
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 500000:
            return B500000;
        case 576000:
            return B576000;
        case 921600:
            return B921600;
        case 1000000:
            return B1000000;
        default:
            return 0;
    }
}

// A pseudo-terminal has no modem lines; these errors mean "no lines", not a failure.
bool MeansNoModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

}  // namespace

PosixComm::~PosixComm() {
    Close();
}

bool PosixComm::Fail() {
    lastError_ = errno;
    return false;
}

bool PosixComm::Open(const std::string& device) {
    Close();
    hungUp_ = false;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return Fail();
    }
    // Only a terminal is a serial line; refuse files and other devices.
    if (!::isatty(fd)) {
        lastError_ = ENOTTY;
        ::close(fd);
        return false;
    }
    // TIOCEXCL keeps other programs out; root ignores it, so an advisory lock keeps a second
    // opener of this library out as well.
    ::ioctl(fd, TIOCEXCL);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = EBUSY;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool PosixComm::Close() {
    const int fd = fd_.exchange(-1);
    if (fd < 0) {
        return false;
    }
    ::ioctl(fd, TIOCNXCL);
    return ::close(fd) == 0 || Fail();
}

bool PosixComm::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
    *got = 0;
    const ssize_t n = ::read(fd_, buffer, count);
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) {
            return true;
        }
        return Fail();
    }
    *got = static_cast<uint32_t>(n);
    return true;
}

bool PosixComm::Write(const uint8_t* data, uint32_t count, uint32_t* written) {
    // Writes have no time-out: keep writing until everything is out or the line fails.
    uint32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, data + done, count - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 100) >= 0 && !(p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
                continue;
            }
        }
        *written = done;
        return Fail();
    }
    *written = done;
    return true;
}

bool PosixComm::GetLineStatus(LineStatus* status) {
    if (hungUp_) {
        lastError_ = EIO;
        return false;
    }
    int inQueue = 0;
    int outQueue = 0;
    if (::ioctl(fd_, FIONREAD, &inQueue) != 0) {
        return Fail();
    }
    if (::ioctl(fd_, TIOCOUTQ, &outQueue) != 0) {
        outQueue = 0;
    }
    status->errors = 0;
    status->inQueue = static_cast<uint32_t>(inQueue);
    status->outQueue = static_cast<uint32_t>(outQueue);
    return true;
}

bool PosixComm::GetModemStatus(uint32_t* bits) {
    int lines = 0;
    *bits = 0;
    if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
        return MeansNoModemLines(errno) || Fail();
    }
    if (lines & TIOCM_CTS)
        *bits |= kMsCtsOn;
    if (lines & TIOCM_DSR)
        *bits |= kMsDsrOn;
    if (lines & TIOCM_RNG)
        *bits |= kMsRingOn;
    if (lines & TIOCM_CAR)
        *bits |= kMsRlsdOn;
    return true;
}

bool PosixComm::SetLineSettings(const LineSettings& settings) {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {
        return Fail();
    }
    ::cfmakeraw(&tio);
    const speed_t speed = SpeedConstant(settings.baud);
    if (speed == 0) {
        lastError_ = EINVAL;
        return false;
    }
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    if (settings.parity == 'E') {
        tio.c_cflag |= PARENB;
    } else if (settings.parity == 'O') {
        tio.c_cflag |= PARENB | PARODD;
    }
    if (settings.stopBits == 2) {
        tio.c_cflag |= CSTOPB;
    }
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
        return Fail();
    }
    // RTS and DTR on.
    int lines = TIOCM_RTS | TIOCM_DTR;
    if (::ioctl(fd_, TIOCMBIS, &lines) != 0 && !MeansNoModemLines(errno)) {
        return Fail();
    }
    return true;
}

bool PosixComm::SetTimeouts() {
    // Non-blocking descriptor with VMIN = VTIME = 0 (set with the line settings): reads return
    // at once with the bytes present.
    const int flags = ::fcntl(fd_, F_GETFL);
    return (flags >= 0 && ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) == 0) || Fail();
}

bool PosixComm::SetEventMask(uint32_t /*mask*/) {
    // The worker waits for input and hang-ups through poll; there is no mask to set.
    return IsOpen();
}

void PosixComm::Purge() {
    ::tcflush(fd_, TCIOFLUSH);
}

bool PosixComm::SetBreak(bool on) {
    return ::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0 || Fail();
}

WaitEvents PosixComm::Wait(const WakeEvent& stop, const WakeEvent& write, int timeoutMs) {
    pollfd fds[3] = {{static_cast<int>(stop.Native()), POLLIN, 0},
                     {static_cast<int>(write.Native()), POLLIN, 0},
                     {fd_, POLLIN, 0}};
    WaitEvents events;
    const int n = ::poll(fds, 3, timeoutMs);
    if (n < 0) {
        events.failed = errno != EINTR;
        return events;
    }
    events.stop = fds[0].revents & POLLIN;
    events.write = fds[1].revents & POLLIN;
    if (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        hungUp_ = true;
    }
    return events;
}

std::string ComDevicePath(int32_t number) {
    return "/dev/ttyS" + std::to_string(number - 1);
}

std::unique_ptr<CommCalls> MakeSystemComm() {
    return std::make_unique<PosixComm>();
}

}  // namespace vesmor
