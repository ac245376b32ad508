#pragma once
// Error numbers of POSIX that the Windows C library lacks (never set by it, only compared).
#include_next <errno.h>

#ifndef EDQUOT
#define EDQUOT 171
#endif
#ifndef EHOSTDOWN
#define EHOSTDOWN 170
#endif
