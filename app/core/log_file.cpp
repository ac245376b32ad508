#include "app/core/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <optional>

#include "app/core/format_layout.h"
#include "periphery/ini_file_io.h"

namespace tagforge {

namespace {

// Two Tagforge processes logging into one file take turns; a holder that keeps the file longer
// costs the entry rather than stalling the write cycle.
constexpr std::chrono::milliseconds kLogLockWait{1000};

}  // namespace

std::tm SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string FormatLogLine(const std::tm& time, const LogEntry& entry) {
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "%d.%m.%Y %H:%M:%S", &time);
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "\t%4d\t%4d\t", entry.startblock, entry.byteCount);
    return std::string(stamp) + "\t" + FormatLogName(entry.format) + numbers + entry.value + "\r\n";
}

std::string FormatLogNumber(uint64_t number) {
    char field[32];
    std::snprintf(field, sizeof field, "%6llu\t", static_cast<unsigned long long>(number));
    return field;
}

LogWriter::LogWriter(LocalClock clock) : m_clock(std::move(clock)) {}

uint64_t LogWriter::Append(const std::string& path, const LogEntry& entry) {
    const std::string line = FormatLogLine(m_clock(), entry);
    if (path.empty()) {
        return 0;
    }
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        return 0;
    }
    const uint64_t number =
        vesmor::LockFileExclusive(fd, kLogLockWait) ? AppendNumbered(path, fd, line) : 0;
    close(fd);
    return number;
}

uint64_t LogWriter::AppendNumbered(const std::string& path, int fd, const std::string& line) {
    const std::optional<LineCounter::Count> count = m_counter.CountLines(path, fd);
    if (!count) {
        return 0;
    }
    const uint64_t number = count->lines + 1;
    // A last line without line end was counted as a line, so this entry starts a line of its own
    // instead of being glued to it (which would give the next entry the same number).
    const std::string text =
        (count->endsWithLineFeed ? "" : "\r\n") + FormatLogNumber(number) + line;
    if (!vesmor::WriteAll(fd, text)) {
        m_counter.Forget(path);
        return 0;
    }
    m_counter.NoteAppended(path, fd, text);
    return number;
}

}  // namespace tagforge
