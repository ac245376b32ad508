#pragma once
// The sockets of the simulated LAN reader: BSD sockets on POSIX (sim/posix/lan_sockets.cpp),
// Winsock on Windows (sim/win32/lan_sockets.cpp). Every socket is non-blocking and not
// inherited by child processes; addresses are dotted text or host-order numbers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "transports/wake_event.h"

namespace vesmor::sim::net {

using Socket = intptr_t;
inline constexpr Socket kNoSocket = -1;

// A datagram's sender or receiver, in host order.
struct Endpoint {
    uint32_t address = 0;
    uint16_t port = 0;
};

// A TCP listener or a datagram socket bound to address:port (port 0: any free one), with the
// address reusable; throws std::runtime_error "cannot serve ADDRESS-PORT: REASON".
Socket ListenStream(const std::string& address, int port);
Socket BindDatagram(const std::string& address, int port);
// Lets a datagram socket send to broadcast addresses.
void AllowBroadcast(Socket socket);
// Has every received datagram tell the interface it arrived on (ReceiveFrom's arrivedOn).
void TellArrivalInterface(Socket socket);
int LocalPort(Socket socket);

// The next connection waiting on the listener (kNoSocket: none), with Nagle's delay off, and
// the dotted address of its peer.
Socket Accept(Socket listener, std::string& peerAddress);
// Bytes received; 0 when the peer closed the stream, -1 when none are there yet, -2 on an error.
long Receive(Socket socket, uint8_t* buffer, size_t size);
void Send(Socket socket, const uint8_t* bytes, size_t count);
// A datagram, its sender and the index of the interface it came in on (0: not told); the length,
// or 0 or less when none came.
long ReceiveFrom(Socket socket, uint8_t* buffer, size_t size, Endpoint& sender, int& arrivedOn);
void SendTo(Socket socket, const uint8_t* bytes, size_t count, const Endpoint& to);

// Closes and sets kNoSocket. CloseOrderly ends a stream with both directions shut down (the peer
// reads 0 bytes), CloseAbort with a reset.
void Close(Socket& socket);
void CloseOrderly(Socket& socket);
void CloseAbort(Socket& socket);

// Whether a datagram socket bound to an interface's address also receives the broadcasts that
// arrive there (Windows), or only one bound to any address does (POSIX).
bool BoundDatagramHearsBroadcasts();

// The index of the interface holding this local address; 0 when none does.
int InterfaceHolding(const std::string& address);

// Waits at most timeoutMs (negative: no limit) until one of the sockets (kNoSocket entries are
// left out) has something to read or a hang-up, or wake is signalled. readable[i] tells it for
// sockets[i]; wake is left signalled.
void WaitReadable(const std::vector<Socket>& sockets, const WakeEvent& wake, int timeoutMs,
                  std::vector<bool>& readable);

}  // namespace vesmor::sim::net
