#pragma once
// CVESMOR_Port: one open reader connection. It frames commands for the reader's protocol type,
// hands them to its transport, waits for the complete answer and checks it.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "library/byte_array.h"
#include "library/include/vesmor.h"
#include "transports/port_transport.h"
#include "transports/serial_port.h"

namespace vesmor {

class WaitHookScope;

class CVESMOR_Port : public CUSBSerialPort {
  public:
    // Transports besides the serial base, in the order they are tried.
    enum TransportSlot { kLanSlot, kHidSlot, kBluetoothSlot, kTransportSlots };

    CVESMOR_Port();
    ~CVESMOR_Port() override;

    // Frame layer. The caller empties the transmit buffer and appends the type-0 command code
    // and its data, then calls SendCommand and ReceiveAnswer or ReceiveIsoAnswer.
    CMyByteArray& TransmitBuffer() { return tx_; }
    bool SendCommand();
    bool ReceiveAnswer(CMyByteArray& out);
    bool ReceiveIsoAnswer(CMyByteArray& out);
    // Reads what a polled transport has waiting (waiting for it as long as the transport's own
    // read does, about a millisecond, unless now is set); true when bytes came.
    bool PollTransport(bool now = false);
    void FlushReceive();
    // Sends a command with its data and receives the answer data.
    bool Exchange(uint8_t command, const CMyByteArray& data, CMyByteArray& answer);

    int32_t Timeout() const { return timeout_; }
    void SetTimeout(int32_t ms) { timeout_ = ms; }
    int ProtocolType() const { return protocolType_; }
    void SetProtocolType(int type) { protocolType_ = type; }
    uint32_t BusAddress() const { return busAddress_; }
    void SetBusAddress(uint32_t address) { busAddress_ = address; }
    int32_t LastError() const { return lastError_; }
    void SetLastError(int32_t error) { lastError_ = error; }
    int32_t DeviceCode() const { return deviceCode_; }
    void SetDeviceCode(int32_t code) { deviceCode_ = code; }
    int32_t SerialId() const { return serialId_; }
    void SetSerialId(int32_t id) { serialId_ = id; }
    void SetTraceHook(VESMOR_TraceHook hook) { traceHook_ = hook; }
    // What Read Multiple Blocks taught about the transponders of this connection, by UID: the
    // block size they answered with, or kRefusesMultipleBlocks.
    static constexpr int32_t kRefusesMultipleBlocks = -1;
    std::map<std::array<uint8_t, 8>, int32_t>& MultiBlockNotes() { return multiBlockNotes_; }

    // The handle: serial id, else the identifier of the open transport; 0 when nothing is open.
    int32_t Handle() const;
    void AttachTransport(TransportSlot slot, std::unique_ptr<PortTransport> transport);
    PortTransport* OpenTransport() const;
    bool IsHidOpen() const;
    // False once the open transport is gone (device unplugged, peer closed).
    bool IsConnected() const;
    // Closes whichever transport is open.
    void CloseTransports();

    // Bytes a transport thread received (the LAN connection thread).
    void DeliverReceived(const uint8_t* bytes, size_t count) { OnReceiveBytes(bytes, count); }
    // A transport thread found its device gone or dropped the frame: a waiting command
    // checks again and ends at once.
    void DeliverLost() { OnDeviceLost(); }

    // Tests replace the clock the waits measure with.
    void SetClock(std::function<int64_t()> nowMs) { nowMs_ = std::move(nowMs); }
    // Number of bytes in the receive buffer.
    size_t ReceivedCount() const;
    // A new port on the same device (the second pass of an open) takes over the answer that the
    // reader may still owe to a request of this one.
    void TakeOwedAnswerFrom(const CVESMOR_Port& other) { owed_ = other.owed_; }

  protected:
    void OnReceiveByte(uint8_t byte) override;
    void OnReceiveBytes(const uint8_t* bytes, size_t count) override;
    // Wakes a waiting command, which then fails at once instead of waiting out its timeout.
    void OnDeviceLost() override;

  private:
    bool WaitForAnswer(const CMyByteArray& request);
    bool WaitForFrame(const WaitHookScope& hooks);
    bool DiscardLateAnswer(const CMyByteArray& request);
    void ForgetArrivedLateAnswer();
    template <class Ready>
    bool WaitPhase(const WaitHookScope& hooks, Ready ready);
    bool PollsTransport() const;
    bool PollWaits() const;
    bool LastWriteDropped() const;
    void WriteToTransport(const CMyByteArray& frame);
    void TraceFrame(const char* direction, const CMyByteArray& bytes) const;

    CMyByteArray tx_;
    uint8_t lastCommand_ = 0;
    CMyByteArray rx_;
    mutable std::mutex rxMutex_;
    std::condition_variable rxArrived_;
    uint64_t rxGeneration_ = 0;
    int32_t timeout_ = 500;
    int protocolType_ = 0;
    uint32_t busAddress_ = 1;
    int32_t lastError_ = 0;
    int32_t serialId_ = 0;
    int32_t deviceCode_ = 0;
    VESMOR_TraceHook traceHook_ = nullptr;
    std::array<std::unique_ptr<PortTransport>, kTransportSlots> transports_;
    std::function<int64_t()> nowMs_;
    std::map<std::array<uint8_t, 8>, int32_t> multiBlockNotes_;

    // A request whose wait ran out may still be answered. Until one more timeout has passed, the
    // first complete frame that arrives is taken for that late answer: it still answers a repeat
    // of the same request, and is discarded before any other request's own answer.
    // A reader ignores requests of another protocol type (as the open tries them all): it owes
    // an answer only to requests of the type it is being spoken to in.
    struct OwedAnswer {
        CMyByteArray request;  // the frame as sent
        int protocolType = 0;
        int64_t sinceMs = 0;
    };
    std::optional<OwedAnswer> owed_;
};

}  // namespace vesmor
