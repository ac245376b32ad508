#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "tools/vesmor/console.h"

namespace vesmor::cli {

void PrepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace vesmor::cli
