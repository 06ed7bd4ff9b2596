#pragma once

#include <QByteArray>
#include <QSslCertificate>
#include <QString>
#include <memory>

#include "transport/certificatetrust.h"
#include "transport/mailstream.h"

class QSslSocket;

// A blocking connection to a mail server, in clear or TLS, for one thread
// of a background job: the socket is created on the thread that connects
// and only used there. Every wait is bounded, and ends within a slice once
// the job is cancelled (CancelToken::current()); a failure closes the
// connection and error() says why.
class MailSocket : public MailStream {
  public:
    struct Timeouts {
        int connectMillis = 30000;
        int idleMillis = 60000; // no byte from the server for this long ends the session
    };

    MailSocket(Timeouts timeouts, const CertificateTrust& trust);
    ~MailSocket() override;
    MailSocket(const MailSocket&) = delete;
    MailSocket& operator=(const MailSocket&) = delete;

    bool open(const ServerAddress& address, const QString& serverText) override;
    bool startTls() override;
    bool isOpen() const override;
    bool isEncrypted() const override;
    // The certificate of an encrypted connection; null in clear.
    QSslCertificate peerCertificate() const;

    void write(const QByteArray& bytes) override;
    bool drain(qint64 untilMillis) override;
    bool readSome(QByteArray& buffer, qint64 max, qint64 untilMillis) override;
    qint64 nowMillis() const override;
    void close() override;

    const Error& error() const override { return error_; }

  private:
    bool fail(Error error);
    // Of the server, with the socket's words.
    bool fail(Error::Kind kind);
    bool failFromSocket();
    // The job was cancelled: fails (Cancelled). Every wait asks between slices.
    bool stopped();
    bool timedOutWhileConnected() const;
    bool connectTo(const ServerAddress& address);
    bool waitForEncrypted();
    bool flush();
    qint64 bytesUnsent() const;
    bool acceptCertificate();
    void lowDelay();

    Timeouts timeouts_;
    const CertificateTrust& trust_;
    std::unique_ptr<QSslSocket> socket_;
    QString host_;
    QString serverText_;
    QByteArray out_;
    Error error_;
};
