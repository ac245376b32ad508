#include "transports/bt_dongle.h"

#include "transports/connection_numbers.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "transports/serial_port_name.h"

namespace vesmor {

namespace {

constexpr uint32_t kDongleBaud = 921600;
constexpr uint16_t kLineControl8N1 = 0x0800;
constexpr uint32_t kSiTimeoutMs = 1000;
constexpr int kBreakMs = 10;
constexpr int kComBreakMs = 50;
constexpr int kComBaud = 9600;
constexpr int64_t kOpenWaitMs = 200;
constexpr int64_t kInquiryWaitMs = 10000;
constexpr int64_t kAfterInquiryMs = 500;
constexpr int64_t kRetryAfterMs = 500;
// How long a connect may take when no earlier connect has set it: a Bluetooth page takes up to
// about five seconds.
constexpr int64_t kDefaultConnectWaitMs = 5000;
constexpr int64_t kDisconnectWaitMs = 7000;
constexpr int kEmptyNameAnswers = 6;
constexpr size_t kNameEntry = 6 + 32;
// Frames taken in one go before a write or close: more would mean the dongle floods the line.
constexpr int kMaxWaitingFrames = 100;
// No wake event: the line waits only for input.
const WakeEvent kNoWake;
constexpr int32_t kFirstConnectionNumber = 30001;

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SleepMs(int64_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Connection numbers of open dongles, process-wide: the smallest free one from 30001.
// Made before main, so that it outlives the ports the library closes while the program ends.
NumberPool g_dongleNumbers(kFirstConnectionNumber);

NumberPool& DongleNumbers() {
    return g_dongleNumbers;
}

}  // namespace

CBluetoothDongle::CBluetoothDongle() = default;

CBluetoothDongle::~CBluetoothDongle() {
    CloseDongle();
}

bool CBluetoothDongle::OpenDongle(const std::string& name) {
    CloseDongle();
    std::string rest = name;
    if (const size_t bt = rest.find(" BT"); bt != std::string::npos) {
        rest.erase(bt, 3);
    }
    if (rest.empty()) {
        return false;
    }
    uint32_t count = 0;
    if (usbXpress_.GetNumDevices(&count) == kSiSuccess) {
        for (uint32_t i = 0; i < count; ++i) {
            if (EqualIgnoringCase(usbXpress_.SerialNumber(i), rest)) {
                if (!OpenUsbXpress(i)) {
                    return false;
                }
                Opened(name);
                return true;
            }
        }
    }
    const SerialPortName port = ParsePortName(rest);
    if (port.d2xxMode || !OpenComPort(port.devicePath)) {
        return false;
    }
    Opened(name);
    return true;
}

bool CBluetoothDongle::OpenUsbXpress(uint32_t device) {
    CUsbXpress& si = usbXpress_;
    if (si.SetTimeouts(kSiTimeoutMs, kSiTimeoutMs) != kSiSuccess ||
        si.Open(device, &device_) != kSiSuccess) {
        device_ = nullptr;
        return false;
    }
    bool configured = si.SetBaudRate(device_, kDongleBaud) == kSiSuccess &&
                      si.SetLineControl(device_, kLineControl8N1) == kSiSuccess &&
                      si.SetFlowControl(device_, 1, 2, 0, 0, 0, 0) == kSiSuccess &&
                      si.FlushBuffers(device_, 1, 1) == kSiSuccess &&
                      si.SetFlowControl(device_, 1, 2, 1, 0, 0, 0) == kSiSuccess &&
                      si.SetBreak(device_, 1) == kSiSuccess;
    if (configured) {
        SleepMs(kBreakMs);  // the break resets the dongle
        configured = si.SetBreak(device_, 0) == kSiSuccess;
    }
    if (!configured) {
        CloseHandle();
        return false;
    }
    comMode_ = false;
    AwaitEvent(kEvResetIndication, kOpReset, {}, kOpenWaitMs);
    return true;
}

bool CBluetoothDongle::OpenComPort(const std::string& path) {
    auto comm = MakeSystemComm();
    if (!comm->Open(path)) {
        return false;
    }
    if (!comm->SetTimeouts()) {
        comm->Close();
        return false;
    }
    comm->SetLineSettings(LineSettings{kComBaud, 'N', 8, 1});
    // A pseudo-terminal has no break; the dongle on a real line is reset by it.
    if (comm->SetBreak(true)) {
        SleepMs(kComBreakMs);
        comm->SetBreak(false);
    }
    com_ = std::move(comm);
    comMode_ = true;
    return true;
}

void CBluetoothDongle::Opened(const std::string& name) {
    name_ = name;
    identifier_ = DongleNumbers().Acquire();
}

void CBluetoothDongle::CloseDongle() {
    if (!IsOpen()) {
        return;
    }
    ProcessWaitingFrames();
    if (IsOpen() && connected_) {
        AwaitEvent(kEvDisconnectDone, kOpDisconnect, {kDongleLink}, kDisconnectWaitMs);
    }
    CloseHandle();
}

void CBluetoothDongle::CloseHandle() {
    if (com_) {
        com_->Close();
        com_.reset();
    }
    if (device_ != nullptr) {
        usbXpress_.Close(device_);
        device_ = nullptr;
    }
    if (const int32_t number = identifier_.exchange(0); number != 0) {
        DongleNumbers().Release(number);
    }
    comMode_ = false;
    connected_ = false;
    frames_.clear();
    data_.clear();
}

bool CBluetoothDongle::SendFrame(uint8_t opcode, const std::vector<uint8_t>& payload) {
    const std::vector<uint8_t> frame = EncodeDongleFrame(kDongleRequest, opcode, payload);
    const auto size = static_cast<uint32_t>(frame.size());
    uint32_t written = 0;
    if (com_) {
        return com_->Write(frame.data(), size, &written) && written == size;
    }
    if (device_ == nullptr) {
        return false;
    }
    usbXpress_.FlushBuffers(device_, 0, 1);
    return usbXpress_.Write(device_, frame.data(), size, &written) == kSiSuccess && written == size;
}

bool CBluetoothDongle::ReadWaiting() {
    const size_t before = frames_.size();
    const size_t room = kBufferSize - before;
    if (room == 0) {
        return true;  // the rest waits in the device until a frame has been taken
    }
    frames_.resize(kBufferSize);
    uint32_t got = 0;
    bool alive;
    if (com_) {
        // A hang-up shows only to a wait; the line status then reports the line as gone.
        com_->Wait(kNoWake, kNoWake, 0);
        LineStatus status;
        alive = com_->GetLineStatus(&status) &&
                com_->Read(frames_.data() + before, static_cast<uint32_t>(room), &got);
    } else {
        uint32_t waiting = 0, status = 0;
        alive = usbXpress_.CheckRXQueue(device_, &waiting, &status) == kSiSuccess;
        const auto wanted = std::min<uint32_t>(waiting, static_cast<uint32_t>(room));
        if (alive && wanted > 0) {
            alive = usbXpress_.Read(device_, frames_.data() + before, wanted, &got) == kSiSuccess;
        }
    }
    frames_.resize(before + std::min<size_t>(got, room));
    return alive;
}

bool CBluetoothDongle::PollDongle() {
    if (!IsOpen()) {
        return false;
    }
    if (!ReadWaiting()) {
        // The dongle is gone (unplugged): the connection is dead, and the port says so.
        CloseHandle();
        return false;
    }
    size_t consumed = 0;
    const std::optional<DongleFrame> frame =
        TakeDongleFrame(frames_.data(), frames_.size(), kBufferSize, &consumed);
    frames_.erase(frames_.begin(), frames_.begin() + static_cast<ptrdiff_t>(consumed));
    if (!frame) {
        return false;
    }
    HandleEvent(*frame);
    return true;
}

void CBluetoothDongle::ProcessWaitingFrames() {
    for (int i = 0; i < kMaxWaitingFrames && PollDongle(); ++i) {
    }
}

void CBluetoothDongle::HandleEvent(const DongleFrame& frame) {
    const uint16_t event = frame.Event();
    const std::vector<uint8_t>& body = frame.body;
    bool ends = event == awaited_;
    switch (event) {
        case kEvInquiryConfirm:
            ends = ends && !body.empty();
            break;
        case kEvInquiryResult: {
            const std::optional<BluetoothAddress> address =
                InquiryResultAddress(body, classFilter_);
            if (!address) {
                break;
            }
            if (results_.size() < kMaxInquiryResults) {
                results_.push_back(*address);
            }
            if (classFilter_ != 0) {
                // The reader is found: end the inquiry and wait for the dongle to say so.
                awaited_ = kEvResetIndication;
                SendFrame(kOpReset, {});
            }
            break;
        }
        case kEvRemoteName:
            nameArea_ = RemoteNameArea(body);
            break;
        case kEvConnectConfirm:
            if (!body.empty() && body[0] != 0) {
                connectStatus_ = body[0];
                ends = true;
            }
            break;
        case kEvConnectIndication:
            if (body.size() >= 9) {
                connectStatus_ = body[0];
                connected_ = body[0] == 0;
            }
            break;
        case kEvDisconnectIndication:
            if (body.size() > 1) {
                connected_ = false;
            }
            break;
        case kEvDataIndication: {
            // What does not fit into the data buffer is dropped.
            const DataBytes data = DataIndicationBytes(body, kBufferSize - data_.size());
            const auto from = body.begin() + static_cast<ptrdiff_t>(data.offset);
            data_.insert(data_.end(), from, from + static_cast<ptrdiff_t>(data.count));
            break;
        }
        case kEvResetIndication:
            ends = awaited_ == kEvResetIndication || awaited_ == kEvAlsoEndedByReset;
            break;
        default:
            break;
    }
    if (ends) {
        eventArrived_ = true;
    }
}

bool CBluetoothDongle::AwaitEvent(uint16_t event, uint8_t opcode,
                                  const std::vector<uint8_t>& payload, int64_t waitMs) {
    awaited_ = event;
    eventArrived_ = false;
    if (!SendFrame(opcode, payload)) {
        return false;
    }
    return ProcessFramesUntilArrived(waitMs);
}

bool CBluetoothDongle::ProcessFramesUntilArrived(int64_t waitMs) {
    const int64_t start = NowMs();
    while (!eventArrived_) {
        if (!IsOpen() || NowMs() - start > waitMs) {
            return false;
        }
        if (!PollDongle()) {
            PauseForInput();
        }
    }
    return true;
}

void CBluetoothDongle::PauseForInput() {
    if (com_) {
        com_->Wait(kNoWake, kNoWake, 1);  // wakes when input arrives
    } else {
        SleepMs(1);  // the USBXpress library offers nothing to wait on
    }
}

size_t CBluetoothDongle::FindReaderByInquiry(int64_t waitMs, uint16_t classFilter, size_t room,
                                             std::vector<uint8_t>& out) {
    results_.clear();
    classFilter_ = classFilter;
    if (!AwaitEvent(kEvInquiryConfirm, kOpInquiry, InquiryPayload(static_cast<uint32_t>(waitMs)),
                    waitMs)) {
        return 0;
    }
    const size_t before = out.size();
    const std::vector<BluetoothAddress> found = results_;
    for (const BluetoothAddress& address : found) {
        if ((out.size() - before) / kNameEntry >= room) {
            break;
        }
        for (int empty = 1;; ++empty) {
            if (!AwaitEvent(kEvRemoteName, kOpRemoteName,
                            std::vector<uint8_t>(address.begin(), address.end()), waitMs)) {
                out.resize(before);
                return 0;
            }
            if (nameArea_[0] != 0 || empty == kEmptyNameAnswers) {
                out.insert(out.end(), address.begin(), address.end());
                out.insert(out.end(), nameArea_.begin(), nameArea_.end());
                break;
            }
        }
    }
    return out.size() - before;
}

bool CBluetoothDongle::ConnectOnDemand() {
    if (connected_) {
        return true;
    }
    if (lastAttemptMs_ && NowMs() - *lastAttemptMs_ <= kRetryAfterMs) {
        return false;
    }
    const auto failed = [this] {
        lastAttemptMs_ = NowMs();
        return false;
    };
    BluetoothAddress address = readerAddress_;
    if (address == BluetoothAddress{}) {
        std::vector<uint8_t> found;
        if (FindReaderByInquiry(kInquiryWaitMs, kReaderClass, 1, found) == 0) {
            return failed();
        }
        SleepMs(kAfterInquiryMs);
        std::copy_n(found.begin(), address.size(), address.begin());
    }
    const int64_t waitMs = connectWaitMs_ != 0 ? connectWaitMs_ : kDefaultConnectWaitMs;
    connectStatus_ = 0;
    if (!AwaitEvent(kEvConnectIndication, kOpConnect, ConnectPayload(address, linkParameter_),
                    waitMs) ||
        connectStatus_ != 0 || !connected_) {
        return failed();
    }
    readerAddress_ = address;
    connectWaitMs_ = waitMs;
    return true;
}

size_t CBluetoothDongle::ReadDongle(uint8_t* buffer, size_t capacity) {
    if (!IsOpen() || !ConnectOnDemand()) {
        return 0;
    }
    PollDongle();
    const size_t n = std::min(capacity, data_.size());
    std::copy_n(data_.begin(), n, buffer);
    data_.erase(data_.begin(), data_.begin() + static_cast<ptrdiff_t>(n));
    return n;
}

bool CBluetoothDongle::WriteDongle(const uint8_t* bytes, size_t length) {
    if (!IsOpen()) {
        return false;
    }
    // Frames that arrived since the last poll come first: a lost link is noticed before the
    // request goes out, and the flush of the USBXpress path does not discard late data.
    ProcessWaitingFrames();
    // Data that came before this request (a late or repeated answer) is no answer to it; the
    // port has flushed its own receive buffer already.
    data_.clear();
    if (!ConnectOnDemand()) {
        return false;
    }
    return SendFrame(kOpData, DataPayload(bytes, length));
}

std::vector<std::string> BluetoothPortNames() {
    CUsbXpress usbXpress;
    std::vector<std::string> names;
    ListBluetoothDongles(usbXpress, names);
    return names;
}

}  // namespace vesmor
