#pragma once

// exchange/: mail to and from other programs: a record as a standard MIME
// message, mbox (mboxrd) and EML files and Maildir folders, exporting a
// history and importing into the received one.

#include <QByteArray>
#include <QString>
#include <optional>

#include "store/mailrecord.h"

enum class MailDirection { Received, Sent };

// A record as a standard MIME message in UTF-8. The party is the sender of
// a received mail and the recipient of a sent one (sent from our own
// address). The body goes as text/plain, 8bit when it ends with a line
// break and its lines are short, base64 otherwise, so that it comes back
// byte for byte. A received HTML mail carries its page folder's files
// (index.htm first) as attachments, so the page survives, and keeps its
// marker body, so that a copy of this program shows it as a page again
// (without the note about attachments, which receiving it adds again).
namespace ExportedMessage {

enum class LineEnd { Lf, CrLf }; // mbox files use LF, .eml files CR LF

struct Source {
    MailRecord record;
    MailDirection direction = MailDirection::Received;
    QString ownAddress;                // the sender of a sent mail
    std::optional<QString> pageFolder; // a received HTML mail's own folder
};

QByteArray build(const Source& source, LineEnd lineEnd);

// The Date header for a record's date: a received mail's date text as it
// came (RFC 5322 already), a sent mail's clock text ("2026/12/07  9:00:00")
// as an RFC 5322 date in local time.
QString dateHeader(const QString& recordDate);

// The envelope sender and date of an mbox "From " line.
QByteArray envelope(const Source& source);

} // namespace ExportedMessage
