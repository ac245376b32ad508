#include <cstdio>

#include "transports/lan_adapters.h"

namespace vesmor {

// Four decimal numbers 0..255 separated by dots, without leading zeros (as inet_pton takes
// them): nothing else, not even a space.
std::optional<uint32_t> ParseIpv4(const std::string& text) {
    uint32_t address = 0;
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && (at >= text.size() || text[at++] != '.')) {
            return std::nullopt;
        }
        const size_t start = at;
        uint32_t value = 0;
        while (at < text.size() && at - start < 4 && text[at] >= '0' && text[at] <= '9') {
            value = value * 10 + static_cast<uint32_t>(text[at++] - '0');
        }
        const size_t digits = at - start;
        if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && text[start] == '0')) {
            return std::nullopt;
        }
        address = (address << 8) | value;
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    return address;
}

std::string FormatIpv4(uint32_t address) {
    char text[16];
    // Four numbers of at most 255 always fit the 16 bytes.
    (void)std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF,
                        (address >> 8) & 0xFF, address & 0xFF);
    return text;
}

}  // namespace vesmor
