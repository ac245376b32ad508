#include "transports/serial_port_name.h"

#include <cctype>
#include <string_view>

namespace vesmor {

namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";

std::string_view WithoutDevicePrefix(std::string_view name) {
    if (name.substr(0, kDevicePrefix.size()) == kDevicePrefix) {
        name.remove_prefix(kDevicePrefix.size());
    }
    return name;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal value of the digit run at the start of text (0 when there is none), saturated.
int32_t LeadingNumber(std::string_view text) {
    int64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c)) {
            break;
        }
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) {
            return INT32_MAX;
        }
    }
    return static_cast<int32_t>(value);
}

bool IsLegacyComName(std::string_view name) {
    return name.size() >= 4 && std::tolower(static_cast<unsigned char>(name[0])) == 'c' &&
           std::tolower(static_cast<unsigned char>(name[1])) == 'o' &&
           std::tolower(static_cast<unsigned char>(name[2])) == 'm' && name[3] >= '1' &&
           name[3] <= '9';
}

}  // namespace

SerialPortName ParsePortName(const std::string& fullName) {
    const std::string_view name = WithoutDevicePrefix(fullName);
    SerialPortName result;
    if (name.substr(0, 5) == "/dev/") {
        const std::string_view path = name.substr(0, name.find(' '));
        size_t digits = path.size();
        while (digits > 0 && IsDigit(path[digits - 1])) {
            --digits;
        }
        result.devicePath = std::string(path);
        result.portNumber = LeadingNumber(path.substr(digits));
        return result;
    }
    if (IsLegacyComName(name)) {
        result.portNumber = LeadingNumber(name.substr(3));
        result.devicePath = ComDevicePath(result.portNumber);
        return result;
    }
    result.devicePath = std::string(name);
    result.d2xxMode = true;
    result.portNumber = LeadingNumber(name);
    return result;
}

bool IsComPortName(const std::string& fullName) {
    const std::string_view name = WithoutDevicePrefix(fullName);
    return name.substr(0, 3) == "COM" || name.substr(0, 5) == "/dev/";
}

}  // namespace vesmor
