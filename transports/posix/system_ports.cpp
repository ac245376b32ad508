#include "transports/system_ports.h"

#include "transports/serial_discovery.h"
#include "transports/sysfs_tree.h"
#include "transports/usb_driver_check.h"

namespace vesmor {

std::vector<std::string> SystemSerialPorts() {
    std::vector<std::string> names;
    ListSerialPorts(SysfsTree::FromEnvironment(), names);
    return names;
}

int32_t SystemMissingDrivers(bool d2xxLibraryLoadable) {
    return FindUsbDevicesWithoutDriver(SysfsTree::FromEnvironment(), d2xxLibraryLoadable);
}

bool SystemHasVirtualComDriver() {
    return IsVirtualComDriverInstalled(SysfsTree::FromEnvironment(), KernelModulesDir());
}

}  // namespace vesmor
