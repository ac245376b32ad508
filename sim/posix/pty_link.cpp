#include "sim/pty_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vesmor::sim {

namespace {

int64_t NowNs() {
    return SteadyNowNs();
}

void MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
}

}  // namespace

PtyLink::PtyLink(const ReaderConfig& config, const Options& options)
    : engine_(config), options_(options) {
    engine_.SetField(&field_);
    if (options_.dongle) {
        dongle_ = std::make_unique<DongleEngine>(engine_, options_.dongleConfig);
    }
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        throw std::runtime_error(std::string("pseudo-terminal: ") + std::strerror(errno));
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        throw std::runtime_error("ptsname failed");
    }
    slavePath_ = name;
    keepAlive_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keepAlive_ >= 0) {
        MakeRaw(keepAlive_);
    }
    if (!options_.linkPath.empty()) {
        ::unlink(options_.linkPath.c_str());
        if (::symlink(slavePath_.c_str(), options_.linkPath.c_str()) != 0) {
            throw std::runtime_error("cannot create link " + options_.linkPath);
        }
    }
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread(&PtyLink::Run, this);
}

PtyLink::~PtyLink() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
    thread_.join();
    CloseMaster();
    ::close(wake_);
    if (!options_.linkPath.empty()) {
        ::unlink(options_.linkPath.c_str());
    }
}

void PtyLink::CloseMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    if (keepAlive_ >= 0) {
        ::close(keepAlive_);
        keepAlive_ = -1;
    }
}

void PtyLink::SetFaults(const Faults& faults) {
    std::lock_guard lock(mutex_);
    engine_.SetFaults(faults);
}

void PtyLink::SetLineBaud(int baud) {
    std::lock_guard lock(mutex_);
    options_.lineBaud = baud;
}

std::vector<Request> PtyLink::Requests() const {
    std::lock_guard lock(mutex_);
    return engine_.Requests();
}

std::vector<uint8_t> PtyLink::ReceivedBytes() const {
    std::lock_guard lock(mutex_);
    return received_;
}

size_t PtyLink::SentByteCount() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

void PtyLink::ClearLog() {
    std::lock_guard lock(mutex_);
    engine_.ClearRequests();
    received_.clear();
    sent_ = 0;
}

bool PtyLink::WaitForRequests(size_t count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return requestArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&] { return engine_.Requests().size() >= count; });
}

void PtyLink::Unplug() {
    {
        std::lock_guard lock(mutex_);
        unplugRequested_ = true;
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
    std::unique_lock lock(mutex_);
    requestArrived_.wait(lock, [&] { return unplugged_; });
}

void PtyLink::SendRaw(const std::vector<uint8_t>& bytes) {
    {
        std::lock_guard lock(mutex_);
        Schedule({Reply{bytes, 0, 0}}, NowNs());
    }
    Wake();
}

void PtyLink::SetReaderInRange(bool inRange) {
    {
        std::lock_guard lock(mutex_);
        if (dongle_) {
            Schedule(dongle_->SetReaderInRange(inRange), NowNs());
        }
    }
    Wake();
}

void PtyLink::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
}

DongleLog PtyLink::GetDongleLog() const {
    std::lock_guard lock(mutex_);
    return dongle_ ? dongle_->Log() : DongleLog{};
}

bool PtyLink::IsDongleLinkUp() const {
    std::lock_guard lock(mutex_);
    return dongle_ && dongle_->IsLinkUp();
}

bool PtyLink::IsUnplugged() const {
    std::lock_guard lock(mutex_);
    return unplugged_;
}

void PtyLink::Schedule(const std::vector<Reply>& replies, int64_t nowNs) {
    ScheduleReplies(outgoing_, replies, nowNs, options_.lineBaud);
}

void PtyLink::ReadMaster(int64_t nowNs) {
    uint8_t buffer[1024];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        if (nowNs - lastByteNs_ > int64_t{options_.idleResetMs} * 1'000'000) {
            engine_.ResetParser();
            if (dongle_) {
                dongle_->ResetParser();
            }
        }
        lastByteNs_ = nowNs;
        received_.insert(received_.end(), buffer, buffer + n);
        const size_t before = engine_.Requests().size();
        Schedule(dongle_ ? dongle_->OnBytes(buffer, static_cast<size_t>(n))
                         : engine_.OnBytes(buffer, static_cast<size_t>(n)),
                 nowNs);
        if (engine_.Requests().size() != before) {
            requestArrived_.notify_all();
        }
    }
}

void PtyLink::EmitDue(int64_t nowNs) {
    while (!outgoing_.empty() && outgoing_.begin()->first <= nowNs) {
        const std::vector<uint8_t>& bytes = outgoing_.begin()->second.bytes;
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n > 0) {
            sent_ += static_cast<size_t>(n);
        }
        outgoing_.erase(outgoing_.begin());
    }
}

void PtyLink::Run() {
    // Paced bytes are due every few tens of microseconds; keep the kernel from batching wake-ups.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    // A timed wake-up comes some 20-40 us late. The last byte of an answer is sent on time: the
    // thread wakes this much earlier and waits out the rest actively.
    constexpr int64_t kFinalApproachNs = 50'000;
    for (;;) {
        int64_t waitNs = -1;
        int64_t spinUntil = -1;
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
            if (unplugRequested_) {
                CloseMaster();
                outgoing_.clear();
                unplugged_ = true;
                requestArrived_.notify_all();
                unplugRequested_ = false;
            }
            if (!outgoing_.empty()) {
                const auto& [due, next] = *outgoing_.begin();
                waitNs = std::max<int64_t>(0, due - NowNs());
                if (next.endsAnswer && options_.lineBaud > 0) {
                    if (waitNs <= kFinalApproachNs) {
                        spinUntil = due;
                    }
                    waitNs = std::max<int64_t>(0, waitNs - kFinalApproachNs);
                }
            }
        }
        if (spinUntil >= 0) {
            while (NowNs() < spinUntil) {
            }
            std::lock_guard lock(mutex_);
            if (master_ >= 0) {
                EmitDue(NowNs());
            }
            continue;
        }
        pollfd fds[2] = {{wake_, POLLIN, 0}, {master_, POLLIN, 0}};
        timespec timeout{waitNs / 1'000'000'000, waitNs % 1'000'000'000};
        ::ppoll(fds, master_ >= 0 ? 2 : 1, waitNs < 0 ? nullptr : &timeout, nullptr);
        if (fds[0].revents & POLLIN) {
            uint64_t value;
            [[maybe_unused]] ssize_t n = ::read(wake_, &value, sizeof value);
        }
        std::lock_guard lock(mutex_);
        if (master_ < 0) {
            continue;
        }
        const int64_t now = NowNs();
        if (fds[1].revents & POLLIN) {
            ReadMaster(now);
        }
        EmitDue(NowNs());
    }
}

}  // namespace vesmor::sim
