#include "sim/lan_server.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <stdexcept>

namespace vesmor::sim {

namespace {

constexpr uint16_t kConfigPort = 30718;
constexpr uint32_t kBroadcast = 0xFFFFFFFF;

bool IsLoopback(const std::string& address) {
    return address.starts_with("127.");
}

}  // namespace

LanServer::LanServer(const ReaderConfig& reader, const Options& options)
    : engine_(reader), device_(options.device), options_(options) {
    engine_.SetField(&field_);
    Bind();
    if (!wake_.Create()) {
        CloseSockets();
        throw std::runtime_error("no wake-up event for the server thread");
    }
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
    for (net::Socket& fd : clients_) {
        net::Close(fd);
    }
}

void LanServer::Bind() {
    const std::string& address = device_.Address();
    if (!device_.IsForeign()) {
        listener_ = net::ListenStream(address, device_.TcpPort());
    }
    if (!options_.configPort) {
        return;
    }
    unicast_ = net::BindDatagram(address, kConfigPort);
    if (options_.replyByBroadcast) {
        net::AllowBroadcast(unicast_);
    }
    // On a loopback address nobody broadcasts; elsewhere the search comes as a broadcast,
    // which on POSIX only a socket bound to any address receives.
    if (!IsLoopback(address) && !net::BoundDatagramHearsBroadcasts()) {
        broadcast_ = net::BindDatagram("0.0.0.0", kConfigPort);
        net::TellArrivalInterface(broadcast_);
        interface_ = net::InterfaceHolding(address);
    }
}

void LanServer::CloseSockets() {
    net::Close(listener_);
    net::Close(unicast_);
    net::Close(broadcast_);
}

void LanServer::Wake() {
    wake_.Signal();
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
    return listener_ != net::kNoSocket ? net::LocalPort(listener_) : device_.TcpPort();
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
    // Every answer leaves when the simulated reader sends it, not when the peer's
    // acknowledgement of the one before has come back: Accept turns Nagle's delay off.
    std::string peer;
    const net::Socket fd = net::Accept(listener_, peer);
    if (fd == net::kNoSocket) {
        return;
    }
    peers_.push_back(peer);
    clients_.push_back(fd);
    engine_.ResetParser();
}

void LanServer::DropClient(size_t index, PeerClose style) {
    net::Socket& fd = clients_[index];
    std::erase_if(delayed_, [&](const Delayed& d) { return d.fd == fd; });
    if (style == PeerClose::kReset) {
        net::CloseAbort(fd);
    } else {
        net::CloseOrderly(fd);
    }
}

void LanServer::ServeClient(size_t index) {
    uint8_t buffer[1024];
    const net::Socket fd = clients_[index];
    const long n = net::Receive(fd, buffer, sizeof buffer);
    if (n <= 0) {
        if (n != -1) {  // closed by the peer or broken; -1: nothing there yet
            std::erase_if(delayed_, [&](const Delayed& d) { return d.fd == fd; });
            net::Close(clients_[index]);
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

bool LanServer::SendAnswer(net::Socket fd, const Bytes& bytes) {
    net::Send(fd, bytes.data(), bytes.size());
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

void LanServer::ServeDatagram(net::Socket fd) {
    uint8_t buffer[1500];
    net::Endpoint sender;
    int arrivedOn = 0;
    const long n = net::ReceiveFrom(fd, buffer, sizeof buffer, sender, arrivedOn);
    if (n <= 0) {
        return;
    }
    // Every device on this host gets the broadcast; only the one on that interface answers
    // (where the system tells the interface).
    if (fd == broadcast_ && arrivedOn != 0 && arrivedOn != interface_) {
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

void LanServer::SendReply(const Bytes& reply, const net::Endpoint& to) {
    if (reply.empty() || unicast_ == net::kNoSocket) {
        return;
    }
    net::Endpoint target = to;
    if (options_.replyByBroadcast) {
        target.address = kBroadcast;
    }
    net::SendTo(unicast_, reply.data(), reply.size(), target);
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
    std::vector<bool> readable;
    for (;;) {
        std::vector<net::Socket> sockets;
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
            sockets = {listener_, unicast_, broadcast_};
            sockets.insert(sockets.end(), clients_.begin(), clients_.end());
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
        net::WaitReadable(sockets, wake_, timeoutMs, readable);
        std::lock_guard lock(mutex_);
        if (dropDue_ && std::chrono::steady_clock::now() >= *dropDue_) {
            dropDue_.reset();
            for (size_t i = 0; i < clients_.size(); ++i) {
                DropClient(i, options_.closeStyle);
            }
        }
        wake_.Reset();
        if (pendingDrop_ >= 0) {
            for (size_t i = 0; i < clients_.size(); ++i) {
                DropClient(i, static_cast<PeerClose>(pendingDrop_));
            }
            pendingDrop_ = -1;
        }
        if (vanished_) {
            CloseSockets();
        }
        // Sockets closed in this pass keep their slots in `sockets`; their events are stale.
        if (listener_ != net::kNoSocket && sockets[0] == listener_ && readable[0]) {
            Accept();
        }
        for (size_t k = 1; k <= 2; ++k) {
            if (sockets[k] != net::kNoSocket &&
                (sockets[k] == unicast_ || sockets[k] == broadcast_) && readable[k]) {
                ServeDatagram(sockets[k]);
            }
        }
        for (size_t k = 3; k < sockets.size(); ++k) {
            const size_t index = k - 3;
            if (index < clients_.size() && clients_[index] == sockets[k] &&
                sockets[k] != net::kNoSocket && readable[k]) {
                ServeClient(index);
            }
        }
        std::erase(clients_, net::kNoSocket);
        SendDueAnswers();
        SendDueFlood();
    }
}

}  // namespace vesmor::sim
