#pragma once
// The local IPv4 adapters a LAN reader can be reached through, and the source address the
// kernel picks towards a reader.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesmor {

// One local IPv4 address.
struct CAdapter {
    std::string address;
    std::string mask;
    int32_t index = -1;  // interface index
};

// IPv4 addresses of the interfaces that are up, not loopback and of Ethernet or wireless type
// (the link-layer hardware type; the "type" attribute under netRoot/<interface> when the
// system lists none), in the system's order; "0.0.0.0" is left out.
std::vector<CAdapter> ListAdapters(const std::string& netRoot = "/sys/class/net");

// The index of the interface the kernel would send to address through (a connected UDP socket
// tells the source address; no datagram is sent); nullopt when there is no route.
std::optional<int32_t> BestInterfaceFor(const std::string& address);

// The index of the interface that holds this local address; nullopt when none does.
std::optional<int32_t> InterfaceHolding(const std::string& localAddress);

// Dotted IPv4 text to the address in host order; nullopt for anything else.
std::optional<uint32_t> ParseIpv4(const std::string& text);
std::string FormatIpv4(uint32_t address);

}  // namespace vesmor
