#pragma once

#include <QByteArray>
#include <QString>

#include "transport/mailstream.h"

// Lines of a mail protocol (RFC 1939, RFC 5321) read off a stream. Only
// CR LF ends a line: a lone LF is part of it, so a "." followed by a lone LF
// can never pass for the end of a multi-line reply. Every read has a
// deadline on the stream's clock and an idle limit; a line longer than
// kMaxLineBytes ends the connection. A failure closes the stream and
// error() says why.
class LineReader {
  public:
    static constexpr qsizetype kMaxLineBytes = 1 << 20;

    LineReader(MailStream& stream, int idleMillis) : stream_(stream), idleMillis_(idleMillis) {}

    // The next line without its CR LF; false when none came whole by
    // `deadlineMillis` (the stream's clock), or the connection failed.
    bool readLine(QByteArray& line, qint64 deadlineMillis);
    // The same, as a view into the reader's buffer that holds until the next
    // read: a message's lines go to its body without a copy each.
    bool readLine(QByteArrayView& line, qint64 deadlineMillis);
    // A deadline `idle` from now, plus the time `bytes` take at the slowest
    // rate still taken for a working link.
    qint64 deadlineFor(qint64 bytes) const;
    // Drops what the server sent ahead (before TLS starts: none of it may be trusted).
    void discardBuffered();

    const Error& error() const { return error_; }

  private:
    bool fail(Error error);

    MailStream& stream_;
    int idleMillis_;
    QByteArray in_;
    qsizetype pos_ = 0;     // where the next line starts
    qsizetype scanned_ = 0; // searched for CR LF up to here
    Error error_;
};
