#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "periphery/interface_library.h"

// How the interface selection dialog names interfaces: display prefixes by kind, the mode of a
// USB reader told by its name, the list box's prefix search, and the serial format encoded in
// the stored baud value.
namespace tagforge {

inline constexpr std::string_view kUsbPrefix = "USB: ";
inline constexpr std::string_view kLanPrefix = "LAN: ";
inline constexpr std::string_view kBluetoothPrefix = "Bluetooth: ";

// The display prefix of a kind ("" for serial ports).
std::string_view DisplayPrefix(InterfaceKind kind);

// The text a library entry is shown with: the prefix of its kind, or for a serial entry the
// entry without a leading "\\.\".
std::string DisplayText(InterfaceKind kind, const std::string& entry);

// The kind told by a display text's prefix (exact, at the start); serial without one.
InterfaceKind KindOfName(std::string_view name);

// A display text without its kind prefix.
std::string WithoutPrefix(std::string_view name);

// A USB reader that can be switched between HID and virtual COM mode: " HID" and one of the
// article-number prefixes both stand after the first character.
bool IsSwitchableHidDevice(std::string_view name);

// A serial port of a reader in virtual COM mode: "COM" or "/dev/" at the start, the marker
// " [Vek Virtual COM" at offset 4 or later.
bool IsVirtualComName(std::string_view name);

// What the "HID Mode" and "Virtual Com" buttons show for an interface name.
enum class ModeState {
    kNone,        // both disabled and released
    kHid,         // both enabled, "HID Mode" pressed
    kVirtualCom,  // both enabled, "Virtual Com" pressed
};
ModeState ModeOf(std::string_view name);

// The first entry that begins with `prefix`, letters compared without regard to case; -1 when
// none does or the prefix is empty.
int FindPrefix(const std::vector<std::string>& entries, std::string_view prefix);

// The name as the serial list shows it: the legacy "COMn" (also after "\\.\"), which the
// stored default and older profiles use, is the device /dev/ttyS{n-1}; other names stay.
std::string ListedName(std::string_view name);

// The "Baudrate", "Parität" and "Stopbits:" selection (indices into the combo boxes; -1 none).
struct SerialChoice {
    int baud = -1;
    int parity = -1;    // 0 "keine", 1 "gerade", 2 "ungerade"
    int stopBits = -1;  // 0 "1", 1 "2"
};

// The selection for an encoded baud value: rate plus a line code 0..3 in the last two decimal
// digits; another remainder shows as code 0. The baud entry is found by prefix search.
SerialChoice DecodeBaud(int encoded, const std::vector<std::string>& baudEntries);

// The encoded baud value of a selection; nothing when no baud entry is selected. Even and odd
// parity cannot be stored with two stop bits: then the stop bits are dropped.
std::optional<int> EncodeBaud(const SerialChoice& choice,
                              const std::vector<std::string>& baudEntries);

// Device-change event codes: a device arrived, device nodes changed, and the dialog's own
// request to refresh.
inline constexpr int kDeviceArrival = 0x8000;
inline constexpr int kDeviceNodesChanged = 0x0007;
inline constexpr int kRefreshRequest = 24;

// The event code of a udev action: "add" and "remove" count as arrival, "change" as nodes
// changed; 0 for any other action.
int DeviceEventCode(std::string_view action);

}  // namespace tagforge
