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
