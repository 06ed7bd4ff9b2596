#include "transport/mailsocket.h"

#include <QSslSocket>
#include <algorithm>
#include <chrono>
#include <limits>

MailSocket::MailSocket(Timeouts timeouts, const CertificateTrust& trust)
    : timeouts_(timeouts), trust_(trust) {}

MailSocket::~MailSocket() = default;

bool MailSocket::fail(const QString& text) {
    error_ = text;
    close();
    return false;
}

bool MailSocket::failFromSocket() {
    const QString detail = socket_ ? socket_->errorString() : QString();
    switch (socket_ ? socket_->error() : QAbstractSocket::UnknownSocketError) {
    case QAbstractSocket::HostNotFoundError:
        return fail(QStringLiteral("サーバー「%1」が見つかりません。(%2)").arg(serverText_, detail));
    case QAbstractSocket::ConnectionRefusedError:
        return fail(QStringLiteral("サーバー「%1」に接続できません。(%2)").arg(serverText_, detail));
    case QAbstractSocket::SocketTimeoutError:
        if (socket_->state() != QAbstractSocket::ConnectedState)
            return fail(QStringLiteral("サーバー「%1」に接続できません。(%2)").arg(serverText_, detail));
        return fail(QStringLiteral("サーバー「%1」から応答がありません。(%2)").arg(serverText_, detail));
    case QAbstractSocket::RemoteHostClosedError:
        return fail(QStringLiteral("サーバー「%1」との接続が切れました。").arg(serverText_));
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return fail(QStringLiteral("サーバー「%1」と暗号化 (TLS) の通信を始められませんでした。(%2)")
                        .arg(serverText_, detail));
    default:
        return fail(QStringLiteral("サーバー「%1」との通信に失敗しました。(%2)").arg(serverText_, detail));
    }
}

bool MailSocket::open(const ServerAddress& address, const QString& serverText) {
    close();
    error_.clear();
    host_ = address.host;
    serverText_ = serverText;
    socket_ = std::make_unique<QSslSocket>();
    // Errors are collected, not acted on, during the handshake; the decision
    // comes after it (acceptCertificate), before a byte is sent.
    QObject::connect(socket_.get(), &QSslSocket::sslErrors, socket_.get(),
                     [s = socket_.get()] { s->ignoreSslErrors(); });
    if (address.tlsFromStart) {
        if (!QSslSocket::supportsSsl())
            return fail(QStringLiteral("暗号化 (TLS) が使えません。OpenSSL が見つかりません。"));
        socket_->connectToHostEncrypted(address.host, quint16(address.port));
        if (!socket_->waitForConnected(timeouts_.connectMillis))
            return failFromSocket();
        lowDelay();
        if (!socket_->waitForEncrypted(timeouts_.idleMillis))
            return failFromSocket();
        return acceptCertificate();
    }
    socket_->connectToHost(address.host, quint16(address.port));
    if (!socket_->waitForConnected(timeouts_.connectMillis))
        return failFromSocket();
    lowDelay();
    return true;
}

void MailSocket::lowDelay() {
    // Pipelined commands are small writes that must not wait for an ACK.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

bool MailSocket::startTls() {
    if (!isOpen())
        return false;
    if (!QSslSocket::supportsSsl())
        return fail(QStringLiteral("暗号化 (TLS) が使えません。OpenSSL が見つかりません。"));
    // Whatever the server sent after its answer to STLS is not to be trusted.
    (void)socket_->readAll();
    socket_->startClientEncryption();
    if (!socket_->waitForEncrypted(timeouts_.idleMillis))
        return failFromSocket();
    return acceptCertificate();
}

bool MailSocket::acceptCertificate() {
    const Status accepted = trust_.check(host_, socket_->peerCertificate(), socket_->sslHandshakeErrors());
    if (!accepted)
        return fail(accepted.error());
    return true;
}

bool MailSocket::isOpen() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

bool MailSocket::isEncrypted() const {
    return socket_ && socket_->isEncrypted();
}

QSslCertificate MailSocket::peerCertificate() const {
    return isEncrypted() ? socket_->peerCertificate() : QSslCertificate();
}

void MailSocket::write(const QByteArray& bytes) {
    out_ += bytes;
}

bool MailSocket::flush() {
    if (out_.isEmpty())
        return true;
    if (!isOpen())
        return failFromSocket();
    if (socket_->write(out_) != out_.size())
        return failFromSocket();
    out_.clear();
    socket_->flush();
    return true;
}

qint64 MailSocket::nowMillis() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool MailSocket::readSome(QByteArray& buffer, qint64 max, qint64 untilMillis) {
    if (!socket_)
        return false;
    if (!flush())
        return false;
    while (socket_->bytesAvailable() == 0) {
        const qint64 left = untilMillis - nowMillis();
        if (left <= 0)
            return fail(QStringLiteral("サーバー「%1」から応答がありません。").arg(serverText_));
        if (!socket_->waitForReadyRead(int(std::min<qint64>(left, std::numeric_limits<int>::max()))) &&
            !(socket_->error() == QAbstractSocket::SocketTimeoutError &&
              socket_->state() == QAbstractSocket::ConnectedState))
            return failFromSocket();
    }
    // In slices: what the server sent ahead waits in the socket, not in copies of it.
    const qsizetype kept = buffer.size();
    buffer.resize(kept + std::min(socket_->bytesAvailable(), max));
    buffer.resize(kept + std::max<qint64>(0, socket_->read(buffer.data() + kept, buffer.size() - kept)));
    return true;
}

void MailSocket::close() {
    if (socket_) {
        socket_->abort();
        socket_.reset();
    }
    out_.clear();
}
