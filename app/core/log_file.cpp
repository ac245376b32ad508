#include "app/core/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>

#include "app/core/format_layout.h"
#include "common/messages.h"
#include "periphery/ini_file_io.h"

namespace tagforge {

namespace {

// Two Tagforge processes logging into one file take turns; a holder that keeps the file longer
// costs the entry rather than stalling the write cycle.
constexpr std::chrono::milliseconds kLogLockWait{1000};

}  // namespace

std::string FileErrorText(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return MessageText(kMsgDiskFull);
        case EFBIG:
            return MessageText(kMsgFileTooLarge);
        case EACCES:
        case EPERM:
        case EROFS:
            return MessageText(kMsgNoWriteAccess);
        case ENOENT:
        case ENOTDIR:
            return MessageText(kMsgNoSuchDirectory);
        case EWOULDBLOCK:  // the wait for another process's lock ran out
            return MessageText(kMsgLogLocked);
        default:
            return MessageWithArgs(kMsgFileError, {std::to_string(error), std::strerror(error)});
    }
}

std::tm SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string EscapeLogValue(std::string_view value) {
    const auto isControl = [](unsigned char c) { return c < 0x20 || c == 0x7F; };
    if (std::none_of(value.begin(), value.end(), isControl)) {
        return std::string(value);
    }
    std::string escaped;
    escaped.reserve(value.size() + 8);
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                if (isControl(c)) {
                    char hex[5];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    escaped += hex;
                } else {
                    escaped += ch;
                }
        }
    }
    return escaped;
}

std::string FormatLogLine(const std::tm& time, const LogEntry& entry) {
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "%d.%m.%Y %H:%M:%S", &time);
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "\t%4d\t%4d\t", entry.startblock, entry.byteCount);
    return std::string(stamp) + "\t" + FormatLogName(entry.format) + numbers +
           EscapeLogValue(entry.value) + "\r\n";
}

std::optional<std::string> LogPathProblem(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) {
        return std::nullopt;  // no log, a file not made yet (or not reachable: Append says why)
    }
    return MessageWithArgs(kMsgLogNotRegularFile, {path});
}

std::string FormatLogNumber(uint64_t number) {
    char field[32];
    std::snprintf(field, sizeof field, "%6llu\t", static_cast<unsigned long long>(number));
    return field;
}

LogWriter::LogWriter(LocalClock clock) : m_clock(std::move(clock)) {}

uint64_t LogWriter::Append(const std::string& path, const LogEntry& entry) {
    m_failure.reset();
    const std::string line = FormatLogLine(m_clock(), entry);
    if (path.empty()) {
        return 0;
    }
    // Beyond a file-size limit (ulimit -f) the kernel would kill the program halfway through a
    // line; ignored, the write fails with EFBIG, the line is taken back and the entry reported
    // as not stored. Set before every entry, so that no later handler can undo it.
    std::signal(SIGXFSZ, SIG_IGN);
    // A device is not even opened (opening one may act on it).
    if (const std::optional<std::string> problem = LogPathProblem(path)) {
        return Fail(*problem, line);
    }
    // O_NONBLOCK: a FIFO must not stall the cycle until someone reads it; it is refused below.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        return Fail(
            errno == EISDIR ? MessageWithArgs(kMsgLogNotRegularFile, {path}) : FileErrorText(errno),
            line);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Fail(MessageWithArgs(kMsgLogNotRegularFile, {path}), line);
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags != -1) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    const uint64_t number = vesmor::LockFileExclusive(fd, kLogLockWait)
                                ? AppendNumbered(path, fd, line)
                                : Fail(MessageText(kMsgLogLocked), line);
    // Some file systems report a failed write only when the file is closed.
    if (close(fd) != 0 && number != 0) {
        m_counter.Forget(path);
        return Fail(FileErrorText(errno), line);
    }
    return number;
}

uint64_t LogWriter::AppendNumbered(const std::string& path, int fd, const std::string& line) {
    const std::optional<LineCounter::Count> count = m_counter.CountLines(path, fd);
    struct stat before {};
    if (!count || fstat(fd, &before) != 0) {
        return Fail(FileErrorText(errno), line);
    }
    const uint64_t number = count->lines + 1;
    // A last line without line end was counted as a line, so this entry starts a line of its own
    // instead of being glued to it (which would give the next entry the same number).
    const std::string text =
        (count->endsWithLineFeed ? "" : "\r\n") + FormatLogNumber(number) + line;
    // The entry counts as stored once it is on the disk: written, then fdatasync (a power cut
    // would otherwise lose it from the page cache).
    if (!vesmor::WriteAll(fd, text) || fdatasync(fd) != 0) {
        const int error = errno;
        // Take back what part of the line did reach the file: a half line would make the next
        // entry's number and the record wrong.
        [[maybe_unused]] const int ignored = ftruncate(fd, before.st_size);
        m_counter.Forget(path);
        return Fail(FileErrorText(error), line);
    }
    m_counter.NoteAppended(path, fd, text);
    return number;
}

uint64_t LogWriter::Fail(const std::string& reason, const std::string& line) {
    m_failure = LogFailure{reason, line};
    return 0;
}

}  // namespace tagforge
