#pragma once
// Test viewers on a trace channel of the test's own: a channel name and lock directory nobody
// else uses (set in the environment, so child processes trace there too), and a listener that
// collects the texts, or one that stalls the way a hung viewer does.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "library/posix/trace_socket.h"
#include "library/trace.h"
#include "tests/sanitized_build.h"

namespace vesmor::test {

// Time a traced step may take beyond what the test claims, on a machine shared with other
// builds; a sanitizer slows every step and, under load, a single one by hundreds of ms.
constexpr std::chrono::milliseconds kTimingSlack{vesmor::test::kSanitizedBuild ? 400 : 60};

// Sets VESMOR_TRACE_CHANNEL to a unique name and XDG_RUNTIME_DIR to a fresh directory, which is
// where the trace lock goes; both are restored and the directory removed at the end.
class TraceChannelScope {
  public:
    TraceChannelScope() {
        static std::atomic<int> counter{0};
        std::random_device random;
        name_ = "vesmor-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                "-" + std::to_string(random());
        lockDir_ = std::filesystem::temp_directory_path() / name_;
        std::filesystem::create_directories(lockDir_);
        Remember(kTraceChannelVariable, savedChannel_);
        Remember("XDG_RUNTIME_DIR", savedRuntimeDir_);
        ::setenv(kTraceChannelVariable, name_.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", lockDir_.c_str(), 1);
    }
    ~TraceChannelScope() {
        Restore(kTraceChannelVariable, savedChannel_);
        Restore("XDG_RUNTIME_DIR", savedRuntimeDir_);
        std::error_code ignored;
        std::filesystem::remove_all(lockDir_, ignored);
    }
    TraceChannelScope(const TraceChannelScope&) = delete;
    TraceChannelScope& operator=(const TraceChannelScope&) = delete;

    const std::string& Name() const { return name_; }
    const std::filesystem::path& LockDir() const { return lockDir_; }
    std::filesystem::path LockFile() const { return lockDir_ / (name_ + "Lock"); }

  private:
    struct Saved {
        bool set = false;
        std::string value;
    };
    static void Remember(const char* variable, Saved& saved) {
        const char* value = std::getenv(variable);
        saved = {value != nullptr, value != nullptr ? value : ""};
    }
    static void Restore(const char* variable, const Saved& saved) {
        if (saved.set) {
            ::setenv(variable, saved.value.c_str(), 1);
        } else {
            ::unsetenv(variable);
        }
    }

    std::string name_;
    std::filesystem::path lockDir_;
    Saved savedChannel_;
    Saved savedRuntimeDir_;
};

// A listener on a trace channel.
//   kCollect: accepts every connection and keeps what it sent, one entry per text.
//   kNeverAccept: listens with the smallest backlog and never accepts (a stopped viewer).
//   kAcceptNeverRead: accepts every connection but never reads from it (a hung viewer).
class TraceListener {
  public:
    enum class Mode { kCollect, kNeverAccept, kAcceptNeverRead };

    explicit TraceListener(const std::string& channel, Mode mode = Mode::kCollect) : mode_(mode) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        const socklen_t length = TraceChannelAddress(channel, address);
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                 ::listen(fd_, mode == Mode::kNeverAccept ? 0 : SOMAXCONN) == 0 &&
                 ::pipe2(stopPipe_, O_CLOEXEC) == 0;
        if (bound_ && mode != Mode::kNeverAccept) {
            thread_ = std::thread([this] { Run(); });
        }
    }
    ~TraceListener() {
        if (thread_.joinable()) {
            (void)::write(stopPipe_[1], "x", 1);
            thread_.join();
        }
        for (const int fd : accepted_) {
            ::close(fd);
        }
        ::close(stopPipe_[0]);
        ::close(stopPipe_[1]);
        ::close(fd_);
    }
    TraceListener(const TraceListener&) = delete;
    TraceListener& operator=(const TraceListener&) = delete;

    bool Bound() const { return bound_; }

    // The bytes of every text received so far, zero padding included, in the order they ended.
    std::vector<std::string> Received() {
        std::lock_guard lock(mutex_);
        return received_;
    }
    // Waits until at least count texts have arrived; false when the timeout ends first.
    bool WaitForTexts(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
    }

    // Waits until a text with these characters (padding dropped) has arrived.
    bool WaitForText(const std::string& text, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] {
            return std::any_of(received_.begin(), received_.end(), [&](const std::string& pieces) {
                return DecodeTracePieces(pieces) == text;
            });
        });
    }

  private:
    // Waits for fd or the stop pipe; false when told to stop.
    bool WaitFor(int fd) {
        pollfd polled[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        while (::poll(polled, 2, -1) < 0) {
        }
        return (polled[1].revents & POLLIN) == 0;
    }
    void Run() {
        while (WaitFor(fd_)) {
            const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                continue;
            }
            if (mode_ == Mode::kAcceptNeverRead) {
                accepted_.push_back(client);
                continue;
            }
            std::string bytes;
            char buffer[4096];
            ssize_t n = 1;
            while (n > 0 && WaitFor(client)) {
                n = ::read(client, buffer, sizeof buffer);
                if (n > 0) {
                    bytes.append(buffer, static_cast<size_t>(n));
                }
            }
            ::close(client);
            std::lock_guard lock(mutex_);
            received_.push_back(std::move(bytes));
            arrived_.notify_all();
        }
    }

    Mode mode_;
    int fd_ = -1;
    int stopPipe_[2] = {-1, -1};
    bool bound_ = false;
    std::thread thread_;
    std::vector<int> accepted_;  // only the listener thread touches it while it runs
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> received_;
};

}  // namespace vesmor::test
