#pragma once
// One download over HTTPS with Qt Network, blocking the calling thread in a local event loop:
// certificate verification on (plus an optional extra CA file), never from a cache, no
// conversion of the bytes, redirects only to addresses that are allowed themselves.

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

class QEventLoop;

namespace tagforge::update {

// Ends a running Fetch from another thread (at program exit).
class FetchCancel {
  public:
    void Cancel();
    bool Cancelled() const;
    // Waits `duration` or until cancelled, without spinning.
    void Pause(std::chrono::milliseconds duration);

  private:
    friend class FetchLoopScope;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    QEventLoop* m_loop = nullptr;
    bool m_cancelled = false;
};

struct FetchOptions {
    QString caFile;  // PEM certificates trusted in addition to the system's; empty for none
    QByteArray agent = "VESMOR Tagforge";
    // A transfer that brings no byte for this long has stalled and fails.
    std::chrono::milliseconds inactivityTimeout{15000};
    // A transfer not complete after this long fails, however slowly it still moves; 0: no limit.
    std::chrono::milliseconds overallTimeout{0};
    // A body longer than this (or announced longer by its Content-Length) fails as soon as that
    // is known; -1: no limit.
    qint64 maxBytes = -1;
    // Told the bytes received so far and the announced total (-1 when not announced).
    std::function<void(qint64 received, qint64 total)> progress;
    // Loop flags of the wait; the user-interface thread excludes user input while it downloads.
    bool excludeUserInput = false;
    FetchCancel* cancel = nullptr;
};

enum class FetchResult {
    kComplete,     // every byte arrived
    kServerError,  // the server answered with an error status; its body was delivered
    kRefused,      // the address (or a redirect) is not allowed
    kFailed,       // no connection, a certificate refused, a cut transfer, a timeout, too big
    kStopped,      // the sink refused more bytes, or the fetch was cancelled
};

// Fetches `address` and hands every piece of the body to `sink`; a sink that returns false
// stops the transfer.
FetchResult Fetch(const QUrl& address, const FetchOptions& options,
                  const std::function<bool(const QByteArray&)>& sink);

// Whether `address` may be fetched (https, http to loopback, never ".invalid").
bool AddressAllowed(const QUrl& address);

}  // namespace tagforge::update
