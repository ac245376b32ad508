// vesmor-trace: the trace viewer. Listens on the trace channel and prints every text it
// receives from programs of its own user (of every user with --all-users), each line with the
// local time it arrived, until Ctrl-C.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "library/posix/trace_socket.h"
#include "library/trace.h"
#include "tools/trace/trace_printer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Connections that have not ended yet; with this many open, a new one pushes out the one that
// has been silent longest.
constexpr size_t kMaxClients = 256;
// A connection that sends nothing for this long is dropped: the library sends a whole text at
// once (within 50 ms), so only a stalled or hostile sender stays silent this long.
constexpr std::chrono::milliseconds kIdleLimit{1000};

volatile std::sig_atomic_t g_stop = 0;

void RequestStop(int /*signal*/) {
    g_stop = 1;
}

// Ctrl-C and SIGTERM stay blocked except while the viewer waits, so a stop request is never
// missed between two waits.
sigset_t InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    sigset_t stopSignals;
    sigset_t previous;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &stopSignals, &previous);
    sigdelset(&previous, SIGINT);
    sigdelset(&previous, SIGTERM);
    return previous;
}

int Listen(const std::string& channel) {
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (server < 0) {
        return -1;
    }
    sockaddr_un address{};
    const socklen_t length = vesmor::TraceChannelAddress(channel, address);
    if (::bind(server, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(server, SOMAXCONN) != 0) {
        ::close(server);
        return -1;
    }
    return server;
}

struct Client {
    int fd;
    std::string pieces;
    Clock::time_point lastHeard;
};

// Reads what a client sent; true when its connection has ended (the text is complete). Reads
// at most kReadsPerTurn times, so that one sender that never stops cannot keep the viewer from
// the others.
bool ReadClient(Client& client) {
    constexpr int kReadsPerTurn = 64;
    char buffer[4096];
    for (int reads = 0; reads < kReadsPerTurn; ++reads) {
        const ssize_t n = ::read(client.fd, buffer, sizeof buffer);
        if (n > 0) {
            const size_t room = vesmor::tools::kMaxTextBytes - client.pieces.size();
            client.pieces.append(buffer, std::min(static_cast<size_t>(n), room));
            client.lastHeard = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return !(n < 0 && errno == EAGAIN);
    }
    return false;
}

// Whether the sender of a connection runs as this user (or any user is accepted).
bool SenderAccepted(int fd, bool allUsers) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return allUsers || (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
                        peer.uid == ::geteuid());
}

class Viewer {
  public:
    Viewer(vesmor::tools::TracePrinter& printer, bool allUsers)
        : printer_(printer), allUsers_(allUsers) {}
    ~Viewer() {
        for (const Client& client : clients_) {
            ::close(client.fd);
        }
    }
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    const std::vector<Client>& Clients() const { return clients_; }

    // Takes the waiting connections, at most kMaxClients in one turn. A text that is already
    // complete when its connection is taken is printed at once, so a crowd of silent
    // connections does not hold it back.
    void Accept(int server) {
        for (size_t taken = 0; taken < kMaxClients; ++taken) {
            const int fd = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) {
                return;
            }
            if (!SenderAccepted(fd, allUsers_)) {
                ::close(fd);
                continue;
            }
            Client client{fd, {}, Clock::now()};
            if (ReadClient(client)) {
                Finish(client);
                continue;
            }
            if (clients_.size() >= kMaxClients) {
                const auto quietest = std::min_element(
                    clients_.begin(), clients_.end(),
                    [](const Client& a, const Client& b) { return a.lastHeard < b.lastHeard; });
                ::close(quietest->fd);
                clients_.erase(quietest);
            }
            clients_.push_back(std::move(client));
        }
    }

    // Reads the clients whose poll entry (`polled`: one per client, in the order of Clients())
    // reported something; prints the texts that ended and drops the connections silent for too
    // long.
    void Serve(const pollfd* polled) {
        const Clock::time_point now = Clock::now();
        std::vector<Client> open;
        for (size_t i = 0; i < clients_.size(); ++i) {
            Client& client = clients_[i];
            if (polled[i].revents != 0 && ReadClient(client)) {
                Finish(client);
            } else if (now - client.lastHeard >= kIdleLimit) {
                ::close(client.fd);
            } else {
                open.push_back(std::move(client));
            }
        }
        clients_ = std::move(open);
    }

    // How long poll may wait before the next silent connection is to be dropped.
    int PollTimeoutMs() const {
        if (clients_.empty()) {
            return -1;
        }
        Clock::time_point oldest = clients_.front().lastHeard;
        for (const Client& client : clients_) {
            oldest = std::min(oldest, client.lastHeard);
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(oldest + kIdleLimit - Clock::now());
        return static_cast<int>(std::max<long long>(left.count(), 0));
    }

  private:
    void Finish(const Client& client) {
        ::close(client.fd);
        timespec arrived{};
        ::clock_gettime(CLOCK_REALTIME, &arrived);
        printer_.Print(vesmor::DecodeTracePieces(client.pieces), arrived);
    }

    vesmor::tools::TracePrinter& printer_;
    bool allUsers_;
    std::vector<Client> clients_;
};

int Run(const std::string& channel, vesmor::tools::TracePrinter& printer, bool allUsers) {
    const sigset_t waitMask = InstallStopSignals();
    const int server = Listen(channel);
    if (server < 0) {
        std::fprintf(stderr, "vesmor-trace: cannot listen on \"%s\" (another viewer runs?)\n",
                     channel.c_str());
        return 1;
    }
    std::fprintf(stderr, "vesmor-trace: listening on \"%s\", Ctrl-C ends\n", channel.c_str());
    Viewer viewer(printer, allUsers);
    std::vector<pollfd> polled;
    while (g_stop == 0) {
        polled.clear();
        polled.push_back({server, POLLIN, 0});
        for (const Client& client : viewer.Clients()) {
            polled.push_back({client.fd, POLLIN, 0});
        }
        const int timeoutMs = viewer.PollTimeoutMs();
        timespec timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1'000'000L};
        if (::ppoll(polled.data(), polled.size(), timeoutMs < 0 ? nullptr : &timeout, &waitMask) <
            0) {
            continue;  // EINTR: the loop condition sees a stop request
        }
        viewer.Serve(polled.data() + 1);
        if ((polled[0].revents & POLLIN) != 0) {
            viewer.Accept(server);
        }
    }
    ::close(server);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "vesmor-trace: prints what libvesmor and VESMOR Tagforge trace (the calls that open "
        "and close readers, the stopwatch lines of a write, and, with `vesmor --trace`, every "
        "frame). The channel is the local socket \"VekTracer\", or the name in "
        "VESMOR_TRACE_CHANNEL.\n\nWho can send: every program on this machine (in the same "
        "network namespace) can connect to the channel. The viewer prints only what programs "
        "of its own user send, unless --all-users is given; even then a printed line shows what "
        "was sent, not who sent it. Control characters other than the line ends are printed as "
        "escapes (\\e, \\xHH), and a connection silent for 1 s is dropped."};
    std::optional<long long> handle;
    bool raw = false;
    bool allUsers = false;
    app.add_option("--handle", handle, "show frame dumps of this port handle only");
    app.add_flag("--raw", raw,
                 "print the texts with their own line ends, without time stamps (control "
                 "characters still as escapes)");
    app.add_flag("--all-users", allUsers,
                 "print what programs of other users send too (they can forge any line)");
    CLI11_PARSE(app, argc, argv);
    vesmor::tools::TracePrinter printer(stdout, raw, handle);
    return Run(vesmor::TraceChannelName(), printer, allUsers);
}
