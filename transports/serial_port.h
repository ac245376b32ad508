#pragma once
// CUSBSerialPort: byte transport of a reader connection over a serial line (a tty, or an FTDI
// device in D2XX mode). One worker thread per open port waits for input, hang-ups and queued
// writes, hands every received byte to OnReceiveByte and writes the queued bytes.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "transports/comm_calls.h"

namespace vesmor {

// Notification messages sent to the owner (WM_APP + n); the port number is the third argument.
enum SerialNotification : unsigned {
    kNotifyBase = 0x8000,
    kNotifyBreak = kNotifyBase + 1,
    kNotifyCts = kNotifyBase + 2,
    kNotifyDsr = kNotifyBase + 3,
    kNotifyCommError = kNotifyBase + 4,
    kNotifyRing = kNotifyBase + 5,
    kNotifyCarrier = kNotifyBase + 6,
    kNotifyReceiveByte = kNotifyBase + 7,
    kNotifySpare = kNotifyBase + 8,
    kNotifyTxEmpty = kNotifyBase + 9,
    kNotifyReadDone = kNotifyBase + 10,
    kNotifyWriteDone = kNotifyBase + 11,
};

// Receives notifications; an empty owner receives nothing.
using SerialOwner = std::function<void(unsigned message, uintptr_t param, int32_t portNumber)>;

// Comm error flag raised when the device cannot be polled or read any more.
constexpr uint32_t kCommErrorDeviceLost = 0x800;

class CUSBSerialPort {
  public:
    CUSBSerialPort();
    virtual ~CUSBSerialPort();
    CUSBSerialPort(const CUSBSerialPort&) = delete;
    CUSBSerialPort& operator=(const CUSBSerialPort&) = delete;

    // Opens and configures the device. Failures of the configuration steps are reported but do
    // not fail the open; true when the device is open.
    bool OpenPort(SerialOwner owner, const std::string& name, int baud, char parity, int dataBits,
                  int stopBits, int flowControl, uint32_t eventMask, size_t writeBufferSize);
    // Starts the worker; false when one exists already or cannot be created. Returns once the
    // worker runs.
    bool StartWorker();
    // Queues bytes for the worker; length -1 means a zero-terminated text. Bytes that do not
    // fit into the free space of the write buffer are dropped whole.
    void QueueWrite(const uint8_t* bytes, int length);
    // Stops the worker and releases everything the open created.
    void ClosePort();

    bool IsDeviceOpen() const { return comm_ && comm_->IsOpen(); }
    bool IsWorkerRunning() const { return running_; }
    bool IsD2xxMode() const { return d2xxMode_; }
    int32_t PortNumber() const { return portNumber_; }
    const std::string& PortName() const { return portName_; }

  protected:
    virtual void OnReceiveByte(uint8_t byte);
    // Bytes of one read; the default passes each to OnReceiveByte.
    virtual void OnReceiveBytes(const uint8_t* bytes, size_t count);
    virtual void OnCtsChanged();
    virtual void OnSpareNotify();
    virtual void OnBreakDetected();
    virtual void OnCommError(uint32_t flags);
    // The worker found the device gone and closed it (the worker's thread calls this last).
    virtual void OnDeviceLost() {}
    virtual void OnRingChanged();
    virtual void OnCarrierChanged();
    virtual void OnDsrChanged();
    virtual void ReadAvailable(uint32_t count);
    virtual void OnWriteDone(uint32_t count);
    virtual void OnTxEmpty();

  private:
    void Notify(unsigned message, uintptr_t param) const;
    void WorkerMain();
    bool PollStatus();
    void ServiceWrite();
    void RaiseModemChanges(uint32_t bits, bool initial);
    void StopWorker();
    void ReportError(const char* operation) const;

    std::unique_ptr<CommCalls> comm_;
    uint8_t dsr_ = 0, cts_ = 0, rlsd_ = 0, ring_ = 0;
    std::atomic<bool> running_{false};
    uint32_t eventMask_ = 0;
    uint32_t bytesWaiting_ = 0;
    bool d2xxMode_ = false;
    std::mutex writeLock_;
    std::thread worker_;
    std::mutex openLock_;
    WakeEvent stopEvent_;   // stays signalled once set
    WakeEvent writeEvent_;  // reset by the worker
    SerialOwner owner_;
    int32_t portNumber_ = 0;
    std::vector<uint8_t> writeBuffer_;
    size_t pending_ = 0;
    std::string portName_;
    std::mutex startLock_;
    std::condition_variable started_;
};

}  // namespace vesmor
