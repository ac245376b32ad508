#include "transports/wake_event.h"

#include <windows.h>

namespace vesmor {

namespace {

HANDLE AsHandle(intptr_t native) {
    return reinterpret_cast<HANDLE>(native);
}

}  // namespace

bool WakeEvent::Create() {
    Close();
    const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (event != nullptr) {
        native_ = reinterpret_cast<intptr_t>(event);
    }
    return IsValid();
}

void WakeEvent::Close() {
    if (IsValid()) {
        CloseHandle(AsHandle(native_));
        native_ = kNone;
    }
}

void WakeEvent::Signal() {
    if (IsValid()) {
        SetEvent(AsHandle(native_));
    }
}

void WakeEvent::Reset() {
    if (IsValid()) {
        ResetEvent(AsHandle(native_));
    }
}

WaitEvents WakeEvent::WaitEither(const WakeEvent& stop, const WakeEvent& write, int timeoutMs) {
    WaitEvents events;
    if (!stop.IsValid() || !write.IsValid()) {
        events.failed = true;
        Sleep(static_cast<DWORD>(timeoutMs));
        return events;
    }
    const HANDLE handles[2] = {AsHandle(stop.native_), AsHandle(write.native_)};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, static_cast<DWORD>(timeoutMs));
    if (result == WAIT_FAILED) {
        events.failed = true;
        return events;
    }
    // Both may be set; look at each, the stop event first.
    events.stop = WaitForSingleObject(handles[0], 0) == WAIT_OBJECT_0;
    events.write = WaitForSingleObject(handles[1], 0) == WAIT_OBJECT_0;
    return events;
}

}  // namespace vesmor
