#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
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

// The value as a log line holds it. A value without control characters stays as it is. One
// with a control character (CR, LF and TAB would split the entry or forge a line) is written
// escaped: CR as \r, LF as \n, TAB as \t, any other byte below 0x20 and 0x7F as \xNN (two
// upper-case hexadecimal digits), and a backslash as \\.
std::string EscapeLogValue(std::string_view value);

// Why `path` cannot be a log file: it names something other than a regular file (a directory,
// a FIFO, a device). Nothing for an empty path, a regular file or one that does not exist yet.
std::optional<std::string> LogPathProblem(const std::string& path);

// The line without its number field: date and time, format name, start block, byte count and
// value (escaped, see above), TAB-separated, ending in CR LF.
std::string FormatLogLine(const std::tm& time, const LogEntry& entry);

// The number field in front of a line: "%6d" and a TAB.
std::string FormatLogNumber(uint64_t number);

// Why a file could not be opened, locked or written, for errno's value: the German reason shown
// in brackets after the file's name (e.g. "Datenträger voll").
std::string FileErrorText(int error);

// An entry that could not be stored: why, and the line (without its number) that was lost, so
// that the host can report it and the operator can recover it.
struct LogFailure {
    std::string reason;  // German, e.g. "Datenträger voll"
    std::string line;    // as FormatLogLine built it, CR LF included
};

class LogWriter {
  public:
    explicit LogWriter(LocalClock clock = SystemLocalTime);

    // Appends the entry to the log at `path` as line (lines already in the file) + 1. Returns
    // that number, or 0 when nothing was written: an empty path (the log is off), or a failure
    // (a file that cannot be opened, read or written, a full disk, a file that another process
    // keeps locked for longer than a second), which LastFailure() then describes. A failed write
    // leaves the file as it was, never with part of a line.
    uint64_t Append(const std::string& path, const LogEntry& entry);

    // Why the last Append stored nothing; empty after a stored entry or an empty path.
    const std::optional<LogFailure>& LastFailure() const { return m_failure; }

  private:
    uint64_t AppendNumbered(const std::string& path, int fd, const std::string& line);
    uint64_t Fail(const std::string& reason, const std::string& line);

    LocalClock m_clock;
    LineCounter m_counter;
    std::optional<LogFailure> m_failure;
};

}  // namespace tagforge
