#pragma once
// Comm calls on a Windows COM port through the Win32 serial functions (CreateFileA,
// BuildCommDCBA, SetCommState, SetCommTimeouts, ClearCommError, PurgeComm, ...).

#include <atomic>

#include "transports/comm_calls.h"

namespace vesmor {

class Win32Comm final : public CommCalls {
  public:
    ~Win32Comm() override;

    bool Open(const std::string& device) override;
    bool IsOpen() const override { return handle_.load() != kNoHandle; }
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
    // The worker looks at the line every millisecond.
    int IdleWaitMs() const override { return 1; }

  private:
    bool Fail();
    static constexpr intptr_t kNoHandle = -1;  // INVALID_HANDLE_VALUE

    std::atomic<intptr_t> handle_{kNoHandle};
    std::atomic<int> lastError_{0};
};

}  // namespace vesmor
