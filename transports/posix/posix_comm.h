#pragma once
// Comm calls on a tty (real UART, USB CDC/FTDI tty, pseudo-terminal) through POSIX termios.

#include <atomic>

#include "transports/comm_calls.h"

namespace vesmor {

class PosixComm final : public CommCalls {
  public:
    ~PosixComm() override;

    bool Open(const std::string& device) override;
    bool IsOpen() const override { return fd_.load() >= 0; }
    bool Close() override;
    bool Read(uint8_t* buffer, uint32_t count, uint32_t* got) override;
    bool Write(const uint8_t* data, uint32_t count, uint32_t* written) override;
    int LastError() const override { return lastError_; }
    bool GetLineStatus(LineStatus* status) override;
    bool GetModemStatus(uint32_t* bits) override;
    bool SetLineSettings(const LineSettings& settings) override;
    bool SetTimeouts() override;
    bool SetEventMask(uint32_t mask) override;
    void Purge() override;
    bool SetBreak(bool on) override;
    WaitEvents Wait(const WakeEvent& stop, const WakeEvent& write, int timeoutMs) override;
    // Input and hang-ups wake the worker at once; modem lines are looked at every 10 ms.
    int IdleWaitMs() const override { return 10; }

  private:
    bool Fail();

    std::atomic<int> fd_{-1};
    std::atomic<bool> hungUp_{false};
    std::atomic<int> lastError_{0};
};

}  // namespace vesmor
