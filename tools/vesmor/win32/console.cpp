#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <csignal>
#include <cstdio>

#include "tools/vesmor/console.h"

namespace vesmor::cli {

void PrepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

struct InterruptScope::Saved {
    void (*previousInt)(int) = SIG_DFL;
    void (*previousTerm)(int) = SIG_DFL;
};

InterruptScope::InterruptScope(void (*handler)(int)) : saved_(std::make_unique<Saved>()) {
    saved_->previousInt = std::signal(SIGINT, handler);
    saved_->previousTerm = std::signal(SIGTERM, handler);
}

InterruptScope::~InterruptScope() {
    std::signal(SIGINT, saved_->previousInt);
    std::signal(SIGTERM, saved_->previousTerm);
}

}  // namespace vesmor::cli
