// The simulated LAN reader's sockets over BSD sockets.

#include "sim/lan_sockets.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "transports/posix/lan_datagram.h"

namespace vesmor::sim::net {

namespace {

sockaddr_in ToSockaddr(uint32_t address, uint16_t port) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(port);
    endpoint.sin_addr.s_addr = htonl(address);
    return endpoint;
}

sockaddr_in ToSockaddr(const std::string& address, int port) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr);
    return endpoint;
}

int Fd(Socket socket) {
    return static_cast<int>(socket);
}

Socket Bound(int type, const std::string& address, int port) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in endpoint = ToSockaddr(address, port);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) != 0 ||
        (type == SOCK_STREAM && ::listen(fd, 8) != 0)) {
        const std::string reason = std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        throw std::runtime_error("cannot serve " + address + "-" + std::to_string(port) + ": " +
                                 reason);
    }
    return fd;
}

}  // namespace

Socket ListenStream(const std::string& address, int port) {
    return Bound(SOCK_STREAM, address, port);
}

Socket BindDatagram(const std::string& address, int port) {
    return Bound(SOCK_DGRAM, address, port);
}

void AllowBroadcast(Socket socket) {
    const int one = 1;
    ::setsockopt(Fd(socket), SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
}

void TellArrivalInterface(Socket socket) {
    const int one = 1;
    ::setsockopt(Fd(socket), IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
}

int LocalPort(Socket socket) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

Socket Accept(Socket listener, std::string& peerAddress) {
    const int fd = ::accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return kNoSocket;
    }
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    peerAddress = text;
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

long Receive(Socket socket, uint8_t* buffer, size_t size) {
    const ssize_t n = ::recv(Fd(socket), buffer, size, 0);
    if (n < 0) {
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? -1 : -2;
    }
    return static_cast<long>(n);
}

void Send(Socket socket, const uint8_t* bytes, size_t count) {
    [[maybe_unused]] const ssize_t sent = ::send(Fd(socket), bytes, count, MSG_NOSIGNAL);
}

long ReceiveFrom(Socket socket, uint8_t* buffer, size_t size, Endpoint& sender, int& arrivedOn) {
    sockaddr_in from{};
    const long n = ReceiveDatagram(Fd(socket), buffer, size, from, arrivedOn);
    sender = {ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
    return n;
}

void SendTo(Socket socket, const uint8_t* bytes, size_t count, const Endpoint& to) {
    const sockaddr_in target = ToSockaddr(to.address, to.port);
    ::sendto(Fd(socket), bytes, count, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&target),
             sizeof target);
}

void Close(Socket& socket) {
    if (socket != kNoSocket) {
        ::close(Fd(socket));
        socket = kNoSocket;
    }
}

void CloseOrderly(Socket& socket) {
    ::shutdown(Fd(socket), SHUT_RDWR);
    Close(socket);
}

void CloseAbort(Socket& socket) {
    const linger abort{1, 0};
    ::setsockopt(Fd(socket), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    Close(socket);
}

bool BoundDatagramHearsBroadcasts() {
    return false;
}

int InterfaceHolding(const std::string& address) {
    ifaddrs* list = nullptr;
    int index = 0;
    if (::getifaddrs(&list) != 0) {
        return 0;
    }
    const sockaddr_in wanted = ToSockaddr(address, 0);
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
            reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr ==
                wanted.sin_addr.s_addr) {
            index = static_cast<int>(::if_nametoindex(entry->ifa_name));
            break;
        }
    }
    ::freeifaddrs(list);
    return index;
}

void WaitReadable(const std::vector<Socket>& sockets, const WakeEvent& wake, int timeoutMs,
                  std::vector<bool>& readable) {
    std::vector<pollfd> fds = {{static_cast<int>(wake.Native()), POLLIN, 0}};
    for (const Socket socket : sockets) {
        fds.push_back({Fd(socket), POLLIN, 0});  // a negative descriptor is passed over
    }
    ::poll(fds.data(), fds.size(), timeoutMs);
    readable.assign(sockets.size(), false);
    for (size_t i = 0; i < sockets.size(); ++i) {
        readable[i] = (fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    }
}

}  // namespace vesmor::sim::net
