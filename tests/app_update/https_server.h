#pragma once
// A small HTTPS server on 127.0.0.1 for the update tests: fixed answers by path, counted
// requests, answers that are late or cut in the middle. Certificates are made at test time with
// the openssl command.

#include <QByteArray>
#include <QMap>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QSslSocket;

namespace tagforge::update::test {

// A self-signed certificate for 127.0.0.1 and localhost, written as `name`.crt and `name`.key
// into `directory`. False when openssl is missing or failed.
bool MakeCertificate(const QString& directory, const QString& name);

class HttpsTestServer final : public QTcpServer {
  public:
    struct Answer {
        int status = 200;
        QByteArray body;
        qint64 cutAfter = -1;   // >= 0: the connection ends after this many body bytes
        int delayMs = 0;        // the answer is sent this late
        QByteArray location;    // a "Location" header (for a redirect status)
        qint64 announced = -1;  // >= 0: the Content-Length sent instead of the body's size
        int trickleMs = 0;      // > 0: the body goes one byte every this many ms
    };

    // Listens on a free loopback port with the certificate `name` from `directory`.
    bool Start(const QString& directory, const QString& name);
    void SetAnswer(const QString& path, Answer answer) { m_answers[path] = std::move(answer); }
    int Requests(const QString& path) const { return m_requests.value(path); }
    QUrl Url(const QString& path) const;

  protected:
    void incomingConnection(qintptr descriptor) override;

  private:
    void Reply(QSslSocket& socket, const QString& path);

    QSslCertificate m_certificate;
    QSslKey m_key;
    QMap<QString, Answer> m_answers;
    QMap<QString, int> m_requests;
};

// A loopback port nobody listens on.
quint16 UnusedPort();

}  // namespace tagforge::update::test
