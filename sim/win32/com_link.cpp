#include "sim/win32/com_link.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <stdexcept>

#include "sim/win32/system_error.h"

namespace vesmor::sim {

namespace {

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// "COM3" is opened as "\\.\COM3", which also reaches COM10 and above.
std::string DevicePath(const std::string& port) {
    return port.starts_with("\\\\.\\") ? port : "\\\\.\\" + port;
}

}  // namespace

ComLink::ComLink(const ReaderConfig& config, const Options& options)
    : engine_(config), options_(options) {
    engine_.SetField(&field_);
    if (options_.dongle) {
        dongle_ = std::make_unique<DongleEngine>(engine_, options_.dongleConfig);
    }
    const HANDLE port = CreateFileA(DevicePath(options_.port).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot open " + options_.port + ": " +
                                 SystemErrorText(GetLastError()));
    }
    handle_ = reinterpret_cast<intptr_t>(port);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = static_cast<DWORD>(options_.baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    // A read returns at once with what has come; a write may take its wire time.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = 2000;
    if (!SetCommState(port, &dcb) || !SetCommTimeouts(port, &timeouts)) {
        const std::string reason = SystemErrorText(GetLastError());
        CloseHandle(port);
        throw std::runtime_error("cannot set " + options_.port + " to " +
                                 std::to_string(options_.baud) + " baud 8N1: " + reason);
    }
    PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
    if (!wake_.Create()) {
        CloseHandle(port);
        throw std::runtime_error("no wake-up event for the port thread");
    }
    // The port is looked at every millisecond: the system's timer is to tick that often.
    timeBeginPeriod(1);
    thread_ = std::thread(&ComLink::Run, this);
}

ComLink::~ComLink() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.Signal();
    thread_.join();
    timeEndPeriod(1);
    CloseHandle(AsHandle(handle_));
}

void ComLink::SetFaults(const Faults& faults) {
    std::lock_guard lock(mutex_);
    engine_.SetFaults(faults);
}

void ComLink::ReadPort(int64_t nowNs) {
    uint8_t buffer[1024];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(AsHandle(handle_), buffer, sizeof buffer, &n, nullptr) || n == 0) {
            return;
        }
        if (nowNs - lastByteNs_ > int64_t{options_.idleResetMs} * 1'000'000) {
            engine_.ResetParser();
            if (dongle_) {
                dongle_->ResetParser();
            }
        }
        lastByteNs_ = nowNs;
        ScheduleReplies(outgoing_, dongle_ ? dongle_->OnBytes(buffer, n) : engine_.OnBytes(buffer, n),
                        nowNs, options_.lineBaud);
    }
}

void ComLink::EmitDue(int64_t nowNs) {
    while (!outgoing_.empty() && outgoing_.begin()->first <= nowNs) {
        const std::vector<uint8_t>& bytes = outgoing_.begin()->second.bytes;
        DWORD written = 0;
        WriteFile(AsHandle(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                  nullptr);
        outgoing_.erase(outgoing_.begin());
    }
}

void ComLink::Run() {
    // A serial port has no wait for "data or an event" besides overlapped I/O, which Wine's
    // serial code does not serve for every kind of device: the thread looks at the port every
    // millisecond (as the library's worker does) and sleeps on the wake event between.
    // The last byte of a paced answer is sent on time: the thread wakes up to a millisecond
    // earlier and waits out the rest actively.
    constexpr int64_t kPollNs = 1'000'000;
    for (;;) {
        int64_t waitNs = kPollNs;
        int64_t spinUntil = -1;
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
            if (!outgoing_.empty()) {
                const auto& [due, next] = *outgoing_.begin();
                const int64_t left = std::max<int64_t>(0, due - SteadyNowNs());
                if (next.endsAnswer && options_.lineBaud > 0 && left <= kPollNs) {
                    spinUntil = due;
                }
                waitNs = std::min(waitNs, left);
            }
        }
        if (spinUntil >= 0) {
            while (SteadyNowNs() < spinUntil) {
            }
        } else if (waitNs > 0) {
            WaitForSingleObject(reinterpret_cast<HANDLE>(wake_.Native()),
                                static_cast<DWORD>((waitNs + 999'999) / 1'000'000));
        }
        std::lock_guard lock(mutex_);
        ReadPort(SteadyNowNs());
        EmitDue(SteadyNowNs());
    }
}

}  // namespace vesmor::sim
