#include "app/update/fetch.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>

#include "app/update/version_check.h"

namespace tagforge::update {

// Makes the running loop reachable for FetchCancel while it runs.
class FetchLoopScope {
  public:
    FetchLoopScope(FetchCancel* cancel, QEventLoop& loop) : m_cancel(cancel) {
        if (m_cancel != nullptr) {
            const std::lock_guard lock(m_cancel->m_mutex);
            m_cancel->m_loop = &loop;
        }
    }
    ~FetchLoopScope() {
        if (m_cancel != nullptr) {
            const std::lock_guard lock(m_cancel->m_mutex);
            m_cancel->m_loop = nullptr;
        }
    }
    FetchLoopScope(const FetchLoopScope&) = delete;
    FetchLoopScope& operator=(const FetchLoopScope&) = delete;

  private:
    FetchCancel* m_cancel;
};

void FetchCancel::Cancel() {
    const std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_wake.notify_all();
    if (m_loop != nullptr) {
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
    }
}

bool FetchCancel::Cancelled() const {
    const std::lock_guard lock(m_mutex);
    return m_cancelled;
}

void FetchCancel::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, duration, [this] { return m_cancelled; });
}

namespace {

bool IsLoopback(const QUrl& address) {
    const QString host = address.host();
    return host == "localhost" || QHostAddress(host).isLoopback();
}

QNetworkRequest MakeRequest(const QUrl& address, const FetchOptions& options) {
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // The bytes as the server keeps them: no compressed transfer to be unpacked.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setHeader(QNetworkRequest::UserAgentHeader, options.agent);
    request.setTransferTimeout(static_cast<int>(options.inactivityTimeout.count()));
    request.setMaximumRedirectsAllowed(5);
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!options.caFile.isEmpty()) {
        ssl.addCaCertificates(QSslCertificate::fromPath(options.caFile, QSsl::Pem));
    }
    request.setSslConfiguration(ssl);
    return request;
}

// An error the server answered with (a status and usually an error page), as opposed to a
// transfer that failed.
bool IsServerAnswer(const QNetworkReply& reply) {
    const int error = reply.error();
    const bool contentOrServer =
        (error >= QNetworkReply::ContentAccessDenied &&
         error <= QNetworkReply::UnknownContentError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return contentOrServer && reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
}

}  // namespace

bool AddressAllowed(const QUrl& address) {
    return address.isValid() && address.userInfo().isEmpty() &&
           update::AddressAllowed(address.scheme().toLower().toStdString(),
                                  address.host().toLower().toStdString());
}

FetchResult Fetch(const QUrl& address, const FetchOptions& options,
                  const std::function<bool(const QByteArray&)>& sink) {
    if (!AddressAllowed(address)) {
        return FetchResult::kRefused;
    }
    QNetworkAccessManager manager;
    manager.setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
    if (IsLoopback(address)) {
        manager.setProxy(QNetworkProxy::NoProxy);
    } else {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
    }
    QNetworkReply* reply = manager.get(MakeRequest(address, options));
    bool refused = false;
    bool stopped = false;
    bool failed = false;  // too big, or over the overall time
    qint64 received = 0;
    const auto fail = [&] {
        failed = true;
        reply->abort();
    };
    const auto deliver = [&] {
        const QByteArray piece = reply->readAll();
        received += piece.size();
        if (options.maxBytes >= 0 && received > options.maxBytes) {
            fail();
        } else if (!piece.isEmpty() && !stopped && !failed && !sink(piece)) {
            stopped = true;
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, deliver);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (options.maxBytes >= 0 && length.isValid() && length.toLongLong() > options.maxBytes) {
            fail();
        }
    });
    if (options.progress) {
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                         [&](qint64 bytes, qint64 total) { options.progress(bytes, total); });
    }
    if (options.overallTimeout.count() > 0) {
        QTimer::singleShot(options.overallTimeout, reply, fail);
    }
    QObject::connect(reply, &QNetworkReply::redirected, reply, [&](const QUrl& target) {
        if (AddressAllowed(target)) {
            emit reply->redirectAllowed();
        } else {
            refused = true;
            reply->abort();
        }
    });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    {
        const FetchLoopScope scope(options.cancel, loop);
        const bool cancelled = options.cancel != nullptr && options.cancel->Cancelled();
        if (!reply->isFinished() && !cancelled) {
            loop.exec(options.excludeUserInput ? QEventLoop::ExcludeUserInputEvents
                                               : QEventLoop::AllEvents);
        }
    }
    if (!reply->isFinished()) {  // cancelled
        reply->abort();
        return FetchResult::kStopped;
    }
    if (refused) {
        return FetchResult::kRefused;
    }
    if (failed) {
        return FetchResult::kFailed;
    }
    if (!stopped) {
        deliver();
    }
    if (failed) {
        return FetchResult::kFailed;
    }
    if (stopped) {
        return FetchResult::kStopped;
    }
    if (reply->error() == QNetworkReply::NoError) {
        // A transfer that ended before its announced length is cut, whatever the socket said.
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        return length.isValid() && length.toLongLong() != received ? FetchResult::kFailed
                                                                   : FetchResult::kComplete;
    }
    return IsServerAnswer(*reply) ? FetchResult::kServerError : FetchResult::kFailed;
}

}  // namespace tagforge::update
