#include "periphery/port_names.h"

#include <algorithm>

#include "common/input_check.h"

namespace tagforge {

namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr std::string_view kVirtualComMarker = " [Vek Virtual COM";

// Article numbers of the readers that switch between HID and virtual COM mode.
constexpr std::string_view kSwitchableArticles[] = {
    "4211-", "4213-", "4215-", "4216-", "4217-", "4218-", "4431-", "4435-",
    "4436-", "4437-", "4541-", "4546-", "5801-", "5806-", "6901-",
};

constexpr int kCodeEvenParity = 1;
constexpr int kCodeOddParity = 2;
constexpr int kCodeTwoStopBits = 3;
constexpr int kParityNone = 0;
constexpr int kParityEven = 1;
constexpr int kParityOdd = 2;
constexpr int kTwoStopBits = 1;

bool ContainsAfterFirst(std::string_view text, std::string_view part) {
    return text.find(part, 1) != std::string_view::npos;
}

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return FoldCase(a) == FoldCase(b); });
}

}  // namespace

std::string_view DisplayPrefix(InterfaceKind kind) {
    switch (kind) {
        case InterfaceKind::kUsb:
            return kUsbPrefix;
        case InterfaceKind::kLan:
            return kLanPrefix;
        case InterfaceKind::kBluetooth:
            return kBluetoothPrefix;
        case InterfaceKind::kSerial:
            break;
    }
    return {};
}

std::string DisplayText(InterfaceKind kind, const std::string& entry) {
    if (kind == InterfaceKind::kSerial) {
        return entry.starts_with(kDevicePrefix) ? entry.substr(kDevicePrefix.size()) : entry;
    }
    return std::string(DisplayPrefix(kind)) + entry;
}

InterfaceKind KindOfName(std::string_view name) {
    for (InterfaceKind kind :
         {InterfaceKind::kUsb, InterfaceKind::kLan, InterfaceKind::kBluetooth}) {
        if (name.starts_with(DisplayPrefix(kind))) {
            return kind;
        }
    }
    return InterfaceKind::kSerial;
}

std::string WithoutPrefix(std::string_view name) {
    return std::string(name.substr(DisplayPrefix(KindOfName(name)).size()));
}

bool IsSwitchableHidDevice(std::string_view name) {
    return ContainsAfterFirst(name, " HID") &&
           std::any_of(
               std::begin(kSwitchableArticles), std::end(kSwitchableArticles),
               [name](std::string_view article) { return ContainsAfterFirst(name, article); });
}

bool IsVirtualComName(std::string_view name) {
    constexpr size_t kMarkerFrom = 4;
    const bool serial = name.starts_with("COM") || name.starts_with("/dev/");
    return serial && name.size() >= kMarkerFrom &&
           name.find(kVirtualComMarker, kMarkerFrom) != std::string_view::npos;
}

ModeState ModeOf(std::string_view name) {
    if (name.starts_with(kUsbPrefix) && IsSwitchableHidDevice(name)) {
        return ModeState::kHid;
    }
    return IsVirtualComName(name) ? ModeState::kVirtualCom : ModeState::kNone;
}

int FindPrefix(const std::vector<std::string>& entries, std::string_view prefix) {
    if (prefix.empty()) {
        return -1;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        if (StartsWithIgnoringCase(entries[i], prefix)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string ListedName(std::string_view name) {
    std::string_view rest = name;
    if (rest.starts_with(kDevicePrefix)) {
        rest.remove_prefix(kDevicePrefix.size());
    }
    if (rest.size() < 4 || !StartsWithIgnoringCase(rest, "com") || rest[3] < '1' || rest[3] > '9') {
        return std::string(name);
    }
    size_t end = 3;
    long number = 0;
    while (end < rest.size() && rest[end] >= '0' && rest[end] <= '9' && number < 100000) {
        number = number * 10 + (rest[end] - '0');
        ++end;
    }
    return "/dev/ttyS" + std::to_string(number - 1) + std::string(rest.substr(end));
}

SerialChoice DecodeBaud(int encoded, const std::vector<std::string>& baudEntries) {
    int code = encoded % 100;
    if (code < 0 || code > kCodeTwoStopBits) {
        code = 0;
    }
    SerialChoice choice;
    choice.baud = FindPrefix(baudEntries, std::to_string(encoded - code));
    choice.parity = code == kCodeEvenParity  ? kParityEven
                    : code == kCodeOddParity ? kParityOdd
                                             : kParityNone;
    choice.stopBits = code == kCodeTwoStopBits ? kTwoStopBits : 0;
    return choice;
}

std::optional<int> EncodeBaud(const SerialChoice& choice,
                              const std::vector<std::string>& baudEntries) {
    if (choice.baud < 0 || static_cast<size_t>(choice.baud) >= baudEntries.size()) {
        return std::nullopt;
    }
    int value = std::max(ParseUnsignedField(baudEntries[static_cast<size_t>(choice.baud)]), 0);
    if (choice.parity == kParityEven) {
        value += kCodeEvenParity;
    } else if (choice.parity == kParityOdd) {
        value += kCodeOddParity;
    } else if (choice.parity == kParityNone && choice.stopBits == kTwoStopBits) {
        value += kCodeTwoStopBits;
    }
    return value;
}

int DeviceEventCode(std::string_view action) {
    if (action == "add" || action == "remove") {
        return kDeviceArrival;
    }
    return action == "change" ? kDeviceNodesChanged : 0;
}

}  // namespace tagforge
