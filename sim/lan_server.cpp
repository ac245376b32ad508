#include "sim/lan_server.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "transports/lan_adapters.h"
#include "transports/posix/lan_datagram.h"

namespace vesmor::sim {

namespace {

constexpr uint16_t kConfigPort = 30718;

sockaddr_in Endpoint(const std::string& address, int port) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr);
    return endpoint;
}

int BoundSocket(int type, const std::string& address, int port) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in endpoint = Endpoint(address, port);
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

int LocalPort(int fd) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

int InterfaceHolding(const std::string& address) {
    ifaddrs* list = nullptr;
    int index = 0;
    if (::getifaddrs(&list) != 0) {
        return 0;
    }
    const sockaddr_in wanted = Endpoint(address, 0);
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

bool IsLoopback(const std::string& address) {
    return address.starts_with("127.");
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

LanServer::LanServer(const ReaderConfig& reader, const Options& options)
    : engine_(reader), device_(options.device), options_(options) {
    engine_.SetField(&field_);
    Bind();
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread(&LanServer::Run, this);
}

LanServer::~LanServer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    Wake();
    thread_.join();
    CloseSockets();
    for (int& fd : clients_) {
        CloseFd(fd);
    }
    CloseFd(wake_);
}

void LanServer::Bind() {
    const std::string& address = device_.Address();
    if (!device_.IsForeign()) {
        listener_ = BoundSocket(SOCK_STREAM, address, device_.TcpPort());
    }
    if (!options_.configPort) {
        return;
    }
    unicast_ = BoundSocket(SOCK_DGRAM, address, kConfigPort);
    if (options_.replyByBroadcast && unicast_ >= 0) {
        const int one = 1;
        ::setsockopt(unicast_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    }
    // On a loopback address nobody broadcasts; elsewhere the search comes as a broadcast,
    // which only a socket bound to any address receives.
    if (!IsLoopback(address)) {
        broadcast_ = BoundSocket(SOCK_DGRAM, "0.0.0.0", kConfigPort);
        const int one = 1;
        ::setsockopt(broadcast_, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
        interface_ = InterfaceHolding(address);
    }
}

void LanServer::CloseSockets() {
    CloseFd(listener_);
    CloseFd(unicast_);
    CloseFd(broadcast_);
}

void LanServer::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
}

void LanServer::SetFaults(const Faults& faults) {
    std::lock_guard lock(mutex_);
    engine_.SetFaults(faults);
}

std::string LanServer::Address() const {
    std::lock_guard lock(mutex_);
    return device_.Address();
}

int LanServer::TcpPort() const {
    std::lock_guard lock(mutex_);
    return listener_ >= 0 ? LocalPort(listener_) : device_.TcpPort();
}

std::vector<Bytes> LanServer::ConfigRequests() const {
    std::lock_guard lock(mutex_);
    return configRequests_;
}

std::vector<std::string> LanServer::PeerAddresses() const {
    std::lock_guard lock(mutex_);
    return peers_;
}

int LanServer::Answers() const {
    std::lock_guard lock(mutex_);
    return answers_;
}

void LanServer::DropConnections(PeerClose style) {
    {
        std::lock_guard lock(mutex_);
        pendingDrop_ = static_cast<int>(style);
    }
    Wake();
    // Done when the server thread has taken the request.
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (pendingDrop_ < 0) {
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void LanServer::Vanish() {
    {
        std::lock_guard lock(mutex_);
        vanished_ = true;
    }
    DropConnections(PeerClose::kFin);
}

void LanServer::Accept() {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return;
    }
    ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    peers_.push_back(text);
    // Every answer leaves when the simulated reader sends it, not when the peer's
    // acknowledgement of the one before has come back.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    clients_.push_back(fd);
    engine_.ResetParser();
}

void LanServer::DropClient(size_t index, PeerClose style) {
    int& fd = clients_[index];
    std::erase_if(delayed_, [&](const Delayed& d) { return d.fd == fd; });
    if (style == PeerClose::kReset) {
        const linger abort{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    } else {
        ::shutdown(fd, SHUT_RDWR);
    }
    CloseFd(fd);
}

void LanServer::ServeClient(size_t index) {
    uint8_t buffer[1024];
    const int fd = clients_[index];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            std::erase_if(delayed_, [&](const Delayed& d) { return d.fd == fd; });
            CloseFd(clients_[index]);
        }
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    for (const Reply& reply : engine_.OnBytes(buffer, static_cast<size_t>(n))) {
        if (reply.delayMs > 0) {
            delayed_.push_back({now + std::chrono::milliseconds(reply.delayMs), fd, reply.bytes});
        } else if (!SendAnswer(fd, reply.bytes)) {
            return;
        }
    }
}

bool LanServer::SendAnswer(int fd, const Bytes& bytes) {
    [[maybe_unused]] const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    ++answers_;
    if (options_.closeAfter > 0 && answers_ == options_.closeAfter && !closedOnce_) {
        closedOnce_ = true;
        // An abort discards what the peer has not read yet: the answer is let through first.
        dropDue_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        return false;
    }
    return true;
}

void LanServer::SendDueAnswers() {
    const auto now = std::chrono::steady_clock::now();
    std::stable_sort(delayed_.begin(), delayed_.end(),
                     [](const Delayed& a, const Delayed& b) { return a.due < b.due; });
    while (!delayed_.empty() && delayed_.front().due <= now) {
        const Delayed answer = std::move(delayed_.front());
        delayed_.erase(delayed_.begin());
        // Only to a connection that is still the one the request came on.
        if (std::find(clients_.begin(), clients_.end(), answer.fd) != clients_.end()) {
            SendAnswer(answer.fd, answer.bytes);
        }
    }
}

void LanServer::ServeDatagram(int fd) {
    uint8_t buffer[1500];
    sockaddr_in sender{};
    int arrivedOn = 0;
    const long n = ReceiveDatagram(fd, buffer, sizeof buffer, sender, arrivedOn);
    if (n <= 0) {
        return;
    }
    // Every device on this host gets the broadcast; only the one on that interface answers.
    if (fd == broadcast_ && arrivedOn != interface_) {
        return;
    }
    const Bytes request(buffer, buffer + n);
    configRequests_.push_back(request);
    const auto is = [&](const Bytes& head) {
        return request.size() >= head.size() &&
               std::equal(head.begin(), head.end(), request.begin());
    };
    if ((!options_.answerPing && request == Bytes{0x00, 0x01, 0x00, 0xF6}) ||
        (options_.ignoreIpSetup && is({0x00, 0x00, 0x00, 0xFC}))) {
        return;
    }
    const LanDevice::Outcome outcome = device_.OnDatagram(request);
    SendReply(outcome.reply, sender);
    if (options_.floodMs > 0 && request == Bytes{0x00, 0x01, 0x00, 0xF8}) {
        const auto now = std::chrono::steady_clock::now();
        flood_ = Flood{outcome.reply, sender, now + std::chrono::milliseconds(options_.floodMs),
                       now + std::chrono::milliseconds(options_.floodForMs)};
    }
    Apply(outcome);
}

void LanServer::SendReply(const Bytes& reply, const sockaddr_in& to) {
    if (reply.empty() || unicast_ < 0) {
        return;
    }
    sockaddr_in target = to;
    if (options_.replyByBroadcast) {
        target.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    }
    ::sendto(unicast_, reply.data(), reply.size(), MSG_NOSIGNAL,
             reinterpret_cast<const sockaddr*>(&target), sizeof target);
}

void LanServer::SendDueFlood() {
    const auto now = std::chrono::steady_clock::now();
    if (!flood_ || now < flood_->next) {
        return;
    }
    if (now >= flood_->until || vanished_) {
        flood_.reset();
        return;
    }
    SendReply(flood_->reply, flood_->to);
    flood_->next = now + std::chrono::milliseconds(options_.floodMs);
}

void LanServer::Apply(const LanDevice::Outcome& outcome) {
    if (!outcome.moveTo && !outcome.tcpPort) {
        return;
    }
    CloseSockets();
    try {
        Bind();
    } catch (const std::exception& error) {
        std::cerr << "vesmor-sim: " << error.what() << std::endl;
    }
}

void LanServer::Run() {
    for (;;) {
        std::vector<pollfd> fds = {{wake_, POLLIN, 0}};
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
            for (const int fd : {listener_, unicast_, broadcast_}) {
                fds.push_back({fd, POLLIN, 0});
            }
            for (const int fd : clients_) {
                fds.push_back({fd, POLLIN, 0});
            }
        }
        int timeoutMs = -1;
        {
            std::lock_guard lock(mutex_);
            std::optional<std::chrono::steady_clock::time_point> next = dropDue_;
            if (flood_ && (!next || flood_->next < *next)) {
                next = flood_->next;
            }
            for (const Delayed& d : delayed_) {
                if (!next || d.due < *next) {
                    next = d.due;
                }
            }
            if (next) {
                timeoutMs = static_cast<int>(
                    std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                             *next - std::chrono::steady_clock::now())
                                                 .count() +
                                             1));
            }
        }
        ::poll(fds.data(), fds.size(), timeoutMs);
        std::lock_guard lock(mutex_);
        if (dropDue_ && std::chrono::steady_clock::now() >= *dropDue_) {
            dropDue_.reset();
            for (size_t i = 0; i < clients_.size(); ++i) {
                DropClient(i, options_.closeStyle);
            }
        }
        if (fds[0].revents & POLLIN) {
            uint64_t value;
            [[maybe_unused]] const ssize_t n = ::read(wake_, &value, sizeof value);
        }
        if (pendingDrop_ >= 0) {
            for (size_t i = 0; i < clients_.size(); ++i) {
                DropClient(i, static_cast<PeerClose>(pendingDrop_));
            }
            pendingDrop_ = -1;
        }
        if (vanished_) {
            CloseSockets();
        }
        // Descriptors closed in this pass keep their slots in fds; their events are stale.
        if (listener_ >= 0 && fds[1].fd == listener_ && (fds[1].revents & POLLIN)) {
            Accept();
        }
        for (size_t k = 2; k <= 3; ++k) {
            if (fds[k].fd >= 0 && (fds[k].fd == unicast_ || fds[k].fd == broadcast_) &&
                (fds[k].revents & POLLIN)) {
                ServeDatagram(fds[k].fd);
            }
        }
        for (size_t k = 4; k < fds.size(); ++k) {
            const size_t index = k - 4;
            if (index < clients_.size() && clients_[index] == fds[k].fd && fds[k].fd >= 0 &&
                (fds[k].revents & (POLLIN | POLLHUP | POLLERR))) {
                ServeClient(index);
            }
        }
        std::erase(clients_, -1);
        SendDueAnswers();
        SendDueFlood();
    }
}

}  // namespace vesmor::sim
