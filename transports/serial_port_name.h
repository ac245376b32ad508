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

// "/dev/ttyUSB3 [Vek Virtual COM]" -> /dev/ttyUSB3, port 3. "COMn" (any case, n starting with
// 1..9, anything after the digits dropped) means ComDevicePath(n), port n. A leading "\\.\" is skipped. Anything
// else is an FTDI serial number (D2XX mode) whose port number is its leading decimal value.
SerialPortName ParsePortName(const std::string& name);

// The system's device of COM port n: /dev/ttyS{n-1} on POSIX, \\.\COMn on Windows.
std::string ComDevicePath(int32_t number);

// True for names the library treats as serial port names: "COM...", "\\.\COM..." or a device
// path under /dev/ (with or without the "\\.\" prefix).
bool IsComPortName(const std::string& name);

}  // namespace vesmor
