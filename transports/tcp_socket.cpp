#include "transports/tcp_socket.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "transports/lan_search.h"
#include "transports/socket_system.h"

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

std::mutex& LogPathMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& LogPath() {
    static std::string path;
    return path;
}

// The address of a dotted text in host order; empty text means any address.
std::optional<uint32_t> SocketAddress(const std::string& address) {
    return address.empty() ? std::optional<uint32_t>(0) : ParseIpv4(address);
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
    localtime_r(&now, &local);
    char stamp[16];
    // The socket log is a diagnostic aid: a line it cannot write is not worth an error.
    (void)std::strftime(stamp, sizeof stamp, "[%H:%M:%S] ", &local);
    (void)std::fputs(stamp, file);
    (void)std::fputs(readerAddress_.c_str(), file);
    (void)std::fprintf(file, format, number);
    (void)std::fclose(file);
}

void CTCPSocket::Close() {
    if (fd_ != kNoSocket) {
        CloseSocket(fd_);
        fd_ = kNoSocket;
    }
}

bool CTCPSocket::CreateStream() {
    Close();
    datagramMode_ = false;
    fd_ = OpenSocket(SocketKind::kStream);
    if (fd_ == kNoSocket) {
        createError_ = LastSocketError();
        return false;
    }
    const std::optional<uint32_t> local = SocketAddress(bindAddress_);
    if (!local || !BindSocket(fd_, *local, 0)) {
        createError_ = local ? LastSocketError() : kWsaEAddrNotAvail;
        Close();
        return false;
    }
    if (!LimitUnacknowledged(fd_, kUnacknowledgedLimitMs)) {
        Log(" SetSockOpt Err %d \n", LastSocketError());
    }
    return true;
}

int CTCPSocket::Connect(const WakeEvent* wake, int timeoutMs) {
    const std::optional<uint32_t> peer = SocketAddress(readerAddress_);
    if (!peer || readerAddress_.empty()) {
        return kWsaEAddrNotAvail;
    }
    const int started = StartConnect(fd_, *peer, static_cast<uint16_t>(tcpPort_));
    if (started != kWsaEInProgress) {
        return started;
    }
    short ready = 0;
    if (WaitSocket(fd_, kSocketWritable, wake, timeoutMs, ready)) {
        return kWsaEInterrupted;  // the connection is being stopped
    }
    if (ready == 0) {
        return kWsaETimedOut;
    }
    return PendingSocketError(fd_);
}

bool CTCPSocket::ConnectToReader(const std::string& name, const WakeEvent* wake) {
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
        Log(" Create Err %d \n", createError_);
        if (attempt == kCreateAttempts) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kCreateRetryMs));
    }
    if (!SetReuseAddress(fd_)) {
        Log(" SetSockOpt Err %d \n", LastSocketError());
    }
    for (int attempt = 1;; ++attempt) {
        const int error = Connect(wake, kConnectTimeoutMs);
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

bool CTCPSocket::EnsureConnected(const WakeEvent* wake) {
    if (connected_) {
        return true;
    }
    if (readerAddress_.empty()) {
        return false;
    }
    // Bound to any local port: a fixed local port equal to the reader's port would collide with
    // a listener or an earlier connection on this host.
    if (!CreateStream()) {
        Log(" Socket Create Error %d\n", createError_);
        return false;
    }
    if (const int error = Connect(wake, kReconnectTimeoutMs); error != 0) {
        Log(" Socket Connect Error %d\n", error);
        Close();
        return false;
    }
    Log("Socket %d reconnected\n", Handle());
    connected_ = true;
    return true;
}

bool CTCPSocket::SendFrame(const uint8_t* frame, size_t count, const WakeEvent* wake) {
    if (!EnsureConnected(wake)) {
        return false;
    }
    size_t sent = 0;
    while (sent < count) {
        const long n = fd_ == kNoSocket ? -1 : SendBytes(fd_, frame + sent, count - sent);
        const int error = fd_ == kNoSocket ? 10038 /* WSAENOTSOCK */ : LastSocketError();
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        short ready = 0;
        if (n < 0 && error == kWsaEWouldBlock &&
            !WaitSocket(fd_, kSocketWritable, wake, kSendStallMs, ready) &&
            (ready & kSocketWritable) != 0) {
            continue;
        }
        Log(" Socket Send Error %d\n", error);
        HandleClose(0);
        return false;
    }
    return true;
}

bool CTCPSocket::CreateDatagram() {
    Close();
    datagramMode_ = true;
    fd_ = OpenSocket(SocketKind::kDatagram);
    if (fd_ == kNoSocket) {
        return false;
    }
    // Datagrams leave through the adapter with its address as the source, and only those that
    // arrive on it are taken (BindDatagramToAdapter).
    sendInterface_ = bindAddress_.empty() ? 0 : InterfaceHolding(bindAddress_).value_or(0);
    const std::optional<uint32_t> local = SocketAddress(bindAddress_);
    if (!local || !BindDatagramToAdapter(fd_, *local, sendInterface_) || !SetBroadcast(fd_)) {
        Close();
        return false;
    }
    return true;
}

bool CTCPSocket::SendDatagram(const std::string& address, uint16_t port,
                              const std::vector<uint8_t>& bytes) {
    const std::optional<uint32_t> peer = SocketAddress(address);
    if (fd_ == kNoSocket || !peer || address.empty()) {
        return false;
    }
    return SendDatagramTo(fd_, *peer, port, bytes.data(), bytes.size(), sendInterface_,
                          SocketAddress(bindAddress_).value_or(0));
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

bool CTCPSocket::DispatchEvents(int timeoutMs, const WakeEvent* extra) {
    if (fd_ == kNoSocket) {
        short ignored = 0;
        if (extra == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(timeoutMs, 0)));
            return false;
        }
        return WaitSocket(kNoSocket, 0, extra, timeoutMs, ignored);
    }
    short ready = 0;
    const bool woken = WaitSocket(fd_, kSocketReadable, extra, timeoutMs, ready);
    if (!datagramMode_ && (ready & kSocketBroken) != 0) {
        HandleClose(PendingSocketError(fd_));
    } else if ((ready & (kSocketReadable | kSocketBroken)) != 0) {
        HandleReceive();
    }
    return woken;
}

void CTCPSocket::HandleReceive() {
    uint8_t buffer[kReceiveChunk];
    uint32_t from = 0;
    int arrivedOn = 0;
    const long n =
        ReceiveBytes(fd_, buffer, sizeof buffer, datagramMode_ ? &from : nullptr, &arrivedOn);
    const int error = n < 0 ? LastSocketError() : 0;
    if (n > 0) {
        if (!datagramMode_) {
            if (sink_) {
                sink_(buffer, static_cast<size_t>(n));
            }
            return;
        }
        // Only datagrams of the adapter's own network count.
        if (sendInterface_ > 0 && arrivedOn > 0 && arrivedOn != sendInterface_) {
            return;
        }
        // Datagrams from the own address (a broadcast looping back) are dropped.
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
        Log(" Socket %d Receive 0\n", Handle());
        Close();
        return;
    }
    if (n < 0 && (error == kWsaEWouldBlock || error == kWsaEInterrupted)) {
        return;
    }
    if (n < 0) {
        Log(" Socket Receive Err %d", error);
        if (!datagramMode_) {
            Close();
        }
    }
}

void CTCPSocket::HandleClose(int wsaError) {
    Log(" Socket %d closed ", Handle());
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
