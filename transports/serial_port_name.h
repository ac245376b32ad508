#pragma once
// How a connection name of the serial transport becomes a device.

#include <cstdint>
#include <string>

namespace vesmor {

struct SerialPortName {
    std::string devicePath;  // tty device path, or the FTDI serial number in D2XX mode
    bool d2xxMode = false;
    int32_t portNumber = 0;
};

// "/dev/ttyUSB3 [Vek Virtual COM]" -> /dev/ttyUSB3, port 3. The legacy "COMn" (any case,
// n starting with 1..9) means /dev/ttyS{n-1}, port n. A leading "\\.\" is skipped. Anything
// else is an FTDI serial number (D2XX mode) whose port number is its leading decimal value.
SerialPortName ParsePortName(const std::string& name);

// True for names the library treats as serial port names: "COM...", "\\.\COM..." or a device
// path under /dev/ (with or without the "\\.\" prefix).
bool IsComPortName(const std::string& name);

}  // namespace vesmor
