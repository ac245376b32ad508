#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// LAN reader names and network settings as the LAN search and settings windows and
// `vesmor lan` handle them: dotted addresses, subnet masks, the bracketed DHCP name, the "-port"
// suffix, and the two search lists merged into one.
namespace tagforge {

using Ipv4Octets = std::array<uint8_t, 4>;

// The TCP port of a reader's data connection when its name gives none.
inline constexpr int kDefaultLanPort = 10001;
// A DHCP name fills at most this many characters of the reader's records.
inline constexpr size_t kMaxDhcpNameLength = 15;

// "a.b.c.d": four decimal octets 0..255 of one to three digits; anything else is none.
std::optional<Ipv4Octets> ParseDottedAddress(std::string_view text);
std::string DottedText(const Ipv4Octets& octets);

// The host bits of a subnet mask (8 for 255.255.255.0); none for a mask whose set bits are not
// one unbroken run from the top, and for 0.0.0.0.
std::optional<int> MaskHostBits(const Ipv4Octets& mask);

// A DHCP name the reader can store and the bracketed form can carry: 1 to 15 printable ASCII
// characters without "[" and "]".
bool IsValidDhcpName(std::string_view name);

// A reader address "HOST" or "HOST-PORT": split at the last "-" when digits follow it.
struct LanAddress {
    std::string host;
    std::optional<int> port;
};
LanAddress SplitLanPort(std::string_view text);

// "a.b.c.d" or "a.b.c.d-PORT" with the port 1..65535.
bool IsValidLanAddress(std::string_view text);

// A reader's settings as the settings window shows them.
struct LanSettings {
    bool dhcp = true;
    std::string name;     // the DHCP name without brackets
    std::string address;  // dotted, empty for a DHCP reader
    int port = kDefaultLanPort;
    std::string mask;
    std::string gateway;
};

// The settings told by the texts of VESMOR_GetLanConfig: a non-empty address means a fixed
// address with its port after "-"; the name text "[NAME]-PORT" gives the name, and for a DHCP
// reader also the port.
LanSettings SettingsFromLanConfig(const std::string& name, const std::string& address,
                                  const std::string& mask, const std::string& gateway);

// The new address text for VESMOR_SetLanConfig: the dotted address (fixed) or "[NAME]" (DHCP),
// then "-" and the port.
std::string NewLanAddressText(bool dhcp, const std::string& address, const std::string& name,
                              int port);

// The part of a search entry both searches agree on: "[NAME]" of a DHCP entry, the whole entry
// otherwise.
std::string LanSearchKey(const std::string& entry);

// The name the interface list knows a chosen search entry by: up to and including the first
// "]" when one stands after the first character, else the whole entry.
std::string LanListName(const std::string& entry);

// One line of the LAN search window: a reader of the family, or another device that answered.
struct LanSearchEntry {
    std::string text;
    bool reader = true;
};

// The readers (VESMOR_FindLanDevicesEx) in their order; every device of the unfiltered search
// (VESMOR_FindLanDevices) replaces the reader with its key by its full text, or is added as a
// foreign device.
std::vector<LanSearchEntry> MergeLanSearches(const std::vector<std::string>& readers,
                                             const std::vector<std::string>& devices);

}  // namespace tagforge
