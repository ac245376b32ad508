#pragma once
// Connection numbers of LAN connections and configuration channels, process-wide: a new
// number is the smallest integer from 20001 upward not in use. HID devices (10001) and
// Bluetooth dongles (30001) number theirs the same way, each from a pool of their own.

#include <cstdint>
#include <mutex>
#include <set>

namespace vesmor {

// The smallest number from `first` upward that is not in use; thread-safe.
class NumberPool {
  public:
    explicit NumberPool(int32_t first) : first_(first) {}
    int32_t Acquire();
    void Release(int32_t number);

  private:
    const int32_t first_;
    std::mutex mutex_;
    std::set<int32_t> used_;
};

int32_t AcquireConnectionNumber();
void ReleaseConnectionNumber(int32_t number);

// Holds one number for its lifetime.
class ConnectionNumber {
  public:
    ConnectionNumber() : value_(AcquireConnectionNumber()) {}
    ~ConnectionNumber() { ReleaseConnectionNumber(value_); }
    ConnectionNumber(const ConnectionNumber&) = delete;
    ConnectionNumber& operator=(const ConnectionNumber&) = delete;
    int32_t Value() const { return value_; }

  private:
    int32_t value_;
};

}  // namespace vesmor
