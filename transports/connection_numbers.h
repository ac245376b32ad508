#pragma once
// Connection numbers of LAN connections and configuration channels, process-wide: a new
// number is the smallest integer from 20001 upward not in use.

#include <cstdint>

namespace vesmor {

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
