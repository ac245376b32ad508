#pragma once
// What the system says about its serial ports and the drivers of the maker's USB readers:
// sysfs on Linux, SetupAPI (loaded at run time) on Windows.

#include <cstdint>
#include <string>
#include <vector>

namespace vesmor {

// The serial ports present, as connection names, in the order the user sees them.
std::vector<std::string> SystemSerialPorts();

// Bit 0: the FTDI reader is present without a driver (and the D2XX library cannot drive it);
// bit 1: the virtual COM reader is present without a driver.
int32_t SystemMissingDrivers(bool d2xxLibraryLoadable);

// Whether the driver of the virtual COM interface is installed.
bool SystemHasVirtualComDriver();

}  // namespace vesmor
