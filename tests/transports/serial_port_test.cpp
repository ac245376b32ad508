// CUSBSerialPort on a real pseudo-terminal: the test holds the master side.

#include "transports/serial_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vesmor {
namespace {

class Pty {
  public:
    Pty() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(master_);
        ::unlockpt(master_);
        path_ = ::ptsname(master_);
    }
    ~Pty() { CloseMaster(); }
    const std::string& Path() const { return path_; }
    void CloseMaster() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }
    void Send(const std::string& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // Reads what arrives within the given time.
    std::string Receive(int ms) {
        std::string bytes;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 5) > 0 && (p.revents & POLLIN)) {
                char buffer[1024];
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n > 0)
                    bytes.append(buffer, n);
            }
        }
        return bytes;
    }

  private:
    int master_;
    std::string path_;
};

class RecordingPort : public CUSBSerialPort {
  public:
    std::string Received() {
        std::lock_guard lock(mutex_);
        return received_;
    }

  protected:
    void OnReceiveByte(uint8_t byte) override {
        std::lock_guard lock(mutex_);
        received_ += static_cast<char>(byte);
    }

  private:
    std::mutex mutex_;
    std::string received_;
};

bool Open(CUSBSerialPort& port, const std::string& path, SerialOwner owner = nullptr) {
    return port.OpenPort(std::move(owner), path, 19200, 'N', 8, 1, 0, 9, 512);
}

int CountEntries(const char* dir) {
    int n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

TEST(SerialPort, BytesFlowBothWays) {
    Pty pty;
    RecordingPort port;
    ASSERT_TRUE(Open(port, pty.Path()));
    ASSERT_TRUE(port.StartWorker());
    EXPECT_FALSE(port.StartWorker());  // one worker per port
    const uint8_t frame[] = {0x02, 0x01, 0xF0, 0x00, 0xF1};
    port.QueueWrite(frame, sizeof frame);
    EXPECT_EQ(pty.Receive(50), std::string("\x02\x01\xF0\x00\xF1", 5));
    pty.Send("hello");
    for (int i = 0; i < 100 && port.Received().size() < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(port.Received(), "hello");
}

TEST(SerialPort, AWriteThatDoesNotFitIsDroppedWhole) {
    Pty pty;
    CUSBSerialPort port;
    ASSERT_TRUE(Open(port, pty.Path()));
    const std::vector<uint8_t> big(500, 'a');
    const std::vector<uint8_t> tooMuch(20, 'b');
    const std::vector<uint8_t> fits(12, 'c');
    port.QueueWrite(big.data(), static_cast<int>(big.size()));
    port.QueueWrite(tooMuch.data(), static_cast<int>(tooMuch.size()));
    port.QueueWrite(fits.data(), static_cast<int>(fits.size()));
    ASSERT_TRUE(port.StartWorker());
    EXPECT_EQ(pty.Receive(100), std::string(500, 'a') + std::string(12, 'c'));
}

TEST(SerialPort, AZeroTerminatedTextIsQueuedWithLengthMinusOne) {
    Pty pty;
    CUSBSerialPort port;
    ASSERT_TRUE(Open(port, pty.Path()));
    ASSERT_TRUE(port.StartWorker());
    port.QueueWrite(reinterpret_cast<const uint8_t*>("FV"), -1);
    EXPECT_EQ(pty.Receive(50), "FV");
}

TEST(SerialPort, APortInUseAndAMissingDeviceFailToOpen) {
    Pty pty;
    CUSBSerialPort first, second, third;
    ASSERT_TRUE(Open(first, pty.Path()));
    EXPECT_FALSE(Open(second, pty.Path()));
    EXPECT_FALSE(second.IsDeviceOpen());
    EXPECT_FALSE(Open(third, "/dev/tty-that-does-not-exist"));
    EXPECT_FALSE(Open(third, "/etc/hostname"));  // not a terminal
}

TEST(SerialPort, OpeningAgainClosesTheOldHandleFirst) {
    Pty pty;
    CUSBSerialPort port;
    ASSERT_TRUE(Open(port, pty.Path()));
    ASSERT_TRUE(port.StartWorker());
    const int descriptors = CountEntries("/proc/self/fd");
    ASSERT_TRUE(Open(port, pty.Path()));
    EXPECT_FALSE(port.IsWorkerRunning());
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors);
}

TEST(SerialPort, UnpluggedDeviceIsClosedByTheWorker) {
    Pty pty;
    std::atomic<uint32_t> commError{0};
    CUSBSerialPort port;
    ASSERT_TRUE(Open(port, pty.Path(), [&](unsigned message, uintptr_t param, int32_t) {
        if (message == kNotifyCommError)
            commError = static_cast<uint32_t>(param);
    }));
    ASSERT_TRUE(port.StartWorker());
    const int threads = CountEntries("/proc/self/task");
    pty.CloseMaster();
    for (int i = 0; i < 500 && port.IsDeviceOpen(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(port.IsDeviceOpen());
    EXPECT_EQ(commError.load(), kCommErrorDeviceLost);
    const uint8_t byte = 0;
    port.QueueWrite(&byte, 1);  // harmless on a dead port
    port.ClosePort();
    EXPECT_EQ(CountEntries("/proc/self/task"), threads - 1);
}

TEST(SerialPort, ReceivedBytesNotifyTheOwnerOnlyWhenThereIsOne) {
    Pty pty;
    std::atomic<int> receivedNotes{0};
    CUSBSerialPort withOwner;
    ASSERT_TRUE(Open(withOwner, pty.Path(), [&](unsigned message, uintptr_t, int32_t) {
        if (message == kNotifyReceiveByte)
            ++receivedNotes;
    }));
    ASSERT_TRUE(withOwner.StartWorker());
    pty.Send("abc");
    for (int i = 0; i < 200 && receivedNotes < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(receivedNotes.load(), 3);
}

}  // namespace
}  // namespace vesmor
