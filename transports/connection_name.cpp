#include "transports/connection_name.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace vesmor {

namespace {

// A device path names a serial port whatever its description says: "/dev/ttyACM0 [Vek HID
// Reader]" stays serial. Only what follows the path outside the " [...]" description can still
// choose another transport (a dongle on a serial line: "/dev/ttyUSB0 BT").
std::optional<std::string> DevicePathSuffix(const std::string& name) {
    std::string_view rest = name;
    constexpr std::string_view kDevicePrefix = "\\\\.\\";
    if (rest.starts_with(kDevicePrefix)) {
        rest.remove_prefix(kDevicePrefix.size());
    }
    if (!rest.starts_with("/dev/")) {
        return std::nullopt;
    }
    const size_t blank = rest.find(' ');
    std::string suffix(blank == std::string_view::npos ? "" : rest.substr(blank));
    const size_t open = suffix.find(" [");
    if (open != std::string::npos) {
        const size_t close = suffix.find(']', open);
        suffix.erase(open, close == std::string::npos ? std::string::npos : close - open + 1);
    }
    return suffix;
}

TransportKind UsbOrSerial(const std::string& name) {
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

}  // namespace

TransportKind SelectTransport(const std::string& name) {
    if (const std::optional<std::string> suffix = DevicePathSuffix(name)) {
        return UsbOrSerial(*suffix);
    }
    const size_t firstDot = name.find('.');
    if ((!name.empty() && name[0] == '[') ||
        (std::count(name.begin(), name.end(), '.') == 3 && firstDot != 0)) {
        return TransportKind::kLan;
    }
    return UsbOrSerial(name);
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
