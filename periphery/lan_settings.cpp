#include "periphery/lan_settings.h"

#include <algorithm>
#include <charconv>

namespace tagforge {

namespace {

// A decimal number of at most `maxDigits` digits and nothing else.
std::optional<int> ParseDecimal(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

uint32_t ToBits(const Ipv4Octets& octets) {
    return uint32_t{octets[0]} << 24 | uint32_t{octets[1]} << 16 | uint32_t{octets[2]} << 8 |
           uint32_t{octets[3]};
}

}  // namespace

std::optional<Ipv4Octets> ParseDottedAddress(std::string_view text) {
    Ipv4Octets octets{};
    for (size_t i = 0; i < octets.size(); ++i) {
        const size_t dot = i + 1 < octets.size() ? text.find('.') : text.size();
        if (dot == std::string_view::npos) {
            return std::nullopt;
        }
        const std::optional<int> value = ParseDecimal(text.substr(0, dot), 3);
        if (!value || *value > 255) {
            return std::nullopt;
        }
        octets[i] = static_cast<uint8_t>(*value);
        text.remove_prefix(std::min(text.size(), dot + 1));
    }
    return octets;
}

std::string DottedText(const Ipv4Octets& octets) {
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
           std::to_string(octets[2]) + "." + std::to_string(octets[3]);
}

std::optional<int> MaskHostBits(const Ipv4Octets& mask) {
    const uint32_t bits = ToBits(mask);
    if (bits == 0) {
        return std::nullopt;
    }
    // Inverted, an unbroken run of ones from the top is a run of ones from the bottom: one
    // added to it leaves a single bit.
    const uint32_t hostPart = ~bits;
    if ((hostPart & (hostPart + 1)) != 0) {
        return std::nullopt;
    }
    int hostBits = 0;
    while (hostBits < 32 && (bits >> hostBits & 1u) == 0) {
        ++hostBits;
    }
    return hostBits;
}

bool IsValidDhcpName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxDhcpNameLength &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return c > ' ' && c < 0x7F && c != '[' && c != ']'; });
}

LanAddress SplitLanPort(std::string_view text) {
    const size_t dash = text.rfind('-');
    if (dash != std::string_view::npos) {
        if (const std::optional<int> port = ParseDecimal(text.substr(dash + 1), 5)) {
            return {std::string(text.substr(0, dash)), *port};
        }
    }
    return {std::string(text), std::nullopt};
}

bool IsValidLanAddress(std::string_view text) {
    const LanAddress address = SplitLanPort(text);
    const bool portOk = !address.port || (*address.port >= 1 && *address.port <= 65535);
    // A "-" with anything but a port after it is no address either.
    return portOk && ParseDottedAddress(address.host).has_value();
}

LanSettings SettingsFromLanConfig(const std::string& name, const std::string& address,
                                  const std::string& mask, const std::string& gateway) {
    LanSettings settings;
    settings.mask = mask;
    settings.gateway = gateway;
    settings.dhcp = address.empty();
    if (!settings.dhcp) {
        const LanAddress split = SplitLanPort(address);
        settings.address = split.host;
        settings.port = split.port.value_or(kDefaultLanPort);
    }
    const size_t close = name.find(']');
    if (name.starts_with('[') && close != std::string::npos) {
        settings.name = name.substr(1, close - 1);
        if (settings.dhcp && name.compare(close + 1, 1, "-") == 0) {
            settings.port = ParseDecimal(name.substr(close + 2), 5).value_or(kDefaultLanPort);
        }
    } else {
        settings.name = name;
    }
    return settings;
}

std::string NewLanAddressText(bool dhcp, const std::string& address, const std::string& name,
                              int port) {
    return (dhcp ? "[" + name + "]" : address) + "-" + std::to_string(port);
}

std::string LanSearchKey(const std::string& entry) {
    const size_t close = entry.find(']');
    return entry.starts_with('[') && close != std::string::npos ? entry.substr(0, close + 1)
                                                                : entry;
}

std::string LanListName(const std::string& entry) {
    const size_t close = entry.find(']', 1);
    return close == std::string::npos ? entry : entry.substr(0, close + 1);
}

std::vector<LanSearchEntry> MergeLanSearches(const std::vector<std::string>& readers,
                                             const std::vector<std::string>& devices) {
    std::vector<LanSearchEntry> entries;
    for (const std::string& reader : readers) {
        entries.push_back({reader, true});
    }
    for (const std::string& device : devices) {
        const std::string key = LanSearchKey(device);
        const auto known = std::find_if(entries.begin(), entries.end(),
                                        [&](const LanSearchEntry& e) { return e.text == key; });
        if (known != entries.end()) {
            *known = {device, true};
        } else {
            entries.push_back({device, false});
        }
    }
    return entries;
}

}  // namespace tagforge
