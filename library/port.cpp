#include "library/port.h"

#include <algorithm>
#include <chrono>

#include "library/frame.h"
#include "library/trace.h"
#include "library/wait_hooks.h"

namespace vesmor {

namespace {

constexpr size_t kMaxRequestLength = 255;  // bytes after the command byte
constexpr size_t kPollChunk = 100;
// Polls a command start spends at most reading in what a polled transport still holds.
constexpr int kOwedDrainPolls = 64;
constexpr size_t kHidDiscardChunk = 10;

}  // namespace

CVESMOR_Port::CVESMOR_Port() : nowMs_(MonotonicMs) {}

CVESMOR_Port::~CVESMOR_Port() {
    // Stop the serial worker before the receive buffer it writes into goes away.
    CloseTransports();
}

int32_t CVESMOR_Port::Handle() const {
    if (serialId_ != 0) {
        return serialId_;
    }
    for (const auto& transport : transports_) {
        if (transport && transport->Identifier() != 0) {
            return transport->Identifier();
        }
    }
    return 0;
}

void CVESMOR_Port::AttachTransport(TransportSlot slot, std::unique_ptr<PortTransport> transport) {
    transports_[slot] = std::move(transport);
}

PortTransport* CVESMOR_Port::OpenTransport() const {
    for (const auto& transport : transports_) {
        if (transport && transport->Identifier() != 0) {
            return transport.get();
        }
    }
    return nullptr;
}

bool CVESMOR_Port::IsHidOpen() const {
    const PortTransport* transport = transports_[kHidSlot].get();
    return transport && transport->Identifier() != 0;
}

void CVESMOR_Port::CloseTransports() {
    ClosePort();
    for (auto& transport : transports_) {
        if (transport) {
            transport->Close();
        }
    }
}

void CVESMOR_Port::OnReceiveByte(uint8_t byte) {
    OnReceiveBytes(&byte, 1);
}

void CVESMOR_Port::OnReceiveBytes(const uint8_t* bytes, size_t count) {
    {
        std::lock_guard lock(rxMutex_);
        rx_.Append(bytes, count);
        ++rxGeneration_;
    }
    rxArrived_.notify_all();
}

void CVESMOR_Port::OnDeviceLost() {
    {
        std::lock_guard lock(rxMutex_);
        ++rxGeneration_;
    }
    rxArrived_.notify_all();
}

size_t CVESMOR_Port::ReceivedCount() const {
    std::lock_guard lock(rxMutex_);
    return rx_.GetSize();
}

bool CVESMOR_Port::PollTransport(bool now) {
    PortTransport* transport = OpenTransport();
    if (transport == nullptr || !transport->IsPolled()) {
        return false;
    }
    uint8_t bytes[kPollChunk];
    const size_t n =
        now ? transport->ReadNow(bytes, sizeof bytes) : transport->ReadPending(bytes, sizeof bytes);
    if (n > 0) {
        OnReceiveBytes(bytes, n);
    }
    return n > 0;
}

void CVESMOR_Port::FlushReceive() {
    {
        std::lock_guard lock(rxMutex_);
        rx_.RemoveAll();
    }
    // What HID input is there goes; the drain does not wait for more.
    if (IsHidOpen()) {
        uint8_t discard[kHidDiscardChunk];
        while (transports_[kHidSlot]->ReadNow(discard, sizeof discard) > 0) {
        }
    }
}

void CVESMOR_Port::WriteToTransport(const CMyByteArray& frame) {
    if (IsDeviceOpen()) {
        QueueWrite(frame.GetData(), static_cast<int>(frame.GetSize()));
    } else if (PortTransport* transport = OpenTransport()) {
        transport->Write(frame.GetData(), frame.GetSize());
    }
}

void CVESMOR_Port::TraceFrame(const char* direction, const CMyByteArray& bytes) const {
    if (traceHook_ != nullptr) {
        const std::string text =
            FormatFrameDump(direction, Handle(), bytes.GetData(), bytes.GetSize());
        traceHook_(Handle(), text.c_str());
    }
}

bool CVESMOR_Port::SendCommand() {
    if (tx_.IsEmpty()) {
        lastError_ = 8;
        return false;
    }
    if (tx_.GetSize() - 1 > kMaxRequestLength) {
        // Such a request cannot be framed: its length byte would lie.
        tx_.RemoveAll();
        lastError_ = 7;
        return false;
    }
    lastCommand_ = BuildFrame(tx_, protocolType_, static_cast<uint8_t>(busAddress_));
    lastError_ = 0;
    // A request that timed out because its frame never left is owed no answer.
    if (LastWriteDropped()) {
        owed_.reset();
    }
    // A late answer may still sit in a polled transport (HID input): it is read in first, so
    // that it is seen to have arrived before it goes with the flush.
    for (int i = 0; owed_ && i < kOwedDrainPolls && PollTransport(true); ++i) {
    }
    ForgetArrivedLateAnswer();
    FlushReceive();
    WriteToTransport(tx_);
    TraceFrame(">", tx_);
    const CMyByteArray request = tx_;
    tx_.RemoveAll();
    if (!WaitForAnswer(request)) {
        CMyByteArray received;
        {
            std::lock_guard lock(rxMutex_);
            received = rx_;
        }
        TraceFrame("<", received);
        lastError_ = 4;
        return false;
    }
    return true;
}

bool CVESMOR_Port::LastWriteDropped() const {
    const PortTransport* transport = OpenTransport();
    return transport != nullptr && transport->LastWriteDropped();
}

bool CVESMOR_Port::PollsTransport() const {
    const PortTransport* transport = OpenTransport();
    return transport != nullptr && transport->IsPolled();
}

bool CVESMOR_Port::PollWaits() const {
    const PortTransport* transport = OpenTransport();
    return transport != nullptr && transport->IsPolled() && transport->ReadWaits();
}

bool CVESMOR_Port::IsConnected() const {
    if (IsDeviceOpen()) {
        return true;
    }
    const PortTransport* transport = OpenTransport();
    return transport != nullptr && transport->IsReachable();
}

template <class Ready>
bool CVESMOR_Port::WaitPhase(const WaitHookScope& hooks, Ready ready) {
    const int64_t start = nowMs_();
    // A polled transport is asked only while the answer is still owed: at once when the phase
    // begins without it, and again at once after every poll that brought bytes. A transport
    // whose read waits for input itself is the slice of the wait; others sleep up to 1 ms.
    const bool pollWaits = PollWaits();
    bool skipSleep = PollsTransport();
    for (;;) {
        {
            std::unique_lock lock(rxMutex_);
            if (ready()) {
                return true;
            }
            if (nowMs_() - start > timeout_) {
                return false;
            }
            // A transport that has gone (device unplugged) will deliver nothing more, and a
            // frame that never left will not be answered.
            if (!IsConnected() || LastWriteDropped()) {
                return false;
            }
            if (!skipSleep) {
                // Between pump calls and polls of a polled transport the wait lasts at most
                // 1 ms; with neither, it sleeps until bytes arrive or the phase runs out.
                const bool slices = hooks.HasPump() || PollsTransport();
                const int64_t sliceMs = slices ? 1 : start + timeout_ + 1 - nowMs_();
                const uint64_t seen = rxGeneration_;
                rxArrived_.wait_for(lock, std::chrono::milliseconds(std::max<int64_t>(sliceMs, 1)),
                                    [&] { return rxGeneration_ != seen; });
                if (ready()) {
                    return true;
                }
            }
        }
        hooks.Pump();
        skipSleep = PollTransport() || pollWaits;
    }
}

bool CVESMOR_Port::WaitForAnswer(const CMyByteArray& request) {
    WaitHookScope hooks;
    bool discarded = false;
    for (;;) {
        if (!WaitForFrame(hooks)) {
            // After a discarded frame the request's own answer did not come: that frame was it,
            // so the reader owes nothing more. Otherwise its answer may still arrive.
            if (discarded || LastWriteDropped()) {
                owed_.reset();
            } else {
                owed_ = OwedAnswer{request, protocolType_, nowMs_()};
            }
            return false;
        }
        if (!DiscardLateAnswer(request)) {
            return true;
        }
        discarded = true;
    }
}

bool CVESMOR_Port::WaitForFrame(const WaitHookScope& hooks) {
    const size_t header = AnswerHeaderLength(protocolType_);
    if (!WaitPhase(hooks, [&] { return rx_.GetSize() >= header; })) {
        return false;
    }
    if (HasStartByte(protocolType_)) {
        const uint8_t start = AnswerStartByte(protocolType_);
        const auto synchronised = [&] {
            size_t stray = 0;
            while (stray < rx_.GetSize() && rx_[stray] != start) {
                ++stray;
            }
            rx_.RemoveAt(0, stray);
            return rx_.GetSize() >= header;
        };
        if (!WaitPhase(hooks, synchronised)) {
            return false;
        }
    }
    return WaitPhase(hooks,
                     [&] { return IsAnswerComplete(rx_.GetData(), rx_.GetSize(), protocolType_); });
}

void CVESMOR_Port::ForgetArrivedLateAnswer() {
    std::lock_guard lock(rxMutex_);
    if (owed_ && IsAnswerComplete(rx_.GetData(), rx_.GetSize(), protocolType_)) {
        owed_.reset();  // it came between two exchanges and goes with the flush
    }
}

bool CVESMOR_Port::DiscardLateAnswer(const CMyByteArray& request) {
    if (!owed_) {
        return false;
    }
    const int64_t now = nowMs_();
    if (now - owed_->sinceMs > timeout_ || owed_->protocolType != protocolType_) {
        owed_.reset();
        return false;
    }
    if (owed_->request == request) {
        // A repeated request takes the late answer; its own answer is the one owed now.
        owed_->sinceMs = now;
        return false;
    }
    CMyByteArray late;
    {
        std::lock_guard lock(rxMutex_);
        const size_t length = CompleteAnswerLength(rx_.GetData(), rx_.GetSize(), protocolType_);
        late.Append(rx_.GetData(), length);
        rx_.RemoveAt(0, length);
    }
    owed_.reset();
    TraceFrame("<", late);
    return true;
}

bool CVESMOR_Port::ReceiveAnswer(CMyByteArray& out) {
    {
        std::lock_guard lock(rxMutex_);
        out = rx_;
        rx_.RemoveAll();
    }
    TraceFrame("<", out);
    const AnswerCheck check = CheckAnswer(out, protocolType_, lastCommand_);
    if (check.error != 0) {
        lastError_ = check.error;
    }
    return check.accepted;
}

bool CVESMOR_Port::ReceiveIsoAnswer(CMyByteArray& out) {
    if (!ReceiveAnswer(out)) {
        return false;
    }
    const AnswerCheck check = CheckIsoAnswer(out, protocolType_);
    if (check.error != 0) {
        lastError_ = check.error;
    }
    return check.accepted;
}

bool CVESMOR_Port::Exchange(uint8_t command, const CMyByteArray& data, CMyByteArray& answer) {
    tx_.RemoveAll();
    tx_.Add(command);
    tx_.Append(data);
    return SendCommand() && ReceiveAnswer(answer);
}

}  // namespace vesmor
