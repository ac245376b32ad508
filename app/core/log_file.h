#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "app/core/line_counter.h"

// The write log and the read log: text files of numbered, TAB-separated lines ending in CR LF.
namespace tagforge {

// Source of the local date and time of an entry; replaced in tests.
using LocalClock = std::function<std::tm()>;
std::tm SystemLocalTime();

// What one log line records besides its number and time.
struct LogEntry {
    int format = 0;
    int startblock = 0;
    int byteCount = 0;
    std::string value;
};

// The line without its number field: date and time, format name, start block, byte count and
// value, TAB-separated, ending in CR LF.
std::string FormatLogLine(const std::tm& time, const LogEntry& entry);

// The number field in front of a line: "%6d" and a TAB.
std::string FormatLogNumber(uint64_t number);

class LogWriter {
  public:
    explicit LogWriter(LocalClock clock = SystemLocalTime);

    // Appends the entry to the log at `path` as line (lines already in the file) + 1. Returns
    // that number, or 0 when nothing was written: an empty path, a file that cannot be opened or
    // read, or one that another process keeps locked for longer than a second. None of these is
    // reported further; the write or read that the entry belongs to still counts.
    uint64_t Append(const std::string& path, const LogEntry& entry);

  private:
    uint64_t AppendNumbered(const std::string& path, int fd, const std::string& line);

    LocalClock m_clock;
    LineCounter m_counter;
};

}  // namespace tagforge
