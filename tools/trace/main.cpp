// vesmor-trace: the trace viewer. Listens on the trace channel and prints every text it
// receives, in the order received.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

int main() {
    const char kName[] = "VekTracer";
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, kName, sizeof kName - 1);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + sizeof kName);
    if (server < 0 || ::bind(server, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(server, 16) != 0) {
        std::perror("vesmor-trace: another viewer may be running");
        return 1;
    }
    for (;;) {
        const int client = ::accept(server, nullptr, nullptr);
        if (client < 0) {
            continue;
        }
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(client, buffer, sizeof buffer)) > 0) {
            // Texts arrive in 4-byte pieces padded with zero bytes; the padding is dropped.
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] != '\0') {
                    std::fputc(buffer[i], stdout);
                }
            }
        }
        std::fflush(stdout);
        ::close(client);
    }
}
