#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// Plain file access (descriptors of the C library) shared by the INI classes and the log writer.
namespace vesmor {

// Default bound for waiting on a file that another process holds: long enough for any regular
// holder (which keeps a file for one read or one write), short enough that a hung holder does
// not freeze the program.
inline constexpr std::chrono::milliseconds kDefaultFileLockWait{3000};

// Takes the exclusive advisory lock (flock) of an open file. While another process holds it,
// retries every 10 ms until `limit` has passed. Returns false when the wait ran out or the lock
// failed for another reason; errno then tells why (EWOULDBLOCK for the timeout).
bool LockFileExclusive(int fd, std::chrono::milliseconds limit);

// The modification time of an open file in nanoseconds, as exact as the system keeps it.
int64_t ModifiedTimeNs(int fd, const struct stat& st);

// Writes all of `data` at the file position, continuing after partial writes and interrupts.
bool WriteAll(int fd, std::string_view data);

// Reads from the file position to the end into `out`. On failure returns false with errno set.
bool ReadAll(int fd, std::string& out);

}  // namespace vesmor
