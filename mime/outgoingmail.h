#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include "mime/recipients.h"
#include "text/result.h"

// A mail as the compose window hands it over.
struct OutgoingMail {
    QString recipient; // as typed; see ParseRecipients
    QString sender;    // the user's own address
    QString subject;
    QString body;
    QStringList attachments; // full paths
};

// Builds the RFC 5322 bytes of an outgoing mail. Text goes out as
// ISO-2022-JP when it fits, which is what Japanese readers expect, and as
// UTF-8 otherwise, so no character is ever replaced. CR LF throughout.
// A line break or other control character in a header value (subject,
// names, addresses, attachment names) becomes a space: it never starts a
// header line of its own.
namespace OutgoingMessage {

// `eightBit`: the server takes 8-bit content (8BITMIME), and UTF-8 text goes
// as it is, a third smaller than in base64 and readable in the raw mail.
Result<QByteArray> build(const OutgoingMail& mail, const QDateTime& now, bool eightBit = false);

// The UTF-8 bytes of a parameter value as RFC 2231 writes them: letters,
// digits, ".", "-" and "_" as they are, every other byte as %XX.
QByteArray percentEncoded(const QString& text);

// An RFC 2047 encoded header value (folded), or the text as it is when it
// is plain ASCII.
QByteArray encodeHeaderText(const QString& text);

} // namespace OutgoingMessage
