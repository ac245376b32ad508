#include "transports/serial_discovery.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace vesmor {

namespace {

constexpr std::string_view kTtyClass = "class/tty";
constexpr std::string_view kVirtualComMarker = " [Vek Virtual COM]";

struct FoundPort {
    std::string stem;  // the name without its trailing digits
    uint64_t number = 0;
    std::string connectionName;
};

bool ParseHex16(std::string_view text, uint16_t& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, 16);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "ttyUSB10" -> stem "ttyUSB", number 10 (saturated; 0 without digits).
void SplitTrailingNumber(std::string_view name, FoundPort& port) {
    size_t stemLength = name.size();
    while (stemLength > 0 && IsDigit(name[stemLength - 1])) {
        --stemLength;
    }
    port.stem = std::string(name.substr(0, stemLength));
    port.number = 0;
    for (char c : name.substr(stemLength)) {
        port.number =
            std::min<uint64_t>(port.number * 10 + static_cast<uint64_t>(c - '0'), UINT32_MAX);
    }
}

// A serial-core UART reports its chip in "type"; 0 means no hardware answers at that slot.
// The 8250 driver registers slots whether or not a chip is there, so without a readable type
// such a port is left out too.
bool HasLineHardware(const SysfsTree& tree, const std::string& ttyPath,
                     const std::string& devicePath) {
    const std::optional<std::string> type = tree.ReadAttribute(ttyPath, "type");
    if (type) {
        int value = 0;
        const auto result = std::from_chars(type->data(), type->data() + type->size(), value);
        return result.ec == std::errc() && value != 0;
    }
    return tree.LinkTargetName(devicePath, "driver") != "serial8250";
}

// Nearest USB device at or above a device directory (the one carrying idVendor and
// idProduct); empty when the device does not hang on USB.
std::string FindUsbDevice(const SysfsTree& tree, std::string_view devicePath) {
    for (std::string path(devicePath); !path.empty(); path = ParentPath(path)) {
        if (tree.Exists(JoinPath(path, "idVendor")) && tree.Exists(JoinPath(path, "idProduct"))) {
            return path;
        }
    }
    return {};
}

std::string PortMarker(const SysfsTree& tree, const std::string& devicePath) {
    const std::string usbDevice = FindUsbDevice(tree, devicePath);
    if (usbDevice.empty()) {
        return {};
    }
    const std::string product = tree.ReadAttribute(usbDevice, "product").value_or("");
    if (product.starts_with("Vek") || product.starts_with("QM-4")) {
        return " [" + product + "]";
    }
    UsbIds ids;
    if (ReadUsbIds(tree, usbDevice, ids) && ids.vendorId == kVirtualComVendorId &&
        ids.productId == kVirtualComProductId) {
        return std::string(kVirtualComMarker);
    }
    return {};
}

std::optional<FoundPort> DescribeTty(const SysfsTree& tree, const std::string& name) {
    const std::optional<std::string> ttyPath = tree.Resolve(JoinPath(kTtyClass, name));
    if (!ttyPath) {
        return std::nullopt;
    }
    // Consoles, ptys and other virtual ttys have no parent device.
    const std::optional<std::string> devicePath = tree.Resolve(JoinPath(*ttyPath, "device"));
    if (!devicePath || !HasLineHardware(tree, *ttyPath, *devicePath)) {
        return std::nullopt;
    }
    FoundPort port;
    SplitTrailingNumber(name, port);
    port.connectionName = "/dev/" + name + PortMarker(tree, *devicePath);
    return port;
}

}  // namespace

bool ReadUsbIds(const SysfsTree& tree, std::string_view usbDevice, UsbIds& ids) {
    const std::optional<std::string> vendor = tree.ReadAttribute(usbDevice, "idVendor");
    const std::optional<std::string> product = tree.ReadAttribute(usbDevice, "idProduct");
    return vendor && product && ParseHex16(*vendor, ids.vendorId) &&
           ParseHex16(*product, ids.productId);
}

bool ListSerialPorts(const SysfsTree& tree, std::vector<std::string>& list) {
    list.clear();
    if (!tree.Exists(kTtyClass)) {
        return false;
    }
    std::vector<FoundPort> ports;
    for (const std::string& name : tree.List(kTtyClass)) {
        if (std::optional<FoundPort> port = DescribeTty(tree, name)) {
            ports.push_back(std::move(*port));
        }
    }
    std::stable_sort(ports.begin(), ports.end(), [](const FoundPort& a, const FoundPort& b) {
        return a.stem != b.stem ? a.stem < b.stem : a.number < b.number;
    });
    for (FoundPort& port : ports) {
        list.push_back(std::move(port.connectionName));
    }
    return true;
}

}  // namespace vesmor
