#include <cstdio>

#include "transports/lan_adapters.h"

namespace vesmor {

std::string FormatIpv4(uint32_t address) {
    char text[16];
    // Four numbers of at most 255 always fit the 16 bytes.
    (void)std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF,
                        (address >> 8) & 0xFF, address & 0xFF);
    return text;
}

}  // namespace vesmor
