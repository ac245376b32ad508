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
// Sent bytes the peer has not acknowledged after this long end the connection.
bool LimitUnacknowledged(SocketHandle socket, unsigned ms);
// Bytes sent, or -1 (LastSocketError tells why).
long SendBytes(SocketHandle socket, const uint8_t* bytes, size_t count);
// A datagram to address:port, through interface interfaceIndex when it is not 0.
bool SendDatagramTo(SocketHandle socket, uint32_t address, uint16_t port, const uint8_t* bytes,
                    size_t count, int interfaceIndex);
// Bytes received (0: the peer closed a stream), or -1. sender, when given, gets the source.
long ReceiveBytes(SocketHandle socket, uint8_t* buffer, size_t size, uint32_t* sender);
// Waits at most timeoutMs (negative: no limit) until the socket (kNoSocket: none) is ready for
// `wanted` or `wake` (may be null) is signalled. `ready` gets what the socket is ready for;
// returns true when wake was signalled.
bool WaitSocket(SocketHandle socket, short wanted, const WakeEvent* wake, int timeoutMs,
                short& ready);

}  // namespace vesmor
