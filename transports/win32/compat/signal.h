#pragma once
// Signals of POSIX that Windows does not raise: ignoring them changes nothing (signal() refuses
// the number with SIG_ERR).
#include_next <signal.h>

#ifndef SIGXFSZ
#define SIGXFSZ 25
#endif
