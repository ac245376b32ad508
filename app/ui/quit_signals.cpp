#include "app/ui/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace tagforge::ui {

namespace {

// The handler writes the signal's number into this pipe; the event loop reads it.
int g_pipe[2] = {-1, -1};
std::atomic<int> g_pending[NSIG];
std::array<struct sigaction, std::size(QuitSignals::kSignals)> g_previous;

void OnSignal(int signal) {
    const int saved = errno;
    if (g_pending[signal].fetch_add(1) > 0) {
        // Not handled yet and sent again: end now, with the signal's own exit status.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void()> onQuit) : m_onQuit(std::move(onQuit)) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { Drain(); });
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        g_pending[kSignals[i]] = 0;
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(kSignals[i], &action, &g_previous[i]);
    }
}

QuitSignals::~QuitSignals() {
    if (m_notifier == nullptr) {
        return;
    }
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &g_previous[i], nullptr);
    }
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void QuitSignals::Drain() {
    unsigned char byte = 0;
    bool any = false;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        g_pending[byte] = 0;
        any = true;
    }
    if (any && m_onQuit) {
        m_onQuit();
    }
}

}  // namespace tagforge::ui
