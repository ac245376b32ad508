#include "tests/app_update/https_server.h"

#include <QFile>
#include <QProcess>
#include <QSslSocket>
#include <QTimer>
#include <memory>

namespace tagforge::update::test {

bool MakeCertificate(const QString& directory, const QString& name) {
    const QString base = directory + "/" + name;
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", base + ".key",
                   "-out", base + ".crt", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1,DNS:localhost"});
    return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

bool HttpsTestServer::Start(const QString& directory, const QString& name) {
    QFile certificate(directory + "/" + name + ".crt");
    QFile key(directory + "/" + name + ".key");
    if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly)) {
        return false;
    }
    m_certificate = QSslCertificate(&certificate, QSsl::Pem);
    m_key = QSslKey(&key, QSsl::Rsa, QSsl::Pem);
    return !m_certificate.isNull() && !m_key.isNull() && listen(QHostAddress::LocalHost);
}

QUrl HttpsTestServer::Url(const QString& path) const {
    return QUrl(QString("https://127.0.0.1:%1%2").arg(serverPort()).arg(path));
}

void HttpsTestServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    auto request = std::make_shared<QByteArray>();
    connect(socket, &QSslSocket::readyRead, socket, [this, socket, request] {
        request->append(socket->readAll());
        if (!request->contains("\r\n\r\n")) {
            return;
        }
        const QList<QByteArray> words = request->left(request->indexOf("\r\n")).split(' ');
        const QString path = words.size() >= 2 ? QString::fromLatin1(words[1]) : QString();
        request->clear();
        ++m_requests[path];
        Reply(*socket, path);
    });
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QSslSocket::errorOccurred, socket, [socket] { socket->deleteLater(); });
    socket->startServerEncryption();
}

void HttpsTestServer::Reply(QSslSocket& connection, const QString& path) {
    QSslSocket* socket = &connection;
    const Answer answer = m_answers.value(path, {404, "<html>Not Found</html>", -1, 0, {}});
    QByteArray bytes = QString(
                           "HTTP/1.1 %1 X\r\nContent-Type: text/plain\r\n"
                           "Content-Length: %2\r\nConnection: close\r\n")
                           .arg(answer.status)
                           .arg(answer.announced >= 0 ? answer.announced : answer.body.size())
                           .toLatin1();
    if (!answer.location.isEmpty()) {
        bytes += "Location: " + answer.location + "\r\n";
    }
    bytes += "\r\n";
    const QByteArray body = answer.cutAfter >= 0 ? answer.body.left(answer.cutAfter) : answer.body;
    if (answer.trickleMs > 0) {
        socket->write(bytes);
        auto* trickle = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(trickle, &QTimer::timeout, socket, [socket, trickle, body, sent] {
            if (*sent >= body.size() || socket->state() != QAbstractSocket::ConnectedState) {
                trickle->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid((*sent)++, 1));
        });
        trickle->start(answer.trickleMs);
        return;
    }
    bytes += body;
    QTimer::singleShot(answer.delayMs, socket, [socket, bytes] {
        socket->write(bytes);
        socket->disconnectFromHost();
    });
}

quint16 UnusedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

}  // namespace tagforge::update::test
