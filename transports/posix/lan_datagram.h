#pragma once
// Receiving a datagram together with the interface it arrived on (POSIX sockets).

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

namespace vesmor {

// Receives one datagram, without waiting, on a socket with IP_PKTINFO on: its length (0 or less
// when none came), its sender, and the index of the interface it arrived on (0 when untold).
long ReceiveDatagram(int fd, uint8_t* buffer, size_t size, sockaddr_in& sender, int& arrivedOn);

}  // namespace vesmor
