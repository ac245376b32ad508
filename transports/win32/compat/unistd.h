#pragma once
// pread() for the Windows build: a read at an offset through the descriptor's handle.
#include_next <unistd.h>

#include <errno.h>
#include <io.h>
#include <windows.h>

// Flushing a descriptor's file to the disk: the C library's _commit (FlushFileBuffers).
static inline int fsync(int fd) { return _commit(fd); }
static inline int fdatasync(int fd) { return _commit(fd); }

static inline ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<unsigned long long>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
    DWORD got = 0;
    if (!ReadFile(file, buffer, static_cast<DWORD>(count), &got, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) {
            return 0;
        }
        errno = EIO;
        return -1;
    }
    return static_cast<ssize_t>(got);
}
