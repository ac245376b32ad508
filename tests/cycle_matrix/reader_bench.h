#pragma once
// One simulated reader per transport, with a conveyor of transponders in front of it, a way to
// pull it away or silence it while a write cycle runs, and a record of what each tag held when
// it left: over a pseudo-terminal, TCP on loopback and a Bluetooth dongle on a pseudo-terminal
// the simulator runs in this process; over HID and D2XX the fake vendor libraries run in the
// tool's process and record each tag's bytes after each write and as it leaves.

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

// The complete values of the tags whose bytes `held` gives for each UID of order (tags holding
// none left out), and in *partial how many hold a part of one.
inline std::vector<std::string> CompleteValues(
    const std::vector<std::string>& order,
    const std::map<std::string, std::vector<uint8_t>>& held, int* partial) {
    std::vector<std::string> values;
    *partial = 0;
    for (const std::string& uid : order) {
        const std::string value = TagValue(held.at(uid));
        *partial += value == "?";
        if (!value.empty() && value != "?") {
            values.push_back(value);
        }
    }
    return values;
}

class ReaderBench {
  public:
    virtual ~ReaderBench() = default;
    virtual std::string Port() const = 0;
    virtual std::vector<std::string> Env() const { return {}; }
    // Tags enter every everyMs and stay presentMs; the cycle writes `bytes` bytes to each.
    virtual void StartConveyor(int everyMs, int presentMs, int bytes) = 0;
    virtual void Unplug() = 0;
    // A silent reader takes requests and answers none.
    virtual void Silence(bool on) = 0;
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
        return CompleteValues(order_, left_, partial);
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
    void Silence(bool on) override {
        vesmor::sim::Faults faults;
        faults.silent = on;
        link_.SetFaults(faults);
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
    void Silence(bool on) override {
        vesmor::sim::Faults faults;
        faults.silent = on;
        server_.SetFaults(faults);
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
// fake_control.cpp). The record: a line per tag with its UID and bytes, which the fake writes
// for the tags in the field after each write and for each tag as it leaves; a UID's last line is
// what that tag holds. The lines go into a FIFO this bench holds open for the whole run, so that
// none is missed and the fake never waits for it.
class FakeUsbBench final : public ReaderBench {
  public:
    FakeUsbBench(Transport transport, const std::string& dir)
        : hid_(transport == Transport::kHid),
          record_(dir + "/tags.fifo") {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            control_ = fds[1];
            ::fcntl(fds[0], F_SETFD, 0);  // the tool inherits the read end
            controlRead_ = fds[0];
        }
        ::mkfifo(record_.c_str(), 0600);
        fifo_ = ::open(record_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
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
        const std::string device = "serial=4211-0001 conveyor=" + conveyor_ + " record=" + record_ +
                                   (hid_ ? " path=/dev/hidraw0" : "");
        return {std::string("VESMOR_HIDAPI_LIB=") + FAKE_CONTROL_PATH,
                std::string("VESMOR_FTD2XX_LIB=") + FAKE_CONTROL_PATH,
                "VESMOR_SYSFS_ROOT=" + tree_.Root(),
                "VESMOR_FAKE_CONTROL_FD=" + std::to_string(controlRead_),
                std::string(hid_ ? "VESMOR_FAKE_HID=" : "VESMOR_FAKE_D2XX=") + device,
                std::string(hid_ ? "VESMOR_FAKE_D2XX=" : "VESMOR_FAKE_HID=")};
    }
    void StartConveyor(int everyMs, int presentMs, int bytes) override {
        bytes_ = size_t(bytes);
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
    void Silence(bool on) override {
        Send(on ? 's' : 'a');
    }
    std::vector<std::string> Written(int* partial) override {
        StopWatching();
        return CompleteValues(order_, held_, partial);
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
    // The record's lines: "UID HEX"; tags in the order they first appear.
    void Note(std::string_view bytes) {
        for (const char c : bytes) {
            if (c != '\n') {
                line_ += c;
                continue;
            }
            if (const size_t space = line_.find(' '); space != std::string::npos) {
                const std::string uid = line_.substr(0, space);
                if (!held_.count(uid)) {
                    order_.push_back(uid);
                }
                std::vector<uint8_t>& bytes = held_[uid];
                bytes.clear();
                for (size_t i = space + 1; i + 2 <= line_.size() && bytes.size() < bytes_; i += 2) {
                    bytes.push_back(uint8_t(std::stoi(line_.substr(i, 2), nullptr, 16)));
                }
                bytes.resize(bytes_);
            }
            line_.clear();
        }
    }

    bool hid_;
    std::string record_;
    size_t bytes_ = 4;
    std::string conveyor_ = "150:100";
    int fifo_ = -1;
    int control_ = -1;
    int controlRead_ = -1;
    vesmor::test::HidrawTree tree_;
    std::atomic<bool> stop_{false};
    std::thread watcher_;
    std::string line_;
    std::vector<std::string> order_;
    std::map<std::string, std::vector<uint8_t>> held_;  // UID -> its first bytes_ bytes
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
