#include "library/wait_hooks.h"

#include <chrono>
#include <mutex>

namespace vesmor {

namespace {

std::mutex& HooksMutex() {
    static std::mutex mutex;
    return mutex;
}

WaitHooks& Hooks() {
    static WaitHooks hooks;
    return hooks;
}

}  // namespace

void SetWaitHooks(const WaitHooks& hooks) {
    std::lock_guard lock(HooksMutex());
    Hooks() = hooks;
}

WaitHooks CurrentWaitHooks() {
    std::lock_guard lock(HooksMutex());
    return Hooks();
}

int64_t MonotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

WaitHookScope::WaitHookScope() : hooks_(CurrentWaitHooks()) {
    if (hooks_.begin) {
        hooks_.begin(hooks_.context);
    }
}

WaitHookScope::~WaitHookScope() {
    if (hooks_.end) {
        hooks_.end(hooks_.context);
    }
}

void WaitHookScope::Pump() const {
    if (hooks_.pump) {
        hooks_.pump(hooks_.context);
    }
}

}  // namespace vesmor
