#include <csignal>
#include <iterator>

#include "tools/vesmor/console.h"

namespace vesmor::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

struct InterruptScope::Saved {
    struct sigaction previous[std::size(kSignals)]{};
};

void PrepareConsole() {}

InterruptScope::InterruptScope(void (*handler)(int)) : saved_(std::make_unique<Saved>()) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &saved_->previous[i]);
    }
}

InterruptScope::~InterruptScope() {
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &saved_->previous[i], nullptr);
    }
}

}  // namespace vesmor::cli
