#pragma once

#include <QByteArray>
#include <QSslCertificate>
#include <QString>
#include <memory>

#include "transport/certificatetrust.h"
#include "transport/serveraddress.h"

class QSslSocket;

// A blocking, line-oriented connection to a mail server, in clear or TLS,
// for one thread without an event loop (the check's worker): the socket is
// created on the thread that connects and only used there. Every wait is
// bounded; a failure closes the connection and error() says why, in words
// for the user.
class MailSocket {
  public:
    struct Timeouts {
        int connectMillis = 30000;
        int idleMillis = 60000; // no byte from the server for this long ends the session
    };

    MailSocket(Timeouts timeouts, const CertificateTrust& trust);
    ~MailSocket();
    MailSocket(const MailSocket&) = delete;
    MailSocket& operator=(const MailSocket&) = delete;

    // TLS from the start when the address says so.
    bool open(const ServerAddress& address, const QString& serverText);
    // TLS over the open connection (STLS). Nothing is sent in clear after a failure.
    bool startTls();
    bool isOpen() const;
    bool isEncrypted() const;
    // The certificate of an encrypted connection; null in clear.
    QSslCertificate peerCertificate() const;

    // Queues bytes; they go out, together, before the next wait for the server.
    void write(const QByteArray& bytes);
    // The next line without its line end, or false when the connection failed.
    bool readLine(QByteArray& line);
    // Ends the connection without a word (QUIT is the caller's).
    void close();

    const QString& error() const { return error_; }

  private:
    bool fail(const QString& text);
    bool failFromSocket();
    bool flush();
    bool acceptCertificate();
    void lowDelay();

    Timeouts timeouts_;
    const CertificateTrust& trust_;
    std::unique_ptr<QSslSocket> socket_;
    QString host_;
    QString serverText_;
    QByteArray out_;
    QByteArray in_;
    qsizetype inPos_ = 0;
    QString error_;
};
