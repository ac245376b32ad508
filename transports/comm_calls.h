#pragma once
// The comm-call layer: every device call of the serial transport goes through this interface.
// The system's implementation drives a tty through POSIX termios or a COM port through the Win32
// comm functions; the other an FTDI device through the D2XX library's function table.

#include <cstdint>
#include <memory>
#include <string>

#include "transports/wake_event.h"

namespace vesmor {

struct LineSettings {
    int baud = 19200;
    char parity = 'N';  // 'N', 'E' or 'O'
    int dataBits = 8;
    int stopBits = 1;
};

// Error flags reported by GetLineStatus (the classic comm error bits).
enum CommErrorFlags : uint32_t {
    kCeRxOver = 0x0001,
    kCeOverrun = 0x0002,
    kCeRxParity = 0x0004,
    kCeFrame = 0x0008,
    kCeBreak = 0x0010,
    kCeTxFull = 0x0100,
    kCeIoe = 0x0400,
    kCeMode = 0x8000,
};

// Modem status bits reported by GetModemStatus.
enum ModemStatusBits : uint32_t {
    kMsCtsOn = 0x10,
    kMsDsrOn = 0x20,
    kMsRingOn = 0x40,
    kMsRlsdOn = 0x80,
};

struct LineStatus {
    uint32_t errors = 0;
    uint32_t inQueue = 0;   // received bytes waiting
    uint32_t outQueue = 0;  // bytes not yet sent
};

class CommCalls {
  public:
    virtual ~CommCalls() = default;

    // Opens the device exclusively; false leaves the handle invalid.
    virtual bool Open(const std::string& device) = 0;
    virtual bool IsOpen() const = 0;
    virtual bool Close() = 0;
    virtual bool Read(uint8_t* buffer, uint32_t count, uint32_t* got) = 0;
    virtual bool Write(const uint8_t* data, uint32_t count, uint32_t* written) = 0;
    virtual int LastError() const = 0;
    // Fails when the device is gone (unplugged, other side closed).
    virtual bool GetLineStatus(LineStatus* status) = 0;
    virtual bool GetModemStatus(uint32_t* bits) = 0;
    virtual bool SetLineSettings(const LineSettings& settings) = 0;
    // Reads return at once with what is there; writes have no time-out.
    virtual bool SetTimeouts() = 0;
    virtual bool SetEventMask(uint32_t mask) = 0;
    // Discards both queues.
    virtual void Purge() = 0;
    virtual bool SetLatencyTimer(uint8_t /*ms*/) { return true; }
    // Holds the line in the break state (true) or releases it.
    virtual bool SetBreak(bool /*on*/) { return false; }
    // Sleeps until input arrives, the device reports a change, one of the two wake events is
    // signalled, or timeoutMs passes.
    virtual WaitEvents Wait(const WakeEvent& stop, const WakeEvent& write, int timeoutMs) = 0;
    // Idle period of the worker between status polls when nothing wakes it.
    virtual int IdleWaitMs() const = 0;
};

// The comm calls of the system's own serial ports (termios on POSIX, the Win32 comm functions
// on Windows).
std::unique_ptr<CommCalls> MakeSystemComm();

}  // namespace vesmor
