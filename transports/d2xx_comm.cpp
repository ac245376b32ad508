#include "transports/d2xx_comm.h"

#include <cerrno>
#include <limits>

namespace vesmor {

using namespace d2xx;

D2xxComm::~D2xxComm() {
    Close();
}

bool D2xxComm::Open(const std::string& serialNumber) {
    Close();
    const FT_HANDLE handle =
        table_.W32_CreateFile(serialNumber.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                              FT_OPEN_BY_SERIAL_NUMBER);
    openError_ = IsValidHandle(handle) ? 0 : ENODEV;
    handle_ = IsValidHandle(handle) ? handle : InvalidHandle();
    return IsOpen();
}

bool D2xxComm::Close() {
    const FT_HANDLE handle = handle_.exchange(InvalidHandle());
    return IsValidHandle(handle) && table_.W32_CloseHandle(handle) != 0;
}

bool D2xxComm::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
    DWORD n = 0;
    const bool ok = table_.W32_ReadFile(handle_, buffer, count, &n) != 0;
    *got = ok ? n : 0;
    return ok;
}

bool D2xxComm::Write(const uint8_t* data, uint32_t count, uint32_t* written) {
    DWORD n = 0;
    const bool ok = table_.W32_WriteFile(handle_, data, count, &n) != 0;
    *written = ok ? n : 0;
    return ok;
}

int D2xxComm::LastError() const {
    const FT_HANDLE handle = handle_.load();
    if (!IsValidHandle(handle)) {
        return openError_;
    }
    return static_cast<int>(table_.W32_GetLastError(handle));
}

bool D2xxComm::GetLineStatus(LineStatus* status) {
    DWORD errors = 0;
    FTCOMSTAT comStat{};
    if (table_.W32_ClearCommError(handle_, &errors, &comStat) == 0) {
        return false;
    }
    status->errors = errors;
    status->inQueue = comStat.cbInQue;
    status->outQueue = comStat.cbOutQue;
    return true;
}

bool D2xxComm::GetModemStatus(uint32_t* bits) {
    DWORD value = 0;
    if (table_.W32_GetCommModemStatus(handle_, &value) == 0) {
        return false;
    }
    *bits = value;
    return true;
}

bool D2xxComm::SetLineSettings(const LineSettings& settings) {
    FTDCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (table_.W32_GetCommState(handle_, &dcb) == 0) {
        return false;
    }
    dcb.BaudRate = static_cast<DWORD>(settings.baud);
    dcb.fBinary = 1;
    dcb.fParity = settings.parity != 'N';
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDsrSensitivity = 0;    // bytes count whatever the DSR line says
    dcb.fTXContinueOnXoff = 1;  // sending never waits for an XON
    dcb.fDtrControl = 1;        // DTR on
    dcb.fRtsControl = 1;        // RTS on
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fNull = 0;          // frames carry 00 bytes: none may be dropped
    dcb.fAbortOnError = 0;  // a line error must not stall reads and writes
    dcb.ByteSize = static_cast<UCHAR>(settings.dataBits);
    dcb.Parity = settings.parity == 'E'   ? EVENPARITY
                 : settings.parity == 'O' ? ODDPARITY
                                          : NOPARITY;
    dcb.StopBits = settings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    return table_.W32_SetCommState(handle_, &dcb) != 0;
}

bool D2xxComm::SetTimeouts() {
    // Reads return at once with what has arrived; writes have no time-out.
    FTTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = std::numeric_limits<DWORD>::max();
    return table_.W32_SetCommTimeouts(handle_, &timeouts) != 0;
}

bool D2xxComm::SetEventMask(uint32_t mask) {
    return table_.W32_SetCommMask(handle_, mask) != 0;
}

void D2xxComm::Purge() {
    // Both queues are emptied; there is no overlapped I/O of ours to abort.
    table_.W32_PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

bool D2xxComm::SetLatencyTimer(uint8_t ms) {
    return table_.SetLatencyTimer(handle_, ms) == FT_OK;
}

WaitEvents D2xxComm::Wait(const WakeEvent& stop, const WakeEvent& write, int timeoutMs) {
    return WakeEvent::WaitEither(stop, write, timeoutMs);
}

}  // namespace vesmor
