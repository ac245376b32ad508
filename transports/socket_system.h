#pragma once
// The system's IPv4 sockets as the LAN transport uses them: BSD sockets on POSIX, Winsock on
// Windows. Addresses are in host order; errors are Winsock codes on every system.

#include <cstddef>
#include <cstdint>

#include "transports/wake_event.h"

namespace vesmor {

using SocketHandle = intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

inline constexpr int kWsaEInterrupted = 10004;
inline constexpr int kWsaEWouldBlock = 10035;
inline constexpr int kWsaEInProgress = 10036;
inline constexpr int kWsaEAddrInUse = 10048;
inline constexpr int kWsaEAddrNotAvail = 10049;
inline constexpr int kWsaETimedOut = 10060;

enum class SocketKind { kStream, kDatagram };

// What a socket is ready for (WaitSocket).
enum SocketReady : short { kSocketReadable = 1, kSocketWritable = 2, kSocketBroken = 4 };

// A non-blocking socket that child processes do not inherit; kNoSocket on failure.
SocketHandle OpenSocket(SocketKind kind);
void CloseSocket(SocketHandle socket);
// The Winsock code of the last failed call of this thread.
int LastSocketError();
bool BindSocket(SocketHandle socket, uint32_t address, uint16_t port);
// 0 when connected, kWsaEInProgress while the connection is being made, else the error.
int StartConnect(SocketHandle socket, uint32_t address, uint16_t port);
// The error a connection attempt or a broken connection left on the socket (SO_ERROR).
int PendingSocketError(SocketHandle socket);
bool SetReuseAddress(SocketHandle socket);
bool SetBroadcast(SocketHandle socket);
// Binds a datagram socket for the adapter with this address and interface index (0: unknown).
// POSIX binds to any address and has the arrival interface told with each datagram
// (IP_PKTINFO): a socket bound to the adapter's own address would never see a reply sent as a
// broadcast to 255.255.255.255, which a reader outside the adapter's subnet may have to send.
// Windows binds to the adapter's address, which also makes its broadcasts leave there.
bool BindDatagramToAdapter(SocketHandle socket, uint32_t adapterAddress, int interfaceIndex);
// Sent bytes the peer has not acknowledged after this long end the connection.
bool LimitUnacknowledged(SocketHandle socket, unsigned ms);
// Bytes sent, or -1 (LastSocketError tells why).
long SendBytes(SocketHandle socket, const uint8_t* bytes, size_t count);
// A datagram to address:port; when interfaceIndex is not 0, through that interface with
// sourceAddress as its source.
bool SendDatagramTo(SocketHandle socket, uint32_t address, uint16_t port, const uint8_t* bytes,
                    size_t count, int interfaceIndex, uint32_t sourceAddress);
// Bytes received (0: the peer closed a stream), or -1. sender, when given, gets the source, and
// arrivedOn, when given, the index of the interface the datagram arrived on (0: not told).
long ReceiveBytes(SocketHandle socket, uint8_t* buffer, size_t size, uint32_t* sender,
                  int* arrivedOn = nullptr);
// Waits at most timeoutMs (negative: no limit) until the socket (kNoSocket: none) is ready for
// `wanted` or `wake` (may be null) is signalled. `ready` gets what the socket is ready for;
// returns true when wake was signalled.
bool WaitSocket(SocketHandle socket, short wanted, const WakeEvent* wake, int timeoutMs,
                short& ready);

}  // namespace vesmor
