#pragma once
// The reader transports the fault matrices run on, and their names in the test names.

#include <string>

namespace vesmor::test {

enum class Transport { kPty, kTcp, kHid, kD2xx, kBluetooth };

inline std::string TransportName(Transport t) {
    switch (t) {
        case Transport::kPty:
            return "Pty";
        case Transport::kTcp:
            return "Tcp";
        case Transport::kHid:
            return "Hid";
        case Transport::kD2xx:
            return "D2xx";
        case Transport::kBluetooth:
            return "BluetoothDongle";
    }
    return "?";
}

}  // namespace vesmor::test
