#include "transports/connection_numbers.h"

#include <mutex>
#include <set>

namespace vesmor {

namespace {

constexpr int32_t kFirstConnectionNumber = 20001;

std::mutex& NumbersMutex() {
    static std::mutex mutex;
    return mutex;
}

std::set<int32_t>& NumbersInUse() {
    static std::set<int32_t> numbers;
    return numbers;
}

}  // namespace

int32_t AcquireConnectionNumber() {
    std::lock_guard lock(NumbersMutex());
    int32_t number = kFirstConnectionNumber;
    while (NumbersInUse().count(number) != 0) {
        ++number;
    }
    NumbersInUse().insert(number);
    return number;
}

void ReleaseConnectionNumber(int32_t number) {
    std::lock_guard lock(NumbersMutex());
    NumbersInUse().erase(number);
}

}  // namespace vesmor
