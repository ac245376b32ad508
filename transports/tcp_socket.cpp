#include "transports/tcp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "transports/lan_search.h"

namespace vesmor {

namespace {

constexpr int kCreateAttempts = 6;
constexpr int kCreateRetryMs = 200;
constexpr int kConnectAttempts = 6;
constexpr int kDhcpLookupMs = 200;
// A reader that does not answer the connection request at all: given up after this long, so
// that a send never blocks the connection thread for minutes.
constexpr int kConnectTimeoutMs = 5000;
// A reader that answered before and no longer takes a connection (switched off, cable pulled):
// a reconnect gives up sooner, so that a caller learns within seconds that it is gone.
constexpr int kReconnectTimeoutMs = 2000;
constexpr int kSendStallMs = 2000;
// Sent bytes the reader has not acknowledged after this long end the connection. Without it a
// reader that vanished without a close (power or cable) keeps the connection open for the
// kernel's retransmission time, about a quarter of an hour.
constexpr unsigned kUnacknowledgedLimitMs = 2000;

constexpr int kWsaEWouldBlock = 10035;
constexpr int kWsaEAddrInUse = 10048;

std::mutex& LogPathMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& LogPath() {
    static std::string path;
    return path;
}

std::optional<sockaddr_in> SocketAddress(const std::string& address, int port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(static_cast<uint16_t>(port));
    if (address.empty()) {
        result.sin_addr.s_addr = htonl(INADDR_ANY);
    } else if (const std::optional<uint32_t> parsed = ParseIpv4(address)) {
        result.sin_addr.s_addr = htonl(*parsed);
    } else {
        return std::nullopt;
    }
    return result;
}

// True when wakeFd is readable; waits for events on fd at most timeoutMs.
bool PollWith(int fd, short events, int wakeFd, int timeoutMs, short& revents) {
    pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    int n;
    do {
        n = ::poll(fds, count, timeoutMs);
    } while (n < 0 && errno == EINTR);
    revents = fds[0].revents;
    return count == 2 && (fds[1].revents & POLLIN) != 0;
}

}  // namespace

int WsaErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return 0;
        case EINTR:
            return 10004;
        case EBADF:
            return 10038;  // WSAENOTSOCK
        case EACCES:
            return 10013;
        case EFAULT:
            return 10014;
        case EINVAL:
            return 10022;
        case EMFILE:
        case ENFILE:
            return 10024;
        case EAGAIN:
            return kWsaEWouldBlock;
        case EINPROGRESS:
            return 10036;
        case EALREADY:
            return 10037;
        case EMSGSIZE:
            return 10040;
        case EADDRINUSE:
            return kWsaEAddrInUse;
        case EADDRNOTAVAIL:
            return 10049;
        case ENETDOWN:
            return 10050;
        case ENETUNREACH:
            return 10051;
        case ENETRESET:
            return 10052;
        case ECONNABORTED:
            return 10053;
        case ECONNRESET:
        case EPIPE:
            return 10054;
        case ENOBUFS:
            return 10055;
        case EISCONN:
            return 10056;
        case ENOTCONN:
            return 10057;
        case ETIMEDOUT:
            return 10060;
        case ECONNREFUSED:
            return 10061;
        case EHOSTDOWN:
            return 10064;
        case EHOSTUNREACH:
            return 10065;
        default:
            return 10000 + error;
    }
}

const char* CloseErrorText(int wsaError) {
    switch (wsaError) {
        case 0:
            return "The function exited successfully.";
        case 10050:
            return "WSAENETDOWN The Windows Sockets implementation detected that the network "
                   "subsystem failed.";
        case 10053:
            return "WSAECONNABORTED The connection was aborted due to timeout or other failure.";
        case 10054:
            return "WSAECONNRESET The connection was reset by the remote side.";
        default:
            return "Unknown error.";
    }
}

void SetSocketLogPath(const std::string& path) {
    std::lock_guard lock(LogPathMutex());
    LogPath() = path;
}

CTCPSocket::~CTCPSocket() {
    Close();
}

void CTCPSocket::Log(const char* format, int number) const {
    std::lock_guard lock(LogPathMutex());
    if (LogPath().empty()) {
        return;
    }
    FILE* file = std::fopen(LogPath().c_str(), "a");
    if (file == nullptr) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[16];
    // The socket log is a diagnostic aid: a line it cannot write is not worth an error.
    (void)std::strftime(stamp, sizeof stamp, "[%H:%M:%S] ", &local);
    (void)std::fputs(stamp, file);
    (void)std::fputs(readerAddress_.c_str(), file);
    (void)std::fprintf(file, format, number);
    (void)std::fclose(file);
}

void CTCPSocket::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool CTCPSocket::CreateStream() {
    Close();
    datagramMode_ = false;
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) {
        return false;
    }
    const std::optional<sockaddr_in> local = SocketAddress(bindAddress_, 0);
    if (!local || ::bind(fd_, reinterpret_cast<const sockaddr*>(&*local), sizeof *local) != 0) {
        const int error = errno;
        Close();
        errno = error;
        return false;
    }
    const unsigned limit = kUnacknowledgedLimitMs;
    if (::setsockopt(fd_, IPPROTO_TCP, TCP_USER_TIMEOUT, &limit, sizeof limit) != 0) {
        Log(" SetSockOpt Err %d \n", WsaErrorFromErrno(errno));
    }
    return true;
}

int CTCPSocket::Connect(int wakeFd, int timeoutMs) {
    const std::optional<sockaddr_in> peer = SocketAddress(readerAddress_, tcpPort_);
    if (!peer || readerAddress_.empty()) {
        return 10049;
    }
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&*peer), sizeof *peer) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return WsaErrorFromErrno(errno);
    }
    short revents = 0;
    if (PollWith(fd_, POLLOUT, wakeFd, timeoutMs, revents)) {
        return 10004;  // interrupted: the connection is being stopped
    }
    if (revents == 0) {
        return 10060;
    }
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
    return WsaErrorFromErrno(error);
}

bool CTCPSocket::ConnectToReader(const std::string& name, int wakeFd) {
    const std::string resolved = ResolveReaderName(name, kDhcpLookupMs, *this);
    const size_t dash = resolved.rfind('-');
    if (dash != std::string::npos) {
        readerAddress_ = resolved.substr(0, dash);
        // Only a whole number 1..65535 is a port: "10.0.0.5-12ab" is refused, not cut to 12.
        char* end = nullptr;
        const long port = std::strtol(resolved.c_str() + dash + 1, &end, 10);
        if (end == resolved.c_str() + dash + 1 || *end != '\0' || port < 1 || port > 65535) {
            Log(" Connect Err %d \n", 10049);
            return false;
        }
        tcpPort_ = static_cast<int>(port);
    } else {
        readerAddress_ = resolved;
        tcpPort_ = kDefaultTcpPort;
    }
    SelectAdapterFor(readerAddress_);
    for (int attempt = 1; !CreateStream(); ++attempt) {
        Log(" Create Err %d \n", WsaErrorFromErrno(errno));
        if (attempt == kCreateAttempts) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kCreateRetryMs));
    }
    const int one = 1;
    if (::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
        Log(" SetSockOpt Err %d \n", WsaErrorFromErrno(errno));
    }
    for (int attempt = 1;; ++attempt) {
        const int error = Connect(wakeFd, kConnectTimeoutMs);
        if (error == 0) {
            connected_ = true;
            return true;
        }
        Log(" Connect Err %d \n", error);
        if (error != kWsaEAddrInUse || attempt == kConnectAttempts) {
            Close();
            return false;
        }
    }
}

bool CTCPSocket::EnsureConnected(int wakeFd) {
    if (connected_) {
        return true;
    }
    if (readerAddress_.empty()) {
        return false;
    }
    // Bound to any local port: a fixed local port equal to the reader's port would collide with
    // a listener or an earlier connection on this host.
    if (!CreateStream()) {
        Log(" Socket Create Error %d\n", WsaErrorFromErrno(errno));
        return false;
    }
    if (const int error = Connect(wakeFd, kReconnectTimeoutMs); error != 0) {
        Log(" Socket Connect Error %d\n", error);
        Close();
        return false;
    }
    Log("Socket %d reconnected\n", fd_);
    connected_ = true;
    return true;
}

bool CTCPSocket::SendFrame(const uint8_t* frame, size_t count, int wakeFd) {
    if (!EnsureConnected(wakeFd)) {
        return false;
    }
    size_t sent = 0;
    while (sent < count) {
        const ssize_t n =
            fd_ < 0 ? (errno = EBADF, -1) : ::send(fd_, frame + sent, count - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        short revents = 0;
        if (n < 0 && errno == EAGAIN && !PollWith(fd_, POLLOUT, wakeFd, kSendStallMs, revents) &&
            (revents & POLLOUT) != 0) {
            continue;
        }
        Log(" Socket Send Error %d\n", WsaErrorFromErrno(errno));
        HandleClose(0);
        return false;
    }
    return true;
}

bool CTCPSocket::CreateDatagram() {
    Close();
    datagramMode_ = true;
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) {
        return false;
    }
    // A socket bound to the adapter's own address would never see a reply sent as a broadcast
    // (to 255.255.255.255), which a reader outside the adapter's subnet may have to send. So
    // the socket is bound to any address and told the adapter: datagrams leave through it with
    // its address as the source, and IP_PKTINFO names the interface each one arrived on, so
    // that only those of the adapter's network are taken. (SO_BINDTODEVICE would do the same
    // but needs CAP_NET_RAW on older kernels.) An address no interface holds is bound as is.
    sendInterface_ = bindAddress_.empty() ? 0 : InterfaceHolding(bindAddress_).value_or(0);
    const std::optional<sockaddr_in> local =
        SocketAddress(sendInterface_ > 0 ? std::string() : bindAddress_, 0);
    const int one = 1;
    if (!local || ::bind(fd_, reinterpret_cast<const sockaddr*>(&*local), sizeof *local) != 0 ||
        ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0 ||
        ::setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &one, sizeof one) != 0) {
        Close();
        return false;
    }
    return true;
}

bool CTCPSocket::SendDatagram(const std::string& address, uint16_t port,
                              const std::vector<uint8_t>& bytes) {
    const std::optional<sockaddr_in> peer = SocketAddress(address, port);
    if (fd_ < 0 || !peer || address.empty()) {
        return false;
    }
    // A broadcast goes out through the adapter the socket is bound to, not along the default
    // route: each adapter's search reaches its own network.
    iovec io{const_cast<uint8_t*>(bytes.data()), bytes.size()};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&*peer);
    message.msg_namelen = sizeof *peer;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (sendInterface_ > 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = sendInterface_;
        info.ipi_spec_dst = SocketAddress(bindAddress_, 0).value_or(sockaddr_in{}).sin_addr;
        std::memcpy(CMSG_DATA(header), &info, sizeof info);
    }
    return ::sendmsg(fd_, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

std::optional<std::vector<uint8_t>> CTCPSocket::TakeDatagram() {
    std::lock_guard lock(queueLock_);
    if (datagrams_.empty()) {
        return std::nullopt;
    }
    std::vector<uint8_t> datagram = std::move(datagrams_.front());
    datagrams_.pop_front();
    return datagram;
}

bool CTCPSocket::DispatchEvents(int timeoutMs, int extraFd) {
    if (fd_ < 0) {
        short ignored = 0;
        if (extraFd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(timeoutMs, 0)));
            return false;
        }
        return PollWith(-1, 0, extraFd, timeoutMs, ignored);
    }
    short revents = 0;
    const bool woken = PollWith(fd_, POLLIN, extraFd, timeoutMs, revents);
    if (!datagramMode_ && (revents & (POLLERR | POLLHUP)) != 0) {
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
        HandleClose(WsaErrorFromErrno(error));
    } else if ((revents & (POLLIN | POLLERR)) != 0) {
        HandleReceive();
    }
    return woken;
}

void CTCPSocket::HandleReceive() {
    uint8_t buffer[kReceiveChunk];
    sockaddr_in sender{};
    int arrivedOn = 0;
    ssize_t n;
    if (datagramMode_) {
        n = ReceiveDatagram(fd_, buffer, sizeof buffer, sender, arrivedOn);
    } else {
        n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    }
    if (n > 0) {
        if (!datagramMode_) {
            if (sink_) {
                sink_(buffer, static_cast<size_t>(n));
            }
            return;
        }
        // Only datagrams of the adapter's own network count.
        if (sendInterface_ > 0 && arrivedOn != sendInterface_) {
            return;
        }
        // Datagrams from the own address (a broadcast looping back) are dropped.
        const uint32_t from = ntohl(sender.sin_addr.s_addr);
        if (FormatIpv4(from) == bindAddress_) {
            return;
        }
        std::vector<uint8_t> datagram = {
            static_cast<uint8_t>(from >> 24), static_cast<uint8_t>(from >> 16),
            static_cast<uint8_t>(from >> 8), static_cast<uint8_t>(from)};
        datagram.insert(datagram.end(), buffer, buffer + n);
        std::lock_guard lock(queueLock_);
        datagrams_.push_back(std::move(datagram));
        return;
    }
    if (n == 0 && !datagramMode_) {
        // The connected flag stays: the next send fails on the closed socket and clears it.
        Log(" Socket %d Receive 0\n", fd_);
        Close();
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (n < 0) {
        Log(" Socket Receive Err %d", WsaErrorFromErrno(errno));
        if (!datagramMode_) {
            Close();
        }
    }
}

void CTCPSocket::HandleClose(int wsaError) {
    Log(" Socket %d closed ", fd_);
    {
        std::lock_guard lock(LogPathMutex());
        if (!LogPath().empty()) {
            if (FILE* file = std::fopen(LogPath().c_str(), "a")) {
                (void)std::fputs(CloseErrorText(wsaError), file);
                (void)std::fclose(file);
            }
        }
    }
    Log(" Error (%d)\n", wsaError);
    connected_ = false;
    Close();
}

bool CTCPSocket::CollectAdapters() {
    adapters_ = ListAdapters();
    return !adapters_.empty();
}

bool CTCPSocket::SelectFirstAdapter() {
    if (adapters_.empty()) {
        return false;
    }
    bindAddress_ = adapters_.front().address;
    return true;
}

bool CTCPSocket::SelectNextAdapter() {
    if (adapters_.empty()) {
        return false;
    }
    if (bindAddress_.empty()) {
        bindAddress_ = adapters_.front().address;
        return true;
    }
    for (size_t i = 0; i + 1 < adapters_.size(); ++i) {
        if (adapters_[i].address == bindAddress_) {
            bindAddress_ = adapters_[i + 1].address;
            return true;
        }
    }
    return false;
}

bool CTCPSocket::SelectAdapterFor(const std::string& address) {
    if (adapters_.empty()) {
        CollectAdapters();
    }
    const std::optional<int32_t> best = BestInterfaceFor(address);
    const std::optional<uint32_t> reader = ParseIpv4(address);
    if (best && reader) {
        for (const CAdapter& adapter : adapters_) {
            const std::optional<uint32_t> own = ParseIpv4(adapter.address);
            const std::optional<uint32_t> mask = ParseIpv4(adapter.mask);
            if (adapter.index == *best && own && mask && (*own & *mask) == (*reader & *mask)) {
                bindAddress_ = adapter.address;
                return true;
            }
        }
    }
    SelectFirstAdapter();
    return false;
}

}  // namespace vesmor
