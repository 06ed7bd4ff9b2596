#include "transport/mailsocket.h"

#include <QEventLoop>
#include <QSslSocket>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "text/canceltoken.h"

MailSocket::MailSocket(Timeouts timeouts, const CertificateTrust& trust)
    : timeouts_(timeouts), trust_(trust) {}

MailSocket::~MailSocket() = default;

bool MailSocket::fail(Error error) {
    error_ = std::move(error);
    close();
    return false;
}

bool MailSocket::fail(Error::Kind kind) {
    return fail({.kind = kind, .name = serverText_, .detail = socket_ ? socket_->errorString() : QString()});
}

bool MailSocket::failFromSocket() {
    using K = Error::Kind;
    switch (socket_ ? socket_->error() : QAbstractSocket::UnknownSocketError) {
    case QAbstractSocket::HostNotFoundError:
        return fail(K::ServerNotFound);
    case QAbstractSocket::ConnectionRefusedError:
        return fail(K::CannotConnect);
    case QAbstractSocket::SocketTimeoutError:
        return fail(socket_->state() != QAbstractSocket::ConnectedState ? K::CannotConnect : K::Timeout);
    case QAbstractSocket::RemoteHostClosedError:
        return fail({.kind = K::ConnectionLost, .name = serverText_});
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return fail(K::Tls);
    default:
        return fail(K::ConnectionFailed);
    }
}

bool MailSocket::open(const ServerAddress& address, const QString& serverText) {
    close();
    error_ = {};
    host_ = address.host;
    serverText_ = serverText;
    socket_ = std::make_unique<QSslSocket>();
    // Errors are collected, not acted on, during the handshake; the decision
    // comes after it (acceptCertificate), before a byte is sent.
    QObject::connect(socket_.get(), &QSslSocket::sslErrors, socket_.get(),
                     [s = socket_.get()] { s->ignoreSslErrors(); });
    if (address.tlsFromStart && !QSslSocket::supportsSsl())
        return fail({.kind = Error::Kind::NoTlsLibrary});
    if (!connectTo(address))
        return false;
    lowDelay();
    return !address.tlsFromStart || (waitForEncrypted() && acceptCertificate());
}

bool MailSocket::connectTo(const ServerAddress& address) {
    // The socket's own wait gives up the connection when it times out, and
    // it looks the name up without a way to stop: an event loop of this
    // thread waits instead, a slice at a time.
    QEventLoop loop;
    QObject::connect(socket_.get(), &QAbstractSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(socket_.get(), &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QTimer slice;
    slice.callOnTimeout(&loop, &QEventLoop::quit);
    slice.start(CancelToken::kSlice);
    const qint64 deadline = nowMillis() + timeouts_.connectMillis;
    if (address.tlsFromStart)
        socket_->connectToHostEncrypted(address.host, quint16(address.port));
    else
        socket_->connectToHost(address.host, quint16(address.port));
    while (socket_->state() != QAbstractSocket::ConnectedState) {
        if (socket_->state() == QAbstractSocket::UnconnectedState)
            return failFromSocket();
        if (stopped())
            return false;
        if (nowMillis() >= deadline)
            return fail(Error::Kind::CannotConnect);
        loop.exec();
    }
    return true;
}

bool MailSocket::stopped() {
    if (!CancelToken::current().isCancelled())
        return false;
    fail({.kind = Error::Kind::Cancelled, .name = serverText_});
    return true;
}

bool MailSocket::timedOutWhileConnected() const {
    return socket_->error() == QAbstractSocket::SocketTimeoutError &&
           socket_->state() == QAbstractSocket::ConnectedState;
}

bool MailSocket::waitForEncrypted() {
    const qint64 deadline = nowMillis() + timeouts_.idleMillis;
    while (!socket_->isEncrypted()) {
        if (stopped())
            return false;
        const qint64 left = deadline - nowMillis();
        if (left <= 0)
            return fail({.kind = Error::Kind::Timeout, .name = serverText_});
        if (!socket_->waitForEncrypted(int(std::min<qint64>(left, CancelToken::kSlice.count()))) &&
            !timedOutWhileConnected())
            return failFromSocket();
    }
    return true;
}

void MailSocket::lowDelay() {
    // Pipelined commands are small writes that must not wait for an ACK.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

bool MailSocket::startTls() {
    if (!isOpen()) // a server that hangs up after its yes; a closed socket keeps the error that closed it
        return socket_ ? fail({.kind = Error::Kind::ConnectionLost, .name = serverText_}) : false;
    if (!QSslSocket::supportsSsl())
        return fail({.kind = Error::Kind::NoTlsLibrary});
    // Whatever the server sent after its answer to STLS is not to be trusted.
    (void)socket_->readAll();
    socket_->startClientEncryption();
    return waitForEncrypted() && acceptCertificate();
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

qint64 MailSocket::bytesUnsent() const {
    return socket_->bytesToWrite() + socket_->encryptedBytesToWrite();
}

bool MailSocket::drain(qint64 untilMillis) {
    if (!socket_ || !flush())
        return false;
    qint64 lastProgress = nowMillis();
    for (qint64 unsent = bytesUnsent(); unsent > 0; unsent = bytesUnsent()) {
        if (stopped())
            return false;
        const qint64 now = nowMillis();
        if (now >= untilMillis || now - lastProgress >= timeouts_.idleMillis)
            return fail({.kind = Error::Kind::Timeout, .name = serverText_});
        if (!socket_->waitForBytesWritten(
                int(std::min<qint64>(untilMillis - now, CancelToken::kSlice.count()))) &&
            !timedOutWhileConnected())
            return failFromSocket();
        if (bytesUnsent() < unsent)
            lastProgress = nowMillis();
    }
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
        if (stopped())
            return false;
        const qint64 left = untilMillis - nowMillis();
        if (left <= 0)
            return fail({.kind = Error::Kind::Timeout, .name = serverText_});
        if (!socket_->waitForReadyRead(int(std::min<qint64>(left, CancelToken::kSlice.count()))) &&
            !timedOutWhileConnected())
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
