// Winsock for the LAN transport. Winsock is started once per process, on the first socket.
// A wait for a socket and a wake event together looks at the socket (WSAPoll) in slices of
// 10 ms and at the event between them.

#include "transports/socket_system.h"

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#ifndef TCP_MAXRT
#define TCP_MAXRT 5
#endif

namespace vesmor {

namespace {

constexpr int kWaitSliceMs = 10;

sockaddr_in Address(uint32_t address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

SOCKET AsSocket(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}

bool StartWinsock() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        WSADATA data{};
        started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return started;
}

bool IsSignalled(const WakeEvent* wake) {
    return wake != nullptr && wake->IsValid() &&
           WaitForSingleObject(reinterpret_cast<HANDLE>(wake->Native()), 0) == WAIT_OBJECT_0;
}

}  // namespace

SocketHandle OpenSocket(SocketKind kind) {
    if (!StartWinsock()) {
        return kNoSocket;
    }
    const int type = kind == SocketKind::kStream ? SOCK_STREAM : SOCK_DGRAM;
    const SOCKET s = WSASocketW(AF_INET, type, 0, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        return kNoSocket;
    }
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    return static_cast<SocketHandle>(s);
}

void CloseSocket(SocketHandle socket) {
    closesocket(AsSocket(socket));
}

int LastSocketError() {
    return WSAGetLastError();
}

bool BindSocket(SocketHandle socket, uint32_t address, uint16_t port) {
    const sockaddr_in local = Address(address, port);
    return bind(AsSocket(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

int StartConnect(SocketHandle socket, uint32_t address, uint16_t port) {
    const sockaddr_in peer = Address(address, port);
    if (connect(AsSocket(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        return 0;
    }
    // A non-blocking connect in progress says "would block" in Winsock.
    const int error = WSAGetLastError();
    return error == kWsaEWouldBlock ? kWsaEInProgress : error;
}

int PendingSocketError(SocketHandle socket) {
    int error = 0;
    int length = sizeof error;
    getsockopt(AsSocket(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error;
}

bool SetReuseAddress(SocketHandle socket) {
    const BOOL one = TRUE;
    return setsockopt(AsSocket(socket), SOL_SOCKET, SO_REUSEADDR,
                      reinterpret_cast<const char*>(&one), sizeof one) == 0;
}

bool SetBroadcast(SocketHandle socket) {
    const BOOL one = TRUE;
    return setsockopt(AsSocket(socket), SOL_SOCKET, SO_BROADCAST,
                      reinterpret_cast<const char*>(&one), sizeof one) == 0;
}

bool LimitUnacknowledged(SocketHandle socket, unsigned ms) {
    // Windows counts the retransmission limit in whole seconds.
    const DWORD seconds = std::max<DWORD>(1, (ms + 999) / 1000);
    return setsockopt(AsSocket(socket), IPPROTO_TCP, TCP_MAXRT,
                      reinterpret_cast<const char*>(&seconds), sizeof seconds) == 0;
}

long SendBytes(SocketHandle socket, const uint8_t* bytes, size_t count) {
    return send(AsSocket(socket), reinterpret_cast<const char*>(bytes), static_cast<int>(count), 0);
}

bool BindDatagramToAdapter(SocketHandle socket, uint32_t adapterAddress, int /*interfaceIndex*/) {
    return BindSocket(socket, adapterAddress, 0);
}

bool SendDatagramTo(SocketHandle socket, uint32_t address, uint16_t port, const uint8_t* bytes,
                    size_t count, int /*interfaceIndex*/, uint32_t /*sourceAddress*/) {
    // The socket is bound to the adapter's own address, and Windows sends a broadcast of such
    // a socket through that adapter.
    const sockaddr_in peer = Address(address, port);
    return sendto(AsSocket(socket), reinterpret_cast<const char*>(bytes), static_cast<int>(count),
                  0, reinterpret_cast<const sockaddr*>(&peer),
                  sizeof peer) == static_cast<int>(count);
}

long ReceiveBytes(SocketHandle socket, uint8_t* buffer, size_t size, uint32_t* sender,
                  int* arrivedOn) {
    if (arrivedOn != nullptr) {
        *arrivedOn = 0;  // Windows does not tell it here: the socket is bound to its adapter
    }
    if (sender == nullptr) {
        return recv(AsSocket(socket), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
    }
    sockaddr_in from{};
    int length = sizeof from;
    const int n = recvfrom(AsSocket(socket), reinterpret_cast<char*>(buffer),
                           static_cast<int>(size), 0, reinterpret_cast<sockaddr*>(&from), &length);
    *sender = ntohl(from.sin_addr.s_addr);
    return n;
}

bool WaitSocket(SocketHandle socket, short wanted, const WakeEvent* wake, int timeoutMs,
                short& ready) {
    ready = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (IsSignalled(wake)) {
            return true;
        }
        int slice = kWaitSliceMs;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            slice = static_cast<int>(std::clamp<long long>(left, 0, kWaitSliceMs));
        }
        if (socket == kNoSocket) {
            Sleep(static_cast<DWORD>(slice));
        } else {
            WSAPOLLFD fd{};
            fd.fd = AsSocket(socket);
            fd.events = static_cast<short>(((wanted & kSocketReadable) ? POLLRDNORM : 0) |
                                           ((wanted & kSocketWritable) ? POLLWRNORM : 0));
            if (WSAPoll(&fd, 1, slice) > 0) {
                ready =
                    static_cast<short>(((fd.revents & POLLRDNORM) ? kSocketReadable : 0) |
                                       ((fd.revents & POLLWRNORM) ? kSocketWritable : 0) |
                                       ((fd.revents & (POLLERR | POLLHUP)) ? kSocketBroken : 0));
                return IsSignalled(wake);
            }
        }
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline) {
            return IsSignalled(wake);
        }
    }
}

}  // namespace vesmor
