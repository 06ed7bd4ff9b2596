#pragma once

#include <QByteArray>
#include <QString>

#include "text/error.h"
#include "transport/serveraddress.h"

// The byte stream a mail protocol talks over, in clear or TLS, with every
// wait bounded by the caller. Framing is the protocol's (LineReader):
// MailSocket is the real stream; tests play a server's bytes through a fake.
class MailStream {
  public:
    virtual ~MailStream() = default;

    // TLS from the start when the address says so.
    virtual bool open(const ServerAddress& address, const QString& serverText) = 0;
    // TLS over the open connection (STLS, STARTTLS). Nothing is sent in clear after a failure.
    virtual bool startTls() = 0;
    virtual bool isOpen() const = 0;
    virtual bool isEncrypted() const = 0;

    // Queues bytes; they go out, together, before the next wait for the server.
    virtual void write(const QByteArray& bytes) = 0;
    // Sends what is queued and waits until the connection has taken it: a
    // mail's content may take longer to leave than a server may stay
    // silent. False when no byte left for the idle time, or the clock
    // reached `untilMillis`: the connection is then closed.
    virtual bool drain(qint64 untilMillis) = 0;
    // Appends at most `max` bytes the server sent to `buffer`, waiting until
    // at least one came or the stream's clock reaches `untilMillis`. False
    // when none came: the connection ended, failed or timed out, and it is
    // closed; error() says why.
    virtual bool readSome(QByteArray& buffer, qint64 max, qint64 untilMillis) = 0;
    // The clock deadlines are measured on, in milliseconds.
    virtual qint64 nowMillis() const = 0;
    // Ends the connection without a word (QUIT is the caller's).
    virtual void close() = 0;

    virtual const Error& error() const = 0;
};
