#pragma once
// The open() flags of POSIX that the Windows C library spells differently or lacks.
#include_next <fcntl.h>

#ifndef O_CLOEXEC
#define O_CLOEXEC O_NOINHERIT
#endif
#ifndef O_NOCTTY
#define O_NOCTTY 0
#endif
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif

// Descriptors of the Windows C library carry no status flags: F_GETFL reads none and F_SETFL
// has nothing to change.
#ifndef F_GETFL
#define F_GETFL 3
#define F_SETFL 4
static inline int fcntl(int /*fd*/, int /*command*/, ...) { return 0; }
#endif
