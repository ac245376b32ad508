// vesmor-trace: the trace viewer. Listens on the trace channel and prints every text it
// receives, each line with the local time it arrived, until Ctrl-C.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
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

// Connections that have not ended yet; beyond this many the viewer stops accepting for a while.
constexpr size_t kMaxClients = 256;

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
};

// Reads what a client sent; true when its connection has ended (the text is complete).
bool ReadClient(Client& client) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(client.fd, buffer, sizeof buffer);
        if (n > 0) {
            const size_t room = vesmor::tools::kMaxTextBytes - client.pieces.size();
            client.pieces.append(buffer, std::min(static_cast<size_t>(n), room));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return !(n < 0 && errno == EAGAIN);
    }
}

void AcceptClients(int server, std::vector<Client>& clients) {
    while (clients.size() < kMaxClients) {
        const int fd = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;
        }
        clients.push_back({fd, {}});
    }
}

int Run(const std::string& channel, vesmor::tools::TracePrinter& printer) {
    const sigset_t waitMask = InstallStopSignals();
    const int server = Listen(channel);
    if (server < 0) {
        std::fprintf(stderr, "vesmor-trace: cannot listen on \"%s\" (another viewer runs?)\n",
                     channel.c_str());
        return 1;
    }
    std::fprintf(stderr, "vesmor-trace: listening on \"%s\", Ctrl-C ends\n", channel.c_str());
    std::vector<Client> clients;
    std::vector<pollfd> polled;
    while (g_stop == 0) {
        polled.clear();
        polled.push_back(
            {server, static_cast<short>(clients.size() < kMaxClients ? POLLIN : 0), 0});
        for (const Client& client : clients) {
            polled.push_back({client.fd, POLLIN, 0});
        }
        if (::ppoll(polled.data(), polled.size(), nullptr, &waitMask) < 0) {
            continue;  // EINTR: the loop condition sees a stop request
        }
        std::vector<Client> open;
        for (size_t i = 0; i < clients.size(); ++i) {
            if (polled[i + 1].revents == 0 || !ReadClient(clients[i])) {
                open.push_back(std::move(clients[i]));
                continue;
            }
            ::close(clients[i].fd);
            timespec arrived{};
            ::clock_gettime(CLOCK_REALTIME, &arrived);
            printer.Print(vesmor::DecodeTracePieces(clients[i].pieces), arrived);
        }
        clients = std::move(open);
        if ((polled[0].revents & POLLIN) != 0) {
            AcceptClients(server, clients);
        }
    }
    for (const Client& client : clients) {
        ::close(client.fd);
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
        "VESMOR_TRACE_CHANNEL."};
    std::optional<long long> handle;
    bool raw = false;
    app.add_option("--handle", handle, "show frame dumps of this port handle only");
    app.add_flag("--raw", raw, "print the texts exactly as received, without time stamps");
    CLI11_PARSE(app, argc, argv);
    vesmor::tools::TracePrinter printer(stdout, raw, handle);
    return Run(vesmor::TraceChannelName(), printer);
}
