#pragma once
// SIGTERM (a desktop logout, a shutdown, `kill`), SIGHUP (the session or terminal went away) and
// SIGINT (Ctrl-C in the terminal the program was started from) become a call on the event loop,
// so that the program ends as "Schliessen" ends it: settings saved, port closed.

#include <QObject>
#include <csignal>
#include <functional>

class QSocketNotifier;

namespace tagforge::ui {

class QuitSignals final : public QObject {
  public:
    // `onQuit` runs on the thread of the event loop, once per signal. A second signal of the same
    // kind before the event loop took the first ends the program at once: a loop that does not
    // answer cannot close the window anyway.
    explicit QuitSignals(std::function<void()> onQuit);
    // Restores the handlers that were installed before.
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // The signals handled.
    static constexpr int kSignals[] = {SIGINT, SIGHUP, SIGTERM};

  private:
    void Drain();

    std::function<void()> m_onQuit;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace tagforge::ui
