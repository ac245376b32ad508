#pragma once
// Comm calls on an FTDI device opened by serial number through the D2XX library. Every call
// goes to its FT_W32_ counterpart in the function table; a function the library lacks makes
// the call report failure without a call, so without the library such a device fails to open.

#include <atomic>

#include "transports/comm_calls.h"
#include "transports/ftd2xx_table.h"

namespace vesmor {

class D2xxComm final : public CommCalls {
  public:
    ~D2xxComm() override;

    bool Open(const std::string& serialNumber) override;
    bool IsOpen() const override { return d2xx::IsValidHandle(handle_.load()); }
    bool Close() override;
    bool Read(uint8_t* buffer, uint32_t count, uint32_t* got) override;
    bool Write(const uint8_t* data, uint32_t count, uint32_t* written) override;
    int LastError() const override;
    bool GetLineStatus(LineStatus* status) override;
    bool GetModemStatus(uint32_t* bits) override;
    bool SetLineSettings(const LineSettings& settings) override;
    bool SetTimeouts() override;
    bool SetEventMask(uint32_t mask) override;
    void Purge() override;
    bool SetLatencyTimer(uint8_t ms) override;
    // Without a descriptor to wait on, the worker polls the device every millisecond.
    WaitEvents Wait(const WakeEvent& stop, const WakeEvent& write, int timeoutMs) override;
    int IdleWaitMs() const override { return 1; }

  private:
    mutable CFTD2xxPort table_;
    std::atomic<d2xx::FT_HANDLE> handle_{d2xx::InvalidHandle()};
    int openError_ = 0;
};

}  // namespace vesmor
