#pragma once
// One simulated reader per transport, with a conveyor of transponders in front of it, a way to
// pull it away or silence it while a write cycle runs, and a record of what each tag held when
// it left: over a pseudo-terminal, TCP on loopback and a Bluetooth dongle on a pseudo-terminal
// the simulator runs in this process; over HID and D2XX the fake vendor libraries run in the
// tool's process, which dumps the tags' blocks after each write.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/conveyor.h"
#include "sim/lan_server.h"
#include "sim/pty_link.h"
#include "sim/sim_tag.h"
#include "tests/cycle_matrix/cycle_run.h"
#include "tests/integration/transport_kind.h"
#include "tests/usb/usb_fixture.h"

namespace tagforge::test {

using vesmor::test::Transport;
using vesmor::test::TransportName;

// The value a tag holds in its first `bytes` bytes (decimal ASCII digits): "" when untouched,
// "?" when only part of it was written.
inline std::string TagValue(const std::vector<uint8_t>& bytes) {
    if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; })) {
        return "";
    }
    if (!std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b >= '0' && b <= '9'; })) {
        return "?";
    }
    return std::string(bytes.begin(), bytes.end());
}

class ReaderBench {
  public:
    virtual ~ReaderBench() = default;
    virtual std::string Port() const = 0;
    virtual std::vector<std::string> Env() const { return {}; }
    // Tags enter every everyMs and stay presentMs; the cycle writes `bytes` bytes to each.
    virtual void StartConveyor(int everyMs, int presentMs, int bytes) = 0;
    virtual void Unplug() = 0;
    // False when this transport's simulator cannot be silenced from the test.
    virtual bool Silence(bool on) = 0;
    // After the run: the complete values on the tags in the order they came, and how many tags
    // hold a part of one.
    virtual std::vector<std::string> Written(int* partial) = 0;
};

// The simulator in this process: the conveyor's observer notes each tag's blocks as it leaves.
class InProcessBench : public ReaderBench {
  public:
    void StartConveyor(int everyMs, int presentMs, int bytes) override {
        bytes_ = bytes;
        conveyor_ = std::make_unique<vesmor::sim::Conveyor>(
            Field(), vesmor::sim::ChipKind::kNxp, everyMs, presentMs,
            [this](const std::string& event) {
                const auto uid = vesmor::sim::ParseUid(event.substr(1));
                std::lock_guard lock(mutex_);
                if (event[0] == '+') {
                    order_.push_back(event.substr(1));
                } else if (uid) {
                    left_[event.substr(1)] = Blocks(*uid);
                }
            });
    }
    std::vector<std::string> Written(int* partial) override {
        {
            // The tags still in the field, before the conveyor takes them away as it stops.
            std::lock_guard lock(mutex_);
            for (const std::string& uid : order_) {
                if (!left_.count(uid)) {
                    left_[uid] = Blocks(*vesmor::sim::ParseUid(uid));
                }
            }
        }
        conveyor_.reset();
        std::lock_guard lock(mutex_);
        std::vector<std::string> values;
        *partial = 0;
        for (const std::string& uid : order_) {
            const std::string value = TagValue(left_[uid]);
            *partial += value == "?";
            if (!value.empty() && value != "?") {
                values.push_back(value);
            }
        }
        return values;
    }

  protected:
    virtual vesmor::sim::TagField& Field() = 0;
    // Called by the subclass's destructor, before its simulator goes.
    void StopConveyor() { conveyor_.reset(); }

  private:
    std::vector<uint8_t> Blocks(const vesmor::sim::Uid& uid) {
        std::vector<uint8_t> bytes;
        for (int block = 0; int(bytes.size()) < bytes_; ++block) {
            const auto read = Field().Block(uid, block);
            if (!read) {
                break;
            }
            bytes.insert(bytes.end(), read->begin(), read->end());
        }
        bytes.resize(size_t(bytes_));
        return bytes;
    }

    int bytes_ = 4;
    std::mutex mutex_;
    std::vector<std::string> order_;
    std::map<std::string, std::vector<uint8_t>> left_;
    std::unique_ptr<vesmor::sim::Conveyor> conveyor_;
};

inline vesmor::sim::ReaderConfig MatrixReader() {
    vesmor::sim::ReaderConfig config;
    config.deviceCode = 0x125;
    config.firmware = '7';
    return config;
}

class PtyBench final : public InProcessBench {
  public:
    explicit PtyBench(bool dongle) : dongle_(dongle), link_(MatrixReader(), Options(dongle)) {}
    ~PtyBench() override { StopConveyor(); }
    std::string Port() const override { return link_.Path() + (dongle_ ? " BT:1" : ":1"); }
    void Unplug() override { link_.Unplug(); }
    bool Silence(bool on) override {
        vesmor::sim::Faults faults;
        faults.silent = on;
        link_.SetFaults(faults);
        return true;
    }

  private:
    static vesmor::sim::PtyLink::Options Options(bool dongle) {
        vesmor::sim::PtyLink::Options options;
        options.dongle = dongle;
        return options;
    }
    vesmor::sim::TagField& Field() override { return link_.Field(); }
    bool dongle_;
    vesmor::sim::PtyLink link_;
};

// A loopback address of its own per test process and bench.
inline std::string MatrixAddress() {
    static std::atomic<int> host{10};
    const int pid = static_cast<int>(::getpid());
    return "127." + std::to_string(100 + pid % 100) + "." + std::to_string(pid / 100 % 250) + "." +
           std::to_string(host++ % 250 + 1);
}

class TcpBench final : public InProcessBench {
  public:
    TcpBench() : server_(MatrixReader(), ServerOptions()) {}
    ~TcpBench() override { StopConveyor(); }
    std::string Port() const override {
        return server_.Address() + "-" + std::to_string(server_.TcpPort());
    }
    void Unplug() override { server_.Vanish(); }
    bool Silence(bool on) override {
        vesmor::sim::Faults faults;
        faults.silent = on;
        server_.SetFaults(faults);
        return true;
    }

  private:
    static vesmor::sim::LanServer::Options ServerOptions() {
        vesmor::sim::LanServer::Options options;
        options.device.address = MatrixAddress();
        options.device.tcpPort = 0;
        options.configPort = false;
        return options;
    }
    vesmor::sim::TagField& Field() override { return server_.Field(); }
    vesmor::sim::LanServer server_;
};

// HID or D2XX through the fake libraries, loaded by the tool through the control library (see
// fake_control.cpp). The record: block 0 of the tag in the field, from the dump of all blocks
// the fake writes after each write. The dump goes into a FIFO this bench holds open for the
// whole run, so that none is missed and the fake never waits for it; one tag in the field gives
// a dump of one NXP tag's blocks, so every such count of lines starts a dump.
class FakeUsbBench final : public ReaderBench {
  public:
    FakeUsbBench(Transport transport, const std::string& dir)
        : hid_(transport == Transport::kHid),
          dump_(dir + "/blocks.fifo"),
          dumpLines_(size_t(vesmor::sim::ProfileOf(vesmor::sim::ChipKind::kNxp).blockCount)) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            control_ = fds[1];
            ::fcntl(fds[0], F_SETFD, 0);  // the tool inherits the read end
            controlRead_ = fds[0];
        }
        ::mkfifo(dump_.c_str(), 0600);
        fifo_ = ::open(dump_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (hid_) {
            tree_.AddDescriptor("hidraw0", vesmor::test::VendorDescriptor(8, 8));
        }
    }
    ~FakeUsbBench() override {
        StopWatching();
        ::close(fifo_);
        ::close(control_);
        ::close(controlRead_);
    }
    std::string Port() const override { return hid_ ? "4211-0001 HID" : "4211-0001"; }
    std::vector<std::string> Env() const override {
        const std::string device = "serial=4211-0001 conveyor=" + conveyor_ + " dump=" + dump_ +
                                   (hid_ ? " path=/dev/hidraw0" : "");
        return {std::string("VESMOR_HIDAPI_LIB=") + FAKE_CONTROL_PATH,
                std::string("VESMOR_FTD2XX_LIB=") + FAKE_CONTROL_PATH,
                "VESMOR_SYSFS_ROOT=" + tree_.Root(),
                "VESMOR_FAKE_CONTROL_FD=" + std::to_string(controlRead_),
                std::string(hid_ ? "VESMOR_FAKE_HID=" : "VESMOR_FAKE_D2XX=") + device,
                std::string(hid_ ? "VESMOR_FAKE_D2XX=" : "VESMOR_FAKE_HID=")};
    }
    // One block a tag: the record takes block 0 only.
    void StartConveyor(int everyMs, int presentMs, int) override {
        conveyor_ = std::to_string(everyMs) + ":" + std::to_string(presentMs);
        watcher_ = std::thread([this] {
            for (bool last = false; !last;) {
                last = stop_;  // once stopped, what is in the FIFO is read a last time
                pollfd ready{fifo_, POLLIN, 0};
                ::poll(&ready, 1, 5);
                char bytes[4096];
                for (ssize_t n; (n = ::read(fifo_, bytes, sizeof bytes)) > 0;) {
                    Note(std::string_view(bytes, size_t(n)));
                }
            }
        });
    }
    void Unplug() override { Send('u'); }
    bool Silence(bool on) override {
        if (!hid_) {
            return false;
        }
        Send(on ? 's' : 'a');
        return true;
    }
    std::vector<std::string> Written(int* partial) override {
        StopWatching();
        *partial = partial_;
        return values_;
    }

  private:
    void Send(char command) const {
        [[maybe_unused]] const auto n = ::write(control_, &command, 1);
    }
    // The tool has ended: the watcher reads what is left and stops.
    void StopWatching() {
        if (watcher_.joinable()) {
            stop_ = true;
            watcher_.join();
        }
    }
    // The dumps' lines: a line of hex digits per block.
    void Note(std::string_view bytes) {
        for (const char c : bytes) {
            if (c != '\n') {
                line_ += c;
                continue;
            }
            if (lines_++ % dumpLines_ == 0 && line_.size() == 8) {
                std::vector<uint8_t> block;
                for (size_t i = 0; i < 8; i += 2) {
                    block.push_back(uint8_t(std::stoi(line_.substr(i, 2), nullptr, 16)));
                }
                const std::string value = TagValue(block);
                if (value == "?") {
                    ++partial_;
                } else if (!value.empty() && (values_.empty() || values_.back() != value)) {
                    values_.push_back(value);
                }
            }
            line_.clear();
        }
    }

    bool hid_;
    std::string dump_;
    size_t dumpLines_;
    std::string conveyor_ = "150:100";
    int fifo_ = -1;
    int control_ = -1;
    int controlRead_ = -1;
    vesmor::test::HidrawTree tree_;
    std::atomic<bool> stop_{false};
    std::thread watcher_;
    std::string line_;
    size_t lines_ = 0;
    std::vector<std::string> values_;
    int partial_ = 0;
};

inline std::unique_ptr<ReaderBench> MakeBench(Transport t, const std::string& dir) {
    switch (t) {
        case Transport::kPty:
            return std::make_unique<PtyBench>(false);
        case Transport::kBluetooth:
            return std::make_unique<PtyBench>(true);
        case Transport::kTcp:
            return std::make_unique<TcpBench>();
        case Transport::kHid:
        case Transport::kD2xx:
            return std::make_unique<FakeUsbBench>(t, dir);
    }
    return nullptr;
}

// A test of one transport: the bench, and a directory of its own for the log and the output.
class MatrixTest : public ::testing::TestWithParam<Transport> {
  protected:
    MatrixTest() {
        dir = (std::filesystem::temp_directory_path() /
               ("tagforge_matrix_" + std::to_string(::getpid()) + "_" + TransportName(GetParam())))
                  .string();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        bench = MakeBench(GetParam(), dir);
        log = dir + "/Protokoll_S.txt";
    }
    ~MatrixTest() override {
        bench.reset();
        std::filesystem::remove_all(dir);
    }

    std::string dir;
    std::string log;
    std::unique_ptr<ReaderBench> bench;
};

}  // namespace tagforge::test
