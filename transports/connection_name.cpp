#include "transports/connection_name.h"

#include <algorithm>

namespace vesmor {

TransportKind SelectTransport(const std::string& name) {
    const size_t firstDot = name.find('.');
    if ((!name.empty() && name[0] == '[') ||
        (std::count(name.begin(), name.end(), '.') == 3 && firstDot != 0)) {
        return TransportKind::kLan;
    }
    if (name.find("HID") != std::string::npos) {
        return TransportKind::kHid;
    }
    if (name.find("BTW") != std::string::npos) {
        return TransportKind::kRefused;
    }
    if (name.find("BT") != std::string::npos) {
        return TransportKind::kBluetooth;
    }
    return TransportKind::kSerial;
}

uint32_t TakeBusAddress(std::string& name) {
    const size_t colon = name.rfind(':');
    if (colon == std::string::npos || colon + 1 == name.size()) {
        return 1;
    }
    uint64_t address = 0;
    for (size_t i = colon + 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return 1;
        }
        address =
            std::min<uint64_t>(address * 10 + static_cast<uint64_t>(name[i] - '0'), UINT32_MAX);
    }
    name.erase(colon);
    return static_cast<uint32_t>(address);
}

SerialFormat DecodeBaudValue(int32_t value) {
    SerialFormat format;
    const int lineCode = value % 100;
    format.baud = value - lineCode;
    switch (lineCode) {
        case 1:
            format.parity = 'E';
            break;
        case 2:
            format.parity = 'O';
            break;
        case 3:
            format.stopBits = 2;
            break;
        default:
            break;
    }
    return format;
}

}  // namespace vesmor
