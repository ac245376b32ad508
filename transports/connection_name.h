#pragma once
// Connection names: which transport a name selects, the bus address suffix, and the encoded
// baud value that goes with a serial name.

#include <cstdint>
#include <string>

namespace vesmor {

enum class TransportKind { kLan, kHid, kBluetooth, kRefused, kSerial };

// A device path ("/dev/...", also after "\\.\") is serial, unless what follows the path
// outside its " [description]" contains "HID" or "BT" (then HID or Bluetooth as below). Other
// names, in this order: LAN when the name begins with "[" or holds three "." of which the first
// is not the first character; HID when it contains "HID"; Bluetooth when it contains "BT" (a name
// containing "BTW" is refused); serial otherwise.
TransportKind SelectTransport(const std::string& name);

// Cuts a ":<decimal>" suffix off the name and returns it as the bus address; 1 when there is
// none (a trailing ":" with nothing after it stays in the name).
uint32_t TakeBusAddress(std::string& name);

// Baud rate plus a line code in the last two decimal digits: 0 no parity and 1 stop bit,
// 1 even parity, 2 odd parity, 3 no parity and 2 stop bits, others as 0.
struct SerialFormat {
    int baud = 19200;
    char parity = 'N';
    int stopBits = 1;
};
SerialFormat DecodeBaudValue(int32_t value);

}  // namespace vesmor
