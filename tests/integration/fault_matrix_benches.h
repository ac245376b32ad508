#pragma once
// One simulated reader with one NXP transponder in its field, behind each transport the
// library has: a pseudo-terminal, a TCP connection on a loopback address, the fake hidapi and
// D2XX libraries, and a Bluetooth dongle on a pseudo-terminal. Each bench injects the line
// faults, pulls the reader away, takes the transponder out of the field and shows what the
// simulated transponder really holds (the simulator's own state, never the library's view).

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/pty_link.h"
#include "tests/integration/lan_fixture.h"
#include "tests/integration/transport_kind.h"

namespace vesmor::test {

class Bench {
  public:
    virtual ~Bench() = default;
    // The connection name to open, and the baud rate to open it with.
    virtual std::string PortName() const = 0;
    virtual int32_t Baud() const { return 19200; }
    virtual void SetFaults(const sim::Faults& faults) = 0;
    // The reader is pulled away (cable, socket, device gone).
    virtual void Unplug() = 0;
    // The transponder leaves the field, and comes back as it was.
    virtual void TakeTagAway() = 0;
    virtual void BringTagBack() = 0;
    // A block as the simulated transponder holds it; nullopt when it is not in the field.
    virtual std::optional<std::vector<uint8_t>> TagBlock(int block) = 0;
    virtual sim::Uid Uid() = 0;
};

// Benches whose simulated reader lives in this process, with its field at hand.
class FieldBench : public Bench {
  public:
    void TakeTagAway() override {
        memory_.clear();
        for (int block = 0; const auto bytes = Field().Block(uid_, block); ++block) {
            memory_.push_back(*bytes);
        }
        Field().Remove(uid_);
    }
    void BringTagBack() override {
        Field().Insert(sim::ChipKind::kNxp, uid_);
        for (size_t block = 0; block < memory_.size(); ++block) {
            Field().SetBlock(uid_, static_cast<int>(block), memory_[block]);
        }
    }
    std::optional<std::vector<uint8_t>> TagBlock(int block) override {
        return Field().Block(uid_, block);
    }
    sim::Uid Uid() override { return uid_; }

  protected:
    void PlaceTag() { uid_ = Field().Insert(sim::ChipKind::kNxp); }
    virtual sim::TagField& Field() = 0;

  private:
    sim::Uid uid_{};
    std::vector<std::vector<uint8_t>> memory_;  // of the transponder while it is away
};

class PtyBench : public FieldBench {
  public:
    explicit PtyBench(bool dongle = false) : link_(Reader(0), Options(dongle)), dongle_(dongle) {
        PlaceTag();
    }
    std::string PortName() const override { return link_.Path() + (dongle_ ? " BT" : ""); }
    int32_t Baud() const override { return dongle_ ? 9600 : 19200; }
    void SetFaults(const sim::Faults& faults) override { link_.SetFaults(faults); }
    void Unplug() override { link_.Unplug(); }

  protected:
    sim::TagField& Field() override { return link_.Field(); }

  private:
    static sim::PtyLink::Options Options(bool dongle) {
        sim::PtyLink::Options options;
        options.dongle = dongle;
        return options;
    }
    sim::PtyLink link_;
    bool dongle_;
};

class TcpBench : public FieldBench {
  public:
    explicit TcpBench(int closeAfter = 0, sim::PeerClose style = sim::PeerClose::kFin)
        : server_(LoopbackReader(30, 0, closeAfter, style)) {
        PlaceTag();
    }
    std::string PortName() const override { return NameOf(*server_); }
    void SetFaults(const sim::Faults& faults) override { server_->SetFaults(faults); }
    void Unplug() override { server_->Vanish(); }
    int Connections() const { return static_cast<int>(server_->PeerAddresses().size()); }

  protected:
    sim::TagField& Field() override { return server_->Field(); }

  private:
    std::unique_ptr<sim::LanServer> server_;
};

// A reader of one of the fake vendor libraries. The library under test loads the same file,
// so both reach the same simulated reader; this side uses the fake's control functions.
class FakeUsbBench : public Bench {
  public:
    FakeUsbBench(bool hid)
        : hid_(hid),
          path_(hid ? FAKE_HIDAPI_PATH : FAKE_FTD2XX_PATH),
          fake_(::dlopen(path_, RTLD_NOW | RTLD_LOCAL)) {
        char pattern[] = "/tmp/vesmor-faults-XXXXXX";
        sysfs_ = ::mkdtemp(pattern);
        ::setenv("VESMOR_SYSFS_ROOT", sysfs_.c_str(), 1);
        ::setenv("VESMOR_HIDAPI_LIB", hid ? FAKE_HIDAPI_PATH : "/nonexistent/libhidapi.so", 1);
        ::setenv("VESMOR_FTD2XX_LIB", hid ? "/nonexistent/libftd2xx.so" : FAKE_FTD2XX_PATH, 1);
        ::setenv("VESMOR_FAKE_HID", hid ? "serial=4211-0001 tags=nxp" : "", 1);
        ::setenv("VESMOR_FAKE_D2XX", hid ? "" : "serial=4211-0002 tags=nxp", 1);
        if (fake_ != nullptr) {
            Function<void (*)()>(hid ? "fake_hid_reset" : "fake_d2xx_reset")();
            control_ = Function<int (*)(int, const char*, unsigned char*, int)>(
                hid ? "fake_hid_control" : "fake_d2xx_control");
        }
    }
    ~FakeUsbBench() override {
        if (fake_ != nullptr) {
            ::dlclose(fake_);
        }
        std::filesystem::remove_all(sysfs_);
        for (const char* name : {"VESMOR_SYSFS_ROOT", "VESMOR_HIDAPI_LIB", "VESMOR_FTD2XX_LIB",
                                 "VESMOR_FAKE_HID", "VESMOR_FAKE_D2XX"}) {
            ::unsetenv(name);
        }
    }
    FakeUsbBench(const FakeUsbBench&) = delete;
    FakeUsbBench& operator=(const FakeUsbBench&) = delete;

    std::string PortName() const override { return hid_ ? "4211-0001 HID" : "4211-0002"; }
    void SetFaults(const sim::Faults& f) override {
        std::string words = "faults silent=" + std::to_string(f.silent ? 1 : 0) +
                            " delay=" + std::to_string(f.delayMs) +
                            " badchecksum=" + std::to_string(f.badChecksum ? 1 : 0) +
                            " duplicate=" + std::to_string(f.duplicateAfterMs) +
                            " cut=" + std::to_string(f.cutBytes) + " stray=";
        static const char* const kHex = "0123456789ABCDEF";
        for (uint8_t b : f.strayBytes) {
            words += kHex[b >> 4];
            words += kHex[b & 15];
        }
        Control(words);
    }
    void Unplug() override {
        if (hid_) {
            Function<void (*)(int, int)>("fake_hid_set_read_error")(0, 1);
        } else {
            Function<void (*)(int)>("fake_d2xx_unplug")(0);
        }
    }
    void TakeTagAway() override { Control("leave"); }
    void BringTagBack() override { Control("return"); }
    std::optional<std::vector<uint8_t>> TagBlock(int block) override {
        std::vector<uint8_t> bytes(32);
        const int n = Control("block " + std::to_string(block), &bytes);
        if (n < 0) {
            return std::nullopt;
        }
        bytes.resize(static_cast<size_t>(n));
        return bytes;
    }
    sim::Uid Uid() override {
        std::vector<uint8_t> bytes(8);
        sim::Uid uid{};
        if (Control("uid", &bytes) == 8) {
            std::copy(bytes.begin(), bytes.end(), uid.begin());
        }
        return uid;
    }
    bool Loaded() const { return control_ != nullptr; }

  private:
    template <class F>
    F Function(const char* name) const {
        return reinterpret_cast<F>(::dlsym(fake_, name));
    }
    int Control(const std::string& command, std::vector<uint8_t>* out = nullptr) {
        if (control_ == nullptr) {
            return -1;
        }
        unsigned char none = 0;
        return control_(0, command.c_str(), out ? out->data() : &none,
                        out ? static_cast<int>(out->size()) : 0);
    }

    bool hid_;
    const char* path_;
    void* fake_;
    int (*control_)(int, const char*, unsigned char*, int) = nullptr;
    std::string sysfs_;
};

inline std::unique_ptr<Bench> MakeBench(Transport t) {
    switch (t) {
        case Transport::kPty:
            return std::make_unique<PtyBench>();
        case Transport::kTcp:
            return std::make_unique<TcpBench>();
        case Transport::kHid:
            return std::make_unique<FakeUsbBench>(true);
        case Transport::kD2xx:
            return std::make_unique<FakeUsbBench>(false);
        case Transport::kBluetooth:
            return std::make_unique<PtyBench>(true);
    }
    return nullptr;
}

}  // namespace vesmor::test
