#include "exchange/exportedmessage.h"

#include "mime/outgoingmail.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QTimeZone>

#include "mime/outgoingmail.h"
#include "mime/recipients.h"
#include "receive/messageprocessor.h"
#include "text/text.h"

namespace {

constexpr qsizetype kMaxLineBytes = 998; // RFC 5322 2.1.1

bool isPlainAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return !text.contains(QStringLiteral("=?"));
}

// RFC 2047 encoded words in UTF-8, each whole characters of at most 45 bytes.
QByteArray encodedWords(const QString& text) {
    if (isPlainAscii(text))
        return text.toLatin1();
    QList<QByteArray> words;
    QByteArray piece;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString c = text.at(i);
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            c += text.at(++i);
        const QByteArray bytes = c.toUtf8();
        if (piece.size() + bytes.size() > 45) {
            words.append("=?UTF-8?B?" + piece.toBase64() + "?=");
            piece.clear();
        }
        piece += bytes;
    }
    if (!piece.isEmpty())
        words.append("=?UTF-8?B?" + piece.toBase64() + "?=");
    return words.join("\r\n ");
}

// Control characters never reach a header line: each becomes a space.
QString oneLine(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    return out;
}

QByteArray mailbox(const QString& name, const QString& address) {
    const QString bareAddress = oneLine(address).trimmed();
    const QByteArray addr = isPlainAscii(bareAddress) ? bareAddress.toLatin1() : encodedWords(bareAddress);
    if (name.isEmpty())
        return addr;
    return encodedWords(name) + " <" + addr + '>';
}

// A party text as a header value: "name <address>" keeps its name (an ASCII
// one as written, quotes and all), a bare address stays bare, and anything
// else is kept as text.
QByteArray partyHeader(const QString& party) {
    static const QRegularExpression named(QStringLiteral("^(.*?)\\s*<([^<>]*)>\\s*$"));
    const QString text = oneLine(party).trimmed();
    const QRegularExpressionMatch m = named.match(text);
    if (m.hasMatch())
        return mailbox(m.captured(1).trimmed(), m.captured(2));
    return mailbox({}, text);
}

QByteArray recipientsHeader(const QString& typed) {
    QList<QByteArray> out;
    for (const Recipient& r : ParseRecipients(oneLine(typed)))
        out.append(mailbox(r.name.trimmed(), r.address));
    return out.isEmpty() ? partyHeader(typed) : out.join(",\r\n ");
}

QByteArray rfc5322(const QDateTime& when) {
    const int offset = when.offsetFromUtc() / 60;
    const QByteArray zone = QByteArray(offset < 0 ? "-" : "+") +
                            QByteArray::number(std::abs(offset) / 60).rightJustified(2, '0') +
                            QByteArray::number(std::abs(offset) % 60).rightJustified(2, '0');
    return QLocale::c().toString(when, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")).toLatin1() + zone;
}

std::optional<QDateTime> clockDate(const QString& text) {
    for (const char* format : {"yyyy/MM/dd  H:mm:ss", "yyyy/M/d  H:mm:ss", "yyyy/MM/dd  H:mm",
                               "yyyy/M/d  H:mm", "yyyy-MM-dd  H:mm:ss"}) {
        const QDateTime when = QDateTime::fromString(text, QString::fromLatin1(format));
        if (when.isValid())
            return when;
    }
    return std::nullopt;
}

QByteArray base64Lines(const QByteArray& bytes, const QByteArray& eol) {
    const QByteArray b64 = bytes.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b64.size(); i += 76)
        out += b64.mid(i, 76) + eol;
    return out;
}

// Line ends are already the file's own (ToCrLf, then LF for mbox). A line
// that starts with "From " (after any '>') would be quoted in an mbox, and
// readers that do not take the quote off again (Python's mailbox among
// them) would show it: such a body goes in base64 and arrives unchanged.
bool fitsAsLines(const QByteArray& body, const QByteArray& eol) {
    if (!body.isEmpty() && !body.endsWith(eol))
        return false;
    for (QByteArrayView line : body.split('\n')) {
        if (line.size() > kMaxLineBytes)
            return false;
        while (line.startsWith('>'))
            line = line.sliced(1);
        if (line.startsWith("From "))
            return false;
    }
    return true;
}

QByteArray fileNameParameter(const QString& name) {
    if (isPlainAscii(name) && !name.contains(u'"') && !name.contains(u'\\'))
        return "filename=\"" + name.toLatin1() + '"';
    return "filename*=UTF-8''" + OutgoingMessage::percentEncoded(name); // RFC 2231
}

// The page folder's files, index.htm first.
QStringList pageFiles(const QString& folder) {
    QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    files.removeAll(QStringLiteral("0.txt"));
    if (files.removeAll(QStringLiteral("index.htm")) > 0)
        files.prepend(QStringLiteral("index.htm"));
    return files;
}

} // namespace

namespace ExportedMessage {

QString dateHeader(const QString& recordDate) {
    if (const auto when = clockDate(recordDate))
        return QString::fromLatin1(rfc5322(*when));
    return recordDate;
}

QByteArray envelope(const Source& source) {
    const QString party = source.direction == MailDirection::Sent ? source.ownAddress : source.record.party;
    static const QRegularExpression address(QStringLiteral("[!-~]+@[!-~]+"));
    QString sender = address.match(party).captured(0);
    sender.remove(u'<').remove(u'>');
    if (sender.isEmpty())
        sender = QStringLiteral("MAILER-DAEMON");
    QDateTime when =
        QDateTime::fromString(dateHeader(TrimSpaces(CutAtNul(source.record.date))), Qt::RFC2822Date);
    if (!when.isValid())
        when = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    const QDateTime utc = when.toUTC();
    return "From " + sender.toLatin1() + ' ' +
           QLocale::c().toString(utc, QStringLiteral("ddd MMM ")).toLatin1() +
           QByteArray::number(utc.date().day()).rightJustified(2, ' ') + ' ' +
           QLocale::c().toString(utc, QStringLiteral("HH:mm:ss yyyy")).toLatin1();
}

QByteArray build(const Source& source, LineEnd lineEnd) {
    const QByteArray eol = lineEnd == LineEnd::Lf ? "\n" : "\r\n";
    const MailRecord& r = source.record;
    const QString subject = TrimSpaces(CutAtNul(r.subject));
    const QString party = TrimSpaces(CutAtNul(r.party));
    const QString date = TrimSpaces(CutAtNul(r.date));
    const bool sent = source.direction == MailDirection::Sent;

    QByteArray headers;
    if (sent) {
        headers += "From: " + partyHeader(source.ownAddress) + "\r\n";
        headers += "To: " + recipientsHeader(party) + "\r\n";
    } else {
        headers += "From: " + partyHeader(party) + "\r\n";
    }
    headers += "Subject: " + encodedWords(oneLine(subject)) + "\r\n";
    if (!date.isEmpty())
        headers += "Date: " + encodedWords(oneLine(dateHeader(date))) + "\r\n";
    // The same record always gets the same Message-ID, so that importing
    // an export twice is seen as such.
    headers += "Message-ID: <" +
               QCryptographicHash::hash(r.toBytes(), QCryptographicHash::Blake2b_160).toHex() +
               "@fennick.invalid>\r\n";
    headers += "MIME-Version: 1.0\r\n";

    const QStringList files = !sent && source.pageFolder ? pageFiles(*source.pageFolder) : QStringList();
    QString text = TrimSpaces(CutAtNul(r.body));
    // The note that the message had attachments is what receiving adds to
    // a message with attachments: with the page's files as attachments the
    // receiver (this program importing it, say) adds it again.
    const QString note = QStringLiteral("\r\n") + MessageProcessor::kAttachmentNote;
    if (!files.isEmpty() && text.endsWith(note))
        text.chop(note.size());
    QByteArray body = ToCrLf(text).toUtf8();
    if (lineEnd == LineEnd::Lf)
        body.replace("\r\n", "\n");
    QByteArray textPart = "Content-Type: text/plain; charset=UTF-8\r\n";
    if (fitsAsLines(body, eol))
        textPart += "Content-Transfer-Encoding: 8bit\r\n\r\n" + body;
    else
        textPart += "Content-Transfer-Encoding: base64\r\n\r\n" + base64Lines(body, eol);

    QByteArray message;
    if (files.isEmpty()) {
        message = headers + textPart;
    } else {
        const QByteArray boundary =
            "=_fennick_" + QCryptographicHash::hash(r.toBytes(), QCryptographicHash::Md5).toHex();
        message = headers + "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
        message += "--" + boundary + "\r\n" + textPart;
        if (!message.endsWith(eol))
            message += eol;
        QMimeDatabase types;
        for (const QString& name : files) {
            QFile file(*source.pageFolder + u'/' + name);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            message += "--" + boundary + "\r\n";
            message += "Content-Type: " +
                       types.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name().toLatin1() + "\r\n";
            message += "Content-Disposition: attachment; " + fileNameParameter(name) + "\r\n";
            message += "Content-Transfer-Encoding: base64\r\n\r\n" + base64Lines(file.readAll(), eol);
        }
        message += "--" + boundary + "--\r\n";
    }
    // Headers and MIME lines are written with CR LF above; one line end throughout.
    if (lineEnd == LineEnd::Lf) {
        const qsizetype split = message.indexOf("\r\n\r\n");
        QByteArray head = message.left(split + 4);
        head.replace("\r\n", "\n");
        QByteArray rest = message.mid(split + 4);
        if (!files.isEmpty())
            rest.replace("\r\n", "\n"); // the body inside is LF already
        message = head + rest;
    }
    return message;
}

} // namespace ExportedMessage
