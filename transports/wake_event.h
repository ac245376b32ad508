#pragma once
// A manual-reset event that wakes a waiting worker thread: an eventfd on POSIX, an event
// object on Windows. Signal() leaves it signalled until Reset().

#include <cstdint>

namespace vesmor {

// What woke a waiting worker.
struct WaitEvents {
    bool stop = false;
    bool write = false;
    bool failed = false;  // the wait itself failed
};

class WakeEvent {
  public:
    WakeEvent() = default;
    ~WakeEvent() { Close(); }
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    // (Re)creates the event, unsignalled; false when the system has none to give.
    bool Create();
    void Close();
    bool IsValid() const { return native_ != kNone; }
    void Signal();
    void Reset();
    // The descriptor (POSIX) or handle (Windows), for a wait that also watches other objects.
    intptr_t Native() const { return native_; }

    // Sleeps until one of the two events is signalled or timeoutMs passes.
    static WaitEvents WaitEither(const WakeEvent& stop, const WakeEvent& write, int timeoutMs);

  private:
    static constexpr intptr_t kNone = -1;
    intptr_t native_ = kNone;
};

}  // namespace vesmor
