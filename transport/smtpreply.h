#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "text/result.h"
#include "transport/linereader.h"

// One reply of an SMTP server (RFC 5321 section 4.2): a code and its lines,
// "250-PIPELINING" up to the last "250 SIZE 10240000", kept as they came
// (an enhanced status code, RFC 3463, stays in the text).
struct SmtpReply {
    // A server that goes on past this many bytes in one reply is not an SMTP server.
    static constexpr qsizetype kMaxBytes = 64 << 10;

    int code = 0;
    QList<QByteArray> lines;

    bool positive() const { return code >= 200 && code < 300; }
    // What follows the code on each line: the EHLO keywords, a challenge.
    QList<QByteArray> texts() const;
    // The reply for the user to read, its lines one below the other.
    QString words() const;

    // Reads one reply whole by `deadlineMillis`; a line that is no reply
    // line is a NotSmtp error (the caller ends the connection).
    static Result<SmtpReply> read(LineReader& reader, qint64 deadlineMillis);
};
