// The simulated LAN reader's sockets over Winsock. A wait looks at the sockets with WSAPoll in
// slices of 10 ms and at the wake event between them; a datagram's arrival interface comes from
// WSARecvMsg with IP_PKTINFO.

#include "sim/lan_sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
#include <iphlpapi.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <stdexcept>

#include "sim/win32/system_error.h"

namespace vesmor::sim::net {

namespace {

constexpr int kWaitSliceMs = 10;

SOCKET AsSocket(Socket socket) {
    return static_cast<SOCKET>(socket);
}

sockaddr_in ToSockaddr(uint32_t address, uint16_t port) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(port);
    endpoint.sin_addr.s_addr = htonl(address);
    return endpoint;
}

void StartWinsock() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

Socket Bound(int type, const std::string& address, int port) {
    StartWinsock();
    const SOCKET s = WSASocketW(AF_INET, type, 0, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr);
    u_long nonBlocking = 1;
    const BOOL one = TRUE;
    if (s != INVALID_SOCKET) {
        setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
    }
    if (s == INVALID_SOCKET || ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
        bind(s, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) != 0 ||
        (type == SOCK_STREAM && listen(s, 8) != 0)) {
        const std::string reason = SystemErrorText(static_cast<unsigned long>(WSAGetLastError()));
        if (s != INVALID_SOCKET) {
            closesocket(s);
        }
        throw std::runtime_error("cannot serve " + address + "-" + std::to_string(port) + ": " +
                                 reason);
    }
    return static_cast<Socket>(s);
}

LPFN_WSARECVMSG RecvMsgOf(SOCKET s) {
    LPFN_WSARECVMSG function = nullptr;
    GUID guid = WSAID_WSARECVMSG;
    DWORD bytes = 0;
    if (WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &guid, sizeof guid, &function,
                 sizeof function, &bytes, nullptr, nullptr) != 0) {
        return nullptr;
    }
    return function;
}

bool IsSignalled(const WakeEvent& wake) {
    return wake.IsValid() &&
           WaitForSingleObject(reinterpret_cast<HANDLE>(wake.Native()), 0) == WAIT_OBJECT_0;
}

}  // namespace

Socket ListenStream(const std::string& address, int port) {
    return Bound(SOCK_STREAM, address, port);
}

Socket BindDatagram(const std::string& address, int port) {
    const Socket s = Bound(SOCK_DGRAM, address, port);
    // A datagram that could not be delivered must not make the next receive fail with
    // WSAECONNRESET (Windows reports the ICMP "port unreachable" that way).
    BOOL off = FALSE;
    DWORD bytes = 0;
    WSAIoctl(AsSocket(s), SIO_UDP_CONNRESET, &off, sizeof off, nullptr, 0, &bytes, nullptr,
             nullptr);
    return s;
}

void AllowBroadcast(Socket socket) {
    const BOOL one = TRUE;
    setsockopt(AsSocket(socket), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&one),
               sizeof one);
}

void TellArrivalInterface(Socket socket) {
    const DWORD one = 1;
    setsockopt(AsSocket(socket), IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char*>(&one),
               sizeof one);
}

int LocalPort(Socket socket) {
    sockaddr_in local{};
    int length = sizeof local;
    getsockname(AsSocket(socket), reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

Socket Accept(Socket listener, std::string& peerAddress) {
    sockaddr_in peer{};
    int length = sizeof peer;
    const SOCKET s = accept(AsSocket(listener), reinterpret_cast<sockaddr*>(&peer), &length);
    if (s == INVALID_SOCKET) {
        return kNoSocket;
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    peerAddress = text;
    const BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return static_cast<Socket>(s);
}

long Receive(Socket socket, uint8_t* buffer, size_t size) {
    const int n =
        recv(AsSocket(socket), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
    if (n == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        return error == WSAEWOULDBLOCK || error == WSAEINTR ? -1 : -2;
    }
    return n;
}

void Send(Socket socket, const uint8_t* bytes, size_t count) {
    send(AsSocket(socket), reinterpret_cast<const char*>(bytes), static_cast<int>(count), 0);
}

long ReceiveFrom(Socket socket, uint8_t* buffer, size_t size, Endpoint& sender, int& arrivedOn) {
    arrivedOn = 0;
    sockaddr_in from{};
    const SOCKET s = AsSocket(socket);
    static const LPFN_WSARECVMSG recvMsg = RecvMsgOf(s);
    long n = -1;
    if (recvMsg != nullptr) {
        WSABUF data{static_cast<ULONG>(size), reinterpret_cast<char*>(buffer)};
        char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))] = {};
        WSAMSG message{};
        message.name = reinterpret_cast<sockaddr*>(&from);
        message.namelen = sizeof from;
        message.lpBuffers = &data;
        message.dwBufferCount = 1;
        message.Control = {sizeof control, control};
        DWORD got = 0;
        if (recvMsg(s, &message, &got, nullptr, nullptr) == 0) {
            n = static_cast<long>(got);
            for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&message); c != nullptr;
                 c = WSA_CMSG_NXTHDR(&message, c)) {
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                    arrivedOn = static_cast<int>(
                        reinterpret_cast<const IN_PKTINFO*>(WSA_CMSG_DATA(c))->ipi_ifindex);
                }
            }
        }
    } else {
        int length = sizeof from;
        n = recvfrom(s, reinterpret_cast<char*>(buffer), static_cast<int>(size), 0,
                     reinterpret_cast<sockaddr*>(&from), &length);
    }
    sender = {ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
    return n;
}

void SendTo(Socket socket, const uint8_t* bytes, size_t count, const Endpoint& to) {
    const sockaddr_in target = ToSockaddr(to.address, to.port);
    sendto(AsSocket(socket), reinterpret_cast<const char*>(bytes), static_cast<int>(count), 0,
           reinterpret_cast<const sockaddr*>(&target), sizeof target);
}

void Close(Socket& socket) {
    if (socket != kNoSocket) {
        closesocket(AsSocket(socket));
        socket = kNoSocket;
    }
}

void CloseOrderly(Socket& socket) {
    shutdown(AsSocket(socket), SD_BOTH);
    Close(socket);
}

void CloseAbort(Socket& socket) {
    const linger abort{1, 0};
    setsockopt(AsSocket(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
               sizeof abort);
    Close(socket);
}

bool BoundDatagramHearsBroadcasts() {
    return true;
}

int InterfaceHolding(const std::string& address) {
    StartWinsock();
    in_addr wanted{};
    if (inet_pton(AF_INET, address.c_str(), &wanted) != 1) {
        return 0;
    }
    ULONG size = 0;
    GetIpAddrTable(nullptr, &size, FALSE);
    std::vector<unsigned char> buffer(size);
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    if (size == 0 || GetIpAddrTable(table, &size, FALSE) != NO_ERROR) {
        return 0;
    }
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        if (table->table[i].dwAddr == wanted.s_addr) {
            return static_cast<int>(table->table[i].dwIndex);
        }
    }
    return 0;
}

void WaitReadable(const std::vector<Socket>& sockets, const WakeEvent& wake, int timeoutMs,
                  std::vector<bool>& readable) {
    readable.assign(sockets.size(), false);
    std::vector<WSAPOLLFD> fds;
    std::vector<size_t> slots;
    for (size_t i = 0; i < sockets.size(); ++i) {
        if (sockets[i] != kNoSocket) {
            fds.push_back({AsSocket(sockets[i]), POLLRDNORM, 0});
            slots.push_back(i);
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (IsSignalled(wake)) {
            return;
        }
        int slice = kWaitSliceMs;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            slice = static_cast<int>(std::clamp<long long>(left, 0, kWaitSliceMs));
        }
        if (fds.empty()) {
            Sleep(static_cast<DWORD>(slice));
        } else if (WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), slice) > 0) {
            for (size_t k = 0; k < fds.size(); ++k) {
                readable[slots[k]] = (fds[k].revents & (POLLRDNORM | POLLHUP | POLLERR)) != 0;
            }
            return;
        }
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline) {
            return;
        }
    }
}

}  // namespace vesmor::sim::net
