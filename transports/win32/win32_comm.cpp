#include "transports/win32/win32_comm.h"

#include <windows.h>

#include <cstdio>

#include "transports/serial_port_name.h"

namespace vesmor {

namespace {

HANDLE AsHandle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

}  // namespace

Win32Comm::~Win32Comm() {
    Close();
}

bool Win32Comm::Fail() {
    lastError_ = static_cast<int>(GetLastError());
    return false;
}

bool Win32Comm::Open(const std::string& device) {
    Close();
    // Read and write access, no sharing: a port held by another program cannot be opened.
    const HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return Fail();
    }
    handle_ = reinterpret_cast<intptr_t>(handle);
    return true;
}

bool Win32Comm::Close() {
    const intptr_t handle = handle_.exchange(kNoHandle);
    if (handle == kNoHandle) {
        return false;
    }
    return CloseHandle(AsHandle(handle)) || Fail();
}

bool Win32Comm::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
    DWORD n = 0;
    *got = 0;
    if (!ReadFile(AsHandle(handle_), buffer, count, &n, nullptr)) {
        return Fail();
    }
    *got = n;
    return true;
}

bool Win32Comm::Write(const uint8_t* data, uint32_t count, uint32_t* written) {
    // Writes have no time-out, so WriteFile returns when every byte is out or the port fails.
    DWORD n = 0;
    const bool ok = WriteFile(AsHandle(handle_), data, count, &n, nullptr);
    *written = n;
    return ok || Fail();
}

bool Win32Comm::GetLineStatus(LineStatus* status) {
    DWORD errors = 0;
    COMSTAT comStat{};
    if (!ClearCommError(AsHandle(handle_), &errors, &comStat)) {
        return Fail();
    }
    status->errors = errors;
    status->inQueue = comStat.cbInQue;
    status->outQueue = comStat.cbOutQue;
    return true;
}

bool Win32Comm::GetModemStatus(uint32_t* bits) {
    DWORD lines = 0;
    *bits = 0;
    if (!GetCommModemStatus(AsHandle(handle_), &lines)) {
        // A port without modem lines (Wine's mapping onto a pseudo-terminal) says so with
        // ERROR_NOT_SUPPORTED; that is no lost device.
        return GetLastError() == ERROR_NOT_SUPPORTED || Fail();
    }
    *bits = lines & (kMsCtsOn | kMsDsrOn | kMsRingOn | kMsRlsdOn);
    return true;
}

bool Win32Comm::SetLineSettings(const LineSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(AsHandle(handle_), &dcb)) {
        return Fail();
    }
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    char text[64];
    std::snprintf(text, sizeof text, "baud=%d parity=%c data=%d stop=%d", settings.baud,
                  settings.parity, settings.dataBits, settings.stopBits);
    if (!BuildCommDCBA(text, &dcb)) {
        return Fail();
    }
    dcb.fBinary = TRUE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fInX = FALSE;
    dcb.fOutX = FALSE;
    dcb.fNull = FALSE;
    return SetCommState(AsHandle(handle_), &dcb) || Fail();
}

bool Win32Comm::SetTimeouts() {
    // A read returns at once with what is there; writes have no time-out.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    return SetCommTimeouts(AsHandle(handle_), &timeouts) || Fail();
}

bool Win32Comm::SetEventMask(uint32_t mask) {
    return SetCommMask(AsHandle(handle_), mask) || Fail();
}

void Win32Comm::Purge() {
    PurgeComm(AsHandle(handle_), PURGE_TXCLEAR | PURGE_RXCLEAR);
}

bool Win32Comm::SetBreak(bool on) {
    return (on ? SetCommBreak(AsHandle(handle_)) : ClearCommBreak(AsHandle(handle_))) || Fail();
}

WaitEvents Win32Comm::Wait(const WakeEvent& stop, const WakeEvent& write, int timeoutMs) {
    return WakeEvent::WaitEither(stop, write, timeoutMs);
}

std::string ComDevicePath(int32_t number) {
    return "\\\\.\\COM" + std::to_string(number);
}

std::unique_ptr<CommCalls> MakeSystemComm() {
    return std::make_unique<Win32Comm>();
}

}  // namespace vesmor
