#pragma once
// The stat calls of POSIX that the Windows C library lacks. It reports no symbolic links (a
// link there is resolved by the system), and a file's mode is its read-only attribute, which a
// newly made file does not have: fchmod has nothing to do.
#include_next <sys/stat.h>

#ifndef S_ISLNK
#define S_ISLNK(mode) 0
#endif

static inline int lstat(const char* path, struct stat* info) { return stat(path, info); }
static inline int fchmod(int /*fd*/, int /*mode*/) { return 0; }
