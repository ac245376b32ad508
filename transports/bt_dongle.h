#pragma once
// The Bluetooth dongle: reaches a Bluetooth reader through the maker's USB dongle, driven with
// its own frame protocol over USBXpress (or over a serial line for a dongle on a COM port). The
// dongle finds the reader by inquiry, connects to it on demand and carries the reader frames as
// data requests and data indications. Everything runs on the caller's thread: events arrive
// only while some operation polls.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transports/bt_dongle_frame.h"
#include "transports/comm_calls.h"
#include "transports/port_transport.h"
#include "transports/usbxpress.h"

namespace vesmor {

class CBluetoothDongle final : public PortTransport {
  public:
    static constexpr size_t kBufferSize = 1000;
    static constexpr size_t kMaxInquiryResults = 29;
    static constexpr uint16_t kReaderClass = 0x0500;

    CBluetoothDongle();
    ~CBluetoothDongle() override;

    // "<serial number> BT" opens the USBXpress dongle of that serial number (any letter case);
    // "COMn BT" or "/dev/... BT" a dongle on that serial line.
    bool OpenDongle(const std::string& name);
    // Connects on demand, processes one frame and copies up to capacity received data bytes.
    size_t ReadDongle(uint8_t* buffer, size_t capacity);
    // Connects on demand and sends the bytes as one data request.
    bool WriteDongle(const uint8_t* bytes, size_t length);
    // Disconnects the link when it is up and closes the dongle.
    void CloseDongle();
    bool IsOpen() const { return identifier_ != 0; }
    bool IsComMode() const { return comMode_; }
    bool IsLinkConnected() const { return connected_; }
    const std::string& Name() const { return name_; }
    uint8_t ConnectStatus() const { return connectStatus_; }

    // Port transport: the connection number while open (30001 upward), 0 otherwise.
    int32_t Identifier() const override { return identifier_; }
    void Write(const uint8_t* data, size_t count) override { WriteDongle(data, count); }
    bool IsPolled() const override { return true; }
    size_t ReadPending(uint8_t* buffer, size_t max) override { return ReadDongle(buffer, max); }
    void Close() override { CloseDongle(); }

    // Inquiry, then the name of every device found: entries of the device address (6 bytes) and
    // the 32-byte name area, at most room of them. Returns the bytes written to out.
    size_t FindReaderByInquiry(int64_t waitMs, uint16_t classFilter, size_t room,
                               std::vector<uint8_t>& out);

  private:
    bool OpenUsbXpress(uint32_t device);
    bool OpenComPort(const std::string& path);
    void Opened(const std::string& name);
    void CloseHandle();
    bool SendFrame(uint8_t opcode, const std::vector<uint8_t>& payload);
    // Reads what is waiting into the frame buffer; false when the device is gone.
    bool ReadWaiting();
    // Processes one frame; false when none is complete.
    bool PollDongle();
    void ProcessWaitingFrames();
    void HandleEvent(const DongleFrame& frame);
    // Sends a request and processes frames until the awaited event arrives or waitMs passed.
    bool AwaitEvent(uint16_t event, uint8_t opcode, const std::vector<uint8_t>& payload,
                    int64_t waitMs);
    bool ProcessFramesUntilArrived(int64_t waitMs);
    void PauseForInput();
    bool ConnectOnDemand();

    CUsbXpress usbXpress_;
    std::string name_;
    SiHandle device_ = nullptr;
    std::unique_ptr<CommCalls> com_;
    bool comMode_ = false;
    uint16_t awaited_ = 0;
    std::vector<uint8_t> frames_;  // received raw bytes
    std::vector<uint8_t> data_;    // received data bytes
    std::vector<BluetoothAddress> results_;
    uint16_t classFilter_ = 0;
    std::array<uint8_t, 32> nameArea_{};
    uint8_t connectStatus_ = 0;
    bool connected_ = false;
    BluetoothAddress readerAddress_{};
    uint8_t linkParameter_ = 2;
    int64_t connectWaitMs_ = 0;
    std::optional<int64_t> lastAttemptMs_;
    bool eventArrived_ = false;
    std::atomic<int32_t> identifier_{0};
};

// The dongle names for VESMOR_GetBluetoothPorts.
std::vector<std::string> BluetoothPortNames();

}  // namespace vesmor
