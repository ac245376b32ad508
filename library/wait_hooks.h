#pragma once
// Host hooks run by a waiting library call, and the clock the waits measure with.

#include <cstdint>

#include "library/include/vesmor.h"

namespace vesmor {

struct WaitHooks {
    VESMOR_WaitHook begin = nullptr;
    VESMOR_WaitHook pump = nullptr;
    VESMOR_WaitHook end = nullptr;
    void* context = nullptr;
};

void SetWaitHooks(const WaitHooks& hooks);
WaitHooks CurrentWaitHooks();

// Milliseconds of a monotonic clock.
int64_t MonotonicMs();

// Calls begin at construction and end at destruction; Pump() between wait slices.
class WaitHookScope {
  public:
    WaitHookScope();
    ~WaitHookScope();
    WaitHookScope(const WaitHookScope&) = delete;
    WaitHookScope& operator=(const WaitHookScope&) = delete;
    void Pump() const;
    bool HasPump() const { return hooks_.pump != nullptr; }

  private:
    WaitHooks hooks_;
};

}  // namespace vesmor
