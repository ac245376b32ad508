#include "transports/socket_system.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "transports/posix/lan_datagram.h"
#include "transports/tcp_socket.h"

namespace vesmor {

namespace {

sockaddr_in Address(uint32_t address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

int Fd(SocketHandle socket) {
    return static_cast<int>(socket);
}

}  // namespace

SocketHandle OpenSocket(SocketKind kind) {
    const int type = kind == SocketKind::kStream ? SOCK_STREAM : SOCK_DGRAM;
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    return fd < 0 ? kNoSocket : fd;
}

void CloseSocket(SocketHandle socket) {
    ::close(Fd(socket));
}

int LastSocketError() {
    return WsaErrorFromErrno(errno);
}

bool BindSocket(SocketHandle socket, uint32_t address, uint16_t port) {
    const sockaddr_in local = Address(address, port);
    return ::bind(Fd(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

int StartConnect(SocketHandle socket, uint32_t address, uint16_t port) {
    const sockaddr_in peer = Address(address, port);
    if (::connect(Fd(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        return 0;
    }
    return LastSocketError();
}

int PendingSocketError(SocketHandle socket) {
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(Fd(socket), SOL_SOCKET, SO_ERROR, &error, &length);
    return WsaErrorFromErrno(error);
}

bool SetReuseAddress(SocketHandle socket) {
    const int one = 1;
    return ::setsockopt(Fd(socket), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0;
}

bool SetBroadcast(SocketHandle socket) {
    const int one = 1;
    return ::setsockopt(Fd(socket), SOL_SOCKET, SO_BROADCAST, &one, sizeof one) == 0;
}

bool LimitUnacknowledged(SocketHandle socket, unsigned ms) {
    return ::setsockopt(Fd(socket), IPPROTO_TCP, TCP_USER_TIMEOUT, &ms, sizeof ms) == 0;
}

long SendBytes(SocketHandle socket, const uint8_t* bytes, size_t count) {
    return ::send(Fd(socket), bytes, count, MSG_NOSIGNAL);
}

bool BindDatagramToAdapter(SocketHandle socket, uint32_t adapterAddress, int interfaceIndex) {
    if (interfaceIndex <= 0) {  // an address no interface holds is bound as it is
        return BindSocket(socket, adapterAddress, 0);
    }
    const int one = 1;
    return BindSocket(socket, 0, 0) &&
           ::setsockopt(Fd(socket), IPPROTO_IP, IP_PKTINFO, &one, sizeof one) == 0;
}

bool SendDatagramTo(SocketHandle socket, uint32_t address, uint16_t port, const uint8_t* bytes,
                    size_t count, int interfaceIndex, uint32_t sourceAddress) {
    sockaddr_in peer = Address(address, port);
    // A broadcast goes out through the adapter the socket is bound to, not along the default
    // route: each adapter's search reaches its own network.
    iovec io{const_cast<uint8_t*>(bytes), count};
    msghdr message{};
    message.msg_name = &peer;
    message.msg_namelen = sizeof peer;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (interfaceIndex > 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = interfaceIndex;
        info.ipi_spec_dst.s_addr = htonl(sourceAddress);
        std::memcpy(CMSG_DATA(header), &info, sizeof info);
    }
    return ::sendmsg(Fd(socket), &message, MSG_NOSIGNAL) == static_cast<ssize_t>(count);
}

long ReceiveBytes(SocketHandle socket, uint8_t* buffer, size_t size, uint32_t* sender,
                  int* arrivedOn) {
    if (sender == nullptr) {
        return ::recv(Fd(socket), buffer, size, MSG_DONTWAIT);
    }
    sockaddr_in from{};
    int arrival = 0;
    const long n = ReceiveDatagram(Fd(socket), buffer, size, from, arrival);
    *sender = ntohl(from.sin_addr.s_addr);
    if (arrivedOn != nullptr) {
        *arrivedOn = arrival;
    }
    return n;
}

bool WaitSocket(SocketHandle socket, short wanted, const WakeEvent* wake, int timeoutMs,
                short& ready) {
    const short events = static_cast<short>(((wanted & kSocketReadable) ? POLLIN : 0) |
                                            ((wanted & kSocketWritable) ? POLLOUT : 0));
    const int wakeFd = wake != nullptr && wake->IsValid() ? static_cast<int>(wake->Native()) : -1;
    pollfd fds[2] = {{Fd(socket), events, 0}, {wakeFd, POLLIN, 0}};
    int n;
    do {
        n = ::poll(fds, 2, timeoutMs);
    } while (n < 0 && errno == EINTR);
    const short revents = fds[0].revents;
    ready = static_cast<short>(((revents & POLLIN) ? kSocketReadable : 0) |
                               ((revents & POLLOUT) ? kSocketWritable : 0) |
                               ((revents & (POLLERR | POLLHUP)) ? kSocketBroken : 0));
    return (fds[1].revents & POLLIN) != 0;
}

}  // namespace vesmor
