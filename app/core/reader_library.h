#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// The library functions the application uses, behind an interface so that the engine can be
// driven against the real library or a replacement. Arguments and results are those of the
// VESMOR_ functions of the same name.
namespace tagforge {

class ReaderLibrary {
  public:
    virtual ~ReaderLibrary() = default;

    virtual int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs) = 0;
    virtual int32_t ClosePort(int32_t handle) = 0;
    virtual int32_t GetVersion(int32_t handle, unsigned char* buffer, int32_t size) = 0;
    virtual int32_t IsProgrammer(int32_t handle) = 0;
    virtual int32_t SetReaderOption(int32_t handle, int32_t value) = 0;
    virtual int32_t GetDeviceName(int32_t handle, char* buffer, int32_t size) = 0;
    virtual int32_t IsUSB(int32_t handle) = 0;
    virtual int32_t IsConnected(int32_t handle) = 0;
    virtual int32_t GetLastError(int32_t handle) = 0;
    virtual int32_t Inventory(int32_t handle, unsigned char* buffer, int32_t size,
                              int32_t flags) = 0;
    virtual int32_t GetTagInfo(int32_t handle, const unsigned char* uid, int32_t uidLength,
                               int32_t* blockCount, int32_t* blockSize, int32_t* icManufacturer,
                               int32_t flags) = 0;
    virtual int32_t ReadBlock(int32_t handle, int32_t block, unsigned char* buffer, int32_t size,
                              const unsigned char* uid, int32_t uidLength, int32_t flags) = 0;
    virtual int32_t ReadBlocks(int32_t handle, int32_t firstBlock, int32_t count,
                               unsigned char* buffer, int32_t size, const unsigned char* uid,
                               int32_t uidLength, int32_t flags) = 0;
    virtual int32_t WriteBlock(int32_t handle, int32_t block, const unsigned char* data,
                               int32_t length, const unsigned char* uid, int32_t uidLength,
                               int32_t flags) = 0;
    // VESMOR_Trace: a text for the trace viewer. The channel is the same whichever library a
    // host drives, so a replacement need not provide it.
    virtual void Trace(const char* text);
};

// libvesmor itself.
ReaderLibrary& VesmorLibrary();

// "[%08u] %s %d:%02d.%03d.%03d min\n": the millisecond clock, the label, and the elapsed time as
// minutes, seconds, milliseconds and microseconds.
std::string StopwatchLine(uint32_t nowMs, const std::string& label, int64_t elapsedUs);

// Times a piece of work for the trace viewer, in microseconds of the steady clock: writes a
// line when told with a label and when it ends (with its own label), each provided the elapsed
// time has reached the threshold.
class TraceStopwatch {
  public:
    TraceStopwatch(ReaderLibrary& library, std::string label, int64_t thresholdUs = 0);
    ~TraceStopwatch();
    TraceStopwatch(const TraceStopwatch&) = delete;
    TraceStopwatch& operator=(const TraceStopwatch&) = delete;

    void Trace(const std::string& label);

  private:
    ReaderLibrary& m_library;
    std::string m_label;
    int64_t m_thresholdUs;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace tagforge
