#include "transports/usb_driver_check.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "transports/serial_discovery.h"

namespace vesmor {

namespace {

constexpr std::string_view kUsbDevices = "bus/usb/devices";
constexpr std::string_view kVirtualComModule = "cdc_acm";

// Interfaces are the subdirectories that carry bInterfaceNumber; a driver binds to them, not
// to the device (that one always has the generic "usb" driver).
bool HasBoundInterface(const SysfsTree& tree, const std::string& usbDevice) {
    for (const std::string& entry : tree.List(usbDevice)) {
        const std::string child = JoinPath(usbDevice, entry);
        if (tree.Exists(JoinPath(child, "bInterfaceNumber")) &&
            tree.Exists(JoinPath(child, "driver"))) {
            return true;
        }
    }
    return false;
}

int32_t MissingDriverBit(const UsbIds& ids, bool d2xxLibraryLoadable) {
    if (ids.vendorId == kVirtualComVendorId && ids.productId == kVirtualComProductId) {
        return kVirtualComReaderWithoutDriver;
    }
    if (ids.vendorId == kFtdiReaderVendorId && ids.productId == kFtdiReaderProductId &&
        !d2xxLibraryLoadable) {
        return kFtdiReaderWithoutDriver;
    }
    return 0;
}

// "kernel/drivers/usb/class/cdc-acm.ko.zst: kernel/..." -> "cdc_acm".
std::string ModuleNameOfLine(std::string_view line) {
    line = line.substr(0, line.find_first_of(": \t"));
    line = line.substr(line.rfind('/') + 1);
    std::string name(line.substr(0, line.find(".ko")));
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

bool ModuleListHolds(const std::string& listPath, std::string_view module) {
    std::ifstream in(listPath);
    for (std::string line; std::getline(in, line);) {
        if (ModuleNameOfLine(line) == module) {
            return true;
        }
    }
    return false;
}

}  // namespace

int32_t FindUsbDevicesWithoutDriver(const SysfsTree& tree, bool d2xxLibraryLoadable) {
    int32_t bits = 0;
    for (const std::string& entry : tree.List(kUsbDevices)) {
        const std::optional<std::string> device = tree.Resolve(JoinPath(kUsbDevices, entry));
        UsbIds ids;
        if (!device || !ReadUsbIds(tree, *device, ids)) {
            continue;
        }
        const int32_t bit = MissingDriverBit(ids, d2xxLibraryLoadable);
        if (bit != 0 && !HasBoundInterface(tree, *device)) {
            bits |= bit;
        }
    }
    return bits;
}

bool IsVirtualComDriverInstalled(const SysfsTree& tree, const std::string& modulesDir) {
    return tree.Exists(JoinPath("module", kVirtualComModule)) ||
           ModuleListHolds(modulesDir + "/modules.builtin", kVirtualComModule) ||
           ModuleListHolds(modulesDir + "/modules.dep", kVirtualComModule);
}

std::string KernelModulesDir() {
    const char* dir = std::getenv("VESMOR_MODULES_DIR");
    if (dir != nullptr && dir[0] != '\0') {
        return dir;
    }
    utsname system{};
    if (uname(&system) != 0) {
        return "/lib/modules";
    }
    return std::string("/lib/modules/") + system.release;
}

}  // namespace vesmor
