#include "transports/serial_port.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "transports/d2xx_comm.h"
#include "transports/serial_port_name.h"

namespace vesmor {

namespace {

constexpr uint32_t kEvTxEmpty = 0x4;
constexpr uint32_t kReportedCommErrors = 0x50F;

}  // namespace

CUSBSerialPort::CUSBSerialPort() = default;

CUSBSerialPort::~CUSBSerialPort() {
    ClosePort();
}

void CUSBSerialPort::Notify(unsigned message, uintptr_t param) const {
    if (owner_) {
        owner_(message, param, portNumber_);
    }
}

void CUSBSerialPort::OnReceiveByte(uint8_t byte) {
    Notify(kNotifyReceiveByte, byte);
}

void CUSBSerialPort::OnReceiveBytes(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        OnReceiveByte(bytes[i]);
    }
}

void CUSBSerialPort::OnCtsChanged() {
    Notify(kNotifyCts, cts_);
}
void CUSBSerialPort::OnSpareNotify() {
    Notify(kNotifySpare, 0);
}
void CUSBSerialPort::OnBreakDetected() {
    Notify(kNotifyBreak, 0);
}
void CUSBSerialPort::OnCommError(uint32_t flags) {
    Notify(kNotifyCommError, flags);
}
void CUSBSerialPort::OnRingChanged() {
    Notify(kNotifyRing, ring_);
}
void CUSBSerialPort::OnCarrierChanged() {
    Notify(kNotifyCarrier, rlsd_);
}
void CUSBSerialPort::OnDsrChanged() {
    Notify(kNotifyDsr, dsr_);
}
void CUSBSerialPort::OnWriteDone(uint32_t count) {
    Notify(kNotifyWriteDone, count);
}
void CUSBSerialPort::OnTxEmpty() {
    Notify(kNotifyTxEmpty, 0);
}

void CUSBSerialPort::ReportError(const char* operation) const {
    // The diagnostic has no reader in normal use; VESMOR_DEBUG sends it to stderr.
    if (std::getenv("VESMOR_DEBUG") == nullptr) {
        return;
    }
    const int error = comm_ ? comm_->LastError() : 0;
    (void)std::fprintf(stderr, "WARNING:  %s Failed with the following error: \n%s\nPort: %s\n",
                       operation, std::strerror(error), portName_.c_str());
}

bool CUSBSerialPort::OpenPort(SerialOwner owner, const std::string& name, int baud, char parity,
                              int dataBits, int stopBits, int /*flowControl*/, uint32_t eventMask,
                              size_t writeBufferSize) {
    portName_ = name;
    const SerialPortName parsed = ParsePortName(name);
    d2xxMode_ = parsed.d2xxMode;
    portNumber_ = parsed.portNumber;

    StopWorker();
    writeEvent_.Create();
    stopEvent_.Create();

    owner_ = std::move(owner);
    {
        std::lock_guard lock(writeLock_);
        writeBuffer_.assign(writeBufferSize, 0);
        pending_ = 0;
    }
    eventMask_ = eventMask;

    std::unique_lock lock(openLock_);
    if (comm_) {
        comm_->Close();
    }
    if (d2xxMode_) {
        comm_ = std::make_unique<D2xxComm>();
    } else {
        comm_ = MakeSystemComm();
    }
    if (!comm_->Open(parsed.devicePath)) {
        lock.unlock();
        ClosePort();
        return false;
    }
    if (d2xxMode_) {
        comm_->SetLatencyTimer(2);
    }
    const LineSettings settings{baud, parity, dataBits, stopBits};
    if (!comm_->SetTimeouts()) {
        ReportError("SetCommTimeouts()");
    } else if (!comm_->SetEventMask(eventMask_)) {
        ReportError("SetCommMask()");
    } else if (!comm_->SetLineSettings(settings)) {
        ReportError("SetCommState()");
    }
    comm_->Purge();
    lock.unlock();

    uint32_t bits = 0;
    if (comm_->GetModemStatus(&bits)) {
        RaiseModemChanges(bits, true);
    }
    return true;
}

void CUSBSerialPort::RaiseModemChanges(uint32_t bits, bool initial) {
    struct Line {
        uint32_t mask;
        uint8_t* state;
        void (CUSBSerialPort::*raise)();
    };
    // At open the lines that are on are raised in this order, carrying the stored states.
    const Line openOrder[] = {{kMsRlsdOn, &rlsd_, &CUSBSerialPort::OnCarrierChanged},
                              {kMsDsrOn, &dsr_, &CUSBSerialPort::OnDsrChanged},
                              {kMsCtsOn, &cts_, &CUSBSerialPort::OnCtsChanged},
                              {kMsRingOn, &ring_, &CUSBSerialPort::OnRingChanged}};
    const Line pollOrder[] = {{kMsCtsOn, &cts_, &CUSBSerialPort::OnCtsChanged},
                              {kMsDsrOn, &dsr_, &CUSBSerialPort::OnDsrChanged},
                              {kMsRlsdOn, &rlsd_, &CUSBSerialPort::OnCarrierChanged},
                              {kMsRingOn, &ring_, &CUSBSerialPort::OnRingChanged}};
    for (const Line& line : initial ? openOrder : pollOrder) {
        const uint8_t on = (bits & line.mask) ? 1 : 0;
        if (initial) {
            if (on) {
                (this->*line.raise)();
            }
        } else if (on != *line.state) {
            *line.state = on;
            (this->*line.raise)();
        }
    }
}

bool CUSBSerialPort::StartWorker() {
    if (worker_.joinable() || !IsDeviceOpen()) {
        return false;
    }
    try {
        worker_ = std::thread(&CUSBSerialPort::WorkerMain, this);
    } catch (const std::system_error&) {
        return false;
    }
    std::unique_lock lock(startLock_);
    started_.wait(lock, [this] { return running_.load(); });
    return true;
}

void CUSBSerialPort::WorkerMain() {
    {
        std::lock_guard lock(startLock_);
        running_ = true;
    }
    started_.notify_all();
    if (!comm_->SetEventMask(eventMask_)) {
        ReportError("SetCommMask()");
    }
    while (comm_->IsOpen()) {
        const WaitEvents events = comm_->Wait(stopEvent_, writeEvent_, comm_->IdleWaitMs());
        if (events.stop) {
            break;
        }
        if (events.failed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (events.write) {
            ServiceWrite();
        }
        if (!PollStatus()) {
            // The device is gone: the port looks closed from now on.
            running_ = false;
            comm_->Close();
            OnDeviceLost();
            return;
        }
    }
    running_ = false;
}

bool CUSBSerialPort::PollStatus() {
    LineStatus status;
    uint32_t bits = 0;
    if (!comm_->GetLineStatus(&status)) {
        OnCommError(kCommErrorDeviceLost);
        return false;
    }
    if (status.outQueue == 0) {
        OnTxEmpty();
        comm_->SetEventMask(eventMask_ & ~kEvTxEmpty);
    }
    uint32_t errors = status.errors;
    if (errors & kCeBreak) {
        OnBreakDetected();
        errors &= ~kCeFrame;
    }
    if (errors & kReportedCommErrors) {
        OnCommError(errors);
    }
    if (!comm_->GetModemStatus(&bits)) {
        OnCommError(kCommErrorDeviceLost);
        return false;
    }
    RaiseModemChanges(bits, false);
    if (status.inQueue != 0 && comm_->GetLineStatus(&status)) {
        bytesWaiting_ = status.inQueue;
        if (bytesWaiting_ != 0) {
            ReadAvailable(bytesWaiting_);
        }
    }
    return true;
}

void CUSBSerialPort::ReadAvailable(uint32_t count) {
    uint8_t chunk[512];
    while (count > 0) {
        uint32_t got = 0;
        const uint32_t want = count < sizeof chunk ? count : static_cast<uint32_t>(sizeof chunk);
        if (!comm_->Read(chunk, want, &got) && comm_->LastError() != 0) {
            ReportError("ReadFile()");
            OnCommError(comm_->LastError() == EACCES ? kCommErrorDeviceLost : 0);
            break;
        }
        if (got == 0) {
            break;
        }
        OnReceiveBytes(chunk, got);
        count -= got;
    }
    Notify(kNotifyReadDone, 0);
}

void CUSBSerialPort::QueueWrite(const uint8_t* bytes, int length) {
    const size_t count = length < 0 ? std::strlen(reinterpret_cast<const char*>(bytes))
                                    : static_cast<size_t>(length);
    {
        std::lock_guard lock(writeLock_);
        if (pending_ + count <= writeBuffer_.size()) {
            std::memcpy(writeBuffer_.data() + pending_, bytes, count);
            pending_ += count;
        }
    }
    writeEvent_.Signal();
}

void CUSBSerialPort::ServiceWrite() {
    writeEvent_.Reset();
    std::unique_lock lock(writeLock_);
    if (pending_ == 0) {
        lock.unlock();
        OnTxEmpty();
        return;
    }
    uint32_t written = 0;
    if (comm_->Write(writeBuffer_.data(), static_cast<uint32_t>(pending_), &written)) {
        comm_->SetEventMask(eventMask_);
        pending_ = 0;
        lock.unlock();
        OnWriteDone(written);
    } else {
        ReportError("WriteFile()");
    }
}

void CUSBSerialPort::StopWorker() {
    if (worker_.joinable()) {
        stopEvent_.Signal();
        worker_.join();
    }
    running_ = false;
}

void CUSBSerialPort::ClosePort() {
    StopWorker();
    writeEvent_.Close();
    stopEvent_.Close();
    std::lock_guard lock(openLock_);
    if (comm_ && comm_->IsOpen() && !comm_->Close()) {
        ReportError("CloseHandle()");
    }
    std::lock_guard writeLock(writeLock_);
    writeBuffer_.clear();
    writeBuffer_.shrink_to_fit();
    pending_ = 0;
}

}  // namespace vesmor
