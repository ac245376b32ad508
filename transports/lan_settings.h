#pragma once
// Reading and changing a LAN reader's network settings over its configuration channel.

#include <cstdint>
#include <string>

#include "transports/tcp_socket.h"

namespace vesmor {

struct LanSettings {
    std::string name;     // "[name]-port"
    std::string address;  // "a.b.c.d-port", empty for a DHCP reader
    std::string mask;     // "a.b.c.d"
    std::string gateway;  // "a.b.c.d"
};

// 0 and the settings, a negative channel error, or -1 when record 0 cannot be read.
int32_t GetLanConfig(const std::string& reader, LanSettings& settings, const WaitPump& pump);

// Sets the reader's address (dotted with optional "-port", or "[name]" with optional "-port"),
// subnet mask (empty: unchanged) and gateway (empty: unchanged). 0 on success, -1 when the
// input cannot be parsed, the reader does not answer or record 0 cannot be read or written.
int32_t SetLanConfig(const std::string& reader, const std::string& newAddress,
                     const std::string& mask, const std::string& gateway, const WaitPump& pump);

// 1 when the reader's configuration channel can be opened (closed again at once), else 0.
int32_t TestLanDevice(const std::string& reader, const WaitPump& pump);

}  // namespace vesmor
