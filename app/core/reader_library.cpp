#include "app/core/reader_library.h"

#include <cstdio>
#include <utility>

#include "vesmor.h"

namespace tagforge {

namespace {

class Vesmor final : public ReaderLibrary {
  public:
    int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs) override {
        return VESMOR_OpenPort(name, baud, timeoutMs);
    }
    int32_t ClosePort(int32_t handle) override { return VESMOR_ClosePort(handle); }
    int32_t GetVersion(int32_t handle, unsigned char* buffer, int32_t size) override {
        return VESMOR_GetVersion(handle, buffer, size);
    }
    int32_t IsProgrammer(int32_t handle) override { return VESMOR_IsProgrammer(handle); }
    int32_t SetReaderOption(int32_t handle, int32_t value) override {
        return VESMOR_SetReaderOption(handle, value);
    }
    int32_t GetDeviceName(int32_t handle, char* buffer, int32_t size) override {
        return VESMOR_GetDeviceName(handle, buffer, size);
    }
    int32_t IsUSB(int32_t handle) override { return VESMOR_IsUSB(handle); }
    int32_t IsConnected(int32_t handle) override { return VESMOR_IsConnected(handle); }
    int32_t GetLastError(int32_t handle) override { return VESMOR_GetLastError(handle); }
    int32_t Inventory(int32_t handle, unsigned char* buffer, int32_t size, int32_t flags) override {
        return VESMOR_Inventory(handle, buffer, size, flags);
    }
    int32_t GetTagInfo(int32_t handle, const unsigned char* uid, int32_t uidLength,
                       int32_t* blockCount, int32_t* blockSize, int32_t* icManufacturer,
                       int32_t flags) override {
        return VESMOR_GetTagInfo(handle, uid, uidLength, blockCount, blockSize, icManufacturer,
                                 flags);
    }
    int32_t ReadBlock(int32_t handle, int32_t block, unsigned char* buffer, int32_t size,
                      const unsigned char* uid, int32_t uidLength, int32_t flags) override {
        return VESMOR_ReadBlock(handle, block, buffer, size, uid, uidLength, flags);
    }
    int32_t ReadBlocks(int32_t handle, int32_t firstBlock, int32_t count, unsigned char* buffer,
                       int32_t size, const unsigned char* uid, int32_t uidLength,
                       int32_t flags) override {
        return VESMOR_ReadBlocks(handle, firstBlock, count, buffer, size, uid, uidLength, flags);
    }
    int32_t WriteBlock(int32_t handle, int32_t block, const unsigned char* data, int32_t length,
                       const unsigned char* uid, int32_t uidLength, int32_t flags) override {
        return VESMOR_WriteBlock(handle, block, data, length, uid, uidLength, flags);
    }
};

}  // namespace

void ReaderLibrary::Trace(const char* text) {
    VESMOR_Trace(text);
}

ReaderLibrary& VesmorLibrary() {
    static Vesmor library;
    return library;
}

std::string StopwatchLine(uint32_t nowMs, const std::string& label, int64_t elapsedUs) {
    char line[512];
    std::snprintf(line, sizeof line, "[%08u] %s %d:%02d.%03d.%03d min\n", nowMs, label.c_str(),
                  static_cast<int>(elapsedUs / 60'000'000),
                  static_cast<int>(elapsedUs / 1'000'000 % 60),
                  static_cast<int>(elapsedUs / 1000 % 1000), static_cast<int>(elapsedUs % 1000));
    return line;
}

TraceStopwatch::TraceStopwatch(ReaderLibrary& library, std::string label, int64_t thresholdUs)
    : m_library(library),
      m_label(std::move(label)),
      m_thresholdUs(thresholdUs),
      m_start(std::chrono::steady_clock::now()) {}

TraceStopwatch::~TraceStopwatch() {
    Trace(m_label);
}

void TraceStopwatch::Trace(const std::string& label) {
    using std::chrono::duration_cast;
    const auto now = std::chrono::steady_clock::now();
    const int64_t elapsedUs = duration_cast<std::chrono::microseconds>(now - m_start).count();
    if (elapsedUs < m_thresholdUs) {
        return;
    }
    // The millisecond clock wraps after 49.7 days, as a 32-bit tick count does.
    const auto nowMs = static_cast<uint32_t>(
        duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count());
    m_library.Trace(StopwatchLine(nowMs, label, elapsedUs).c_str());
}

}  // namespace tagforge
