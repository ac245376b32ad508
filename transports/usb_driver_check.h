#pragma once
// Known USB readers present without a working driver, and whether the kernel offers the
// driver of the virtual COM interface.

#include <cstdint>
#include <string>

#include "transports/sysfs_tree.h"

namespace vesmor {

// The maker's reader with an FTDI interface.
constexpr uint16_t kFtdiReaderVendorId = 0x0403;
constexpr uint16_t kFtdiReaderProductId = 0xE130;

enum MissingDriverBits : int32_t {
    kFtdiReaderWithoutDriver = 0x1,
    kVirtualComReaderWithoutDriver = 0x2,
};

// Bit 1 for a present 1C40:05AC device none of whose interfaces has a bound kernel driver;
// bit 0 for such a 0403:E130 device, unless the D2XX library can drive it from user space.
int32_t FindUsbDevicesWithoutDriver(const SysfsTree& tree, bool d2xxLibraryLoadable);

// True when the cdc_acm module is loaded (module/cdc_acm in the tree), built into the kernel
// (listed in modules.builtin) or installed to be loaded on demand (listed in modules.dep);
// modulesDir is the kernel's module directory, /lib/modules/<release> on a running system.
bool IsVirtualComDriverInstalled(const SysfsTree& tree, const std::string& modulesDir);

// The directory named by VESMOR_MODULES_DIR, or /lib/modules/<running kernel release>.
std::string KernelModulesDir();

}  // namespace vesmor
