#pragma once
// Comm calls on an FTDI device opened by serial number through the D2XX library. The library
// is optional: until its function table is filled every call reports failure without a call,
// so such a device simply fails to open.

#include "transports/comm_calls.h"

namespace vesmor {

class D2xxComm final : public CommCalls {
  public:
    bool Open(const std::string& serialNumber) override;
    bool IsOpen() const override { return false; }
    bool Close() override { return false; }
    bool Read(uint8_t*, uint32_t, uint32_t* got) override;
    bool Write(const uint8_t*, uint32_t, uint32_t* written) override;
    int LastError() const override { return 0; }
    bool GetLineStatus(LineStatus*) override { return false; }
    bool GetModemStatus(uint32_t*) override { return false; }
    bool SetLineSettings(const LineSettings&) override { return false; }
    bool SetTimeouts() override { return false; }
    bool SetEventMask(uint32_t) override { return false; }
    void Purge() override {}
    // Without a descriptor to wait on, the worker polls the device every millisecond.
    WaitEvents Wait(int stopFd, int writeFd, int timeoutMs) override;
    int IdleWaitMs() const override { return 1; }
};

}  // namespace vesmor
