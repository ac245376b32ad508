#include "transports/connection_numbers.h"

namespace vesmor {

int32_t NumberPool::Acquire() {
    std::lock_guard lock(mutex_);
    int32_t number = first_;
    while (used_.count(number) != 0) {
        ++number;
    }
    used_.insert(number);
    return number;
}

void NumberPool::Release(int32_t number) {
    std::lock_guard lock(mutex_);
    used_.erase(number);
}

namespace {

// A namespace-scope object, made before main: it outlives the library object, whose ports may
// still give their numbers back while the program ends.
NumberPool g_lanNumbers(20001);

NumberPool& LanNumbers() {
    return g_lanNumbers;
}

}  // namespace

int32_t AcquireConnectionNumber() {
    return LanNumbers().Acquire();
}

void ReleaseConnectionNumber(int32_t number) {
    LanNumbers().Release(number);
}

}  // namespace vesmor
