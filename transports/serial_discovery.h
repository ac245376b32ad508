#pragma once
// The serial ports present, named as connection names: the device path, with a marker for a
// reader of the maker's virtual COM interface.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "transports/sysfs_tree.h"

namespace vesmor {

// The maker's reader with the virtual COM (CDC) interface.
constexpr uint16_t kVirtualComVendorId = 0x1C40;
constexpr uint16_t kVirtualComProductId = 0x05AC;

// Clears the list, then lists every tty with a parent device that can carry a line: USB CDC
// and USB serial ttys, and built-in UARTs whose hardware exists. A port is named by its device
// path, followed by " [" + product + "]" when the product text of its USB device begins with
// "Vek" or "QM-4", or else by " [Vek Virtual COM]" when that device is 1C40:05AC. Ports are
// ordered by the name without its trailing digits, then by their number; equal numbers keep
// their order. Returns false when the tty class cannot be read (the list stays empty).
bool ListSerialPorts(const SysfsTree& tree, std::vector<std::string>& list);

struct UsbIds {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};
// The ids of a USB device directory; false when it has none.
bool ReadUsbIds(const SysfsTree& tree, std::string_view usbDevice, UsbIds& ids);

}  // namespace vesmor
