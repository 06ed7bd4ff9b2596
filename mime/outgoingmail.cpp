#include "mime/outgoingmail.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QRandomGenerator>

#include "mime/iso2022jp.h"
#include "text/text.h"

namespace {

constexpr qsizetype kMaxLineBytes = 998; // RFC 5322 2.1.1

bool isPlainAscii(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() > 0x7E || (c.unicode() < 0x20 && c != u'\t'))
            return false;
    return !s.contains(QStringLiteral("=?"));
}

bool linesFit(const QByteArray& bytes) {
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0)
            end = bytes.size();
        if (end - start > kMaxLineBytes)
            return false;
        start = end + 2;
    }
    return true;
}

// No header line of ours may end inside a value: a line break or other
// control character in a subject, name or address (pasted, or carried into a
// reply from a received subject) would start a header of its own. Each run of
// them becomes one space.
QString withoutControls(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool inRun = false;
    for (const QChar c : text) {
        const bool control = c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                             c == QChar::ParagraphSeparator;
        if (control && !inRun)
            out += u' ';
        else if (!control)
            out += c;
        inRun = control;
    }
    return out;
}

QByteArray base64Lines(const QByteArray& bytes) {
    const QByteArray b64 = bytes.toBase64();
    QByteArray out;
    out.reserve(b64.size() + b64.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < b64.size(); i += 76) {
        out += b64.mid(i, 76);
        out += "\r\n";
    }
    return out;
}

QByteArray randomHex(int bytes) {
    QByteArray raw(bytes, Qt::Uninitialized);
    for (char& c : raw)
        c = char(QRandomGenerator::global()->bounded(256));
    return raw.toHex();
}

// Cuts text into pieces whose encoded form stays within `maxBytes`, never
// inside a surrogate pair.
template <typename Encode>
QList<QByteArray> encodeInPieces(const QString& text, qsizetype maxBytes, Encode encode) {
    QList<QByteArray> pieces;
    QString piece;
    QByteArray encoded;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString next = piece + text.at(i);
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            next += text.at(++i);
        const QByteArray candidate = encode(next);
        if (candidate.size() > maxBytes && !piece.isEmpty()) {
            pieces.append(encoded);
            const QString rest = next.mid(piece.size());
            piece = rest;
            encoded = encode(rest);
        } else {
            piece = next;
            encoded = candidate;
        }
    }
    if (!piece.isEmpty())
        pieces.append(encoded);
    return pieces;
}

struct BodyEncoding {
    QByteArray headers;
    QByteArray content;
};

BodyEncoding encodeBody(const QString& text, bool eightBit) {
    const QString normal = ToCrLf(text);
    if (const auto jis = Iso2022Jp::encode(normal); jis && linesFit(*jis))
        return {"Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n", *jis};
    // 8-bit content still keeps to lines of 998 bytes and holds no NUL (RFC 6152).
    if (const QByteArray utf8 = normal.toUtf8(); eightBit && linesFit(utf8) && !utf8.contains('\0'))
        return {"Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n", utf8};
    return {"Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n",
            base64Lines(normal.toUtf8())};
}

QByteArray quoted(const QByteArray& ascii) {
    QByteArray out = "\"";
    for (char c : ascii) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// RFC 2231 filename*, split into continuations that keep lines short.
QByteArray rfc2231FileName(const QString& name) {
    const QByteArray encoded = OutgoingMessage::percentEncoded(name);
    QList<QByteArray> sections;
    const qsizetype width = 60;
    for (qsizetype i = 0; i < encoded.size();) {
        qsizetype len = std::min(width, encoded.size() - i);
        // keep a %XX escape whole
        if (i + len < encoded.size()) {
            if (encoded[i + len - 1] == '%')
                len -= 1;
            else if (len >= 2 && encoded[i + len - 2] == '%')
                len -= 2;
        }
        sections.append(encoded.mid(i, len));
        i += len;
    }
    if (sections.size() == 1)
        return "filename*=UTF-8''" + sections.front();
    QByteArray out;
    for (qsizetype i = 0; i < sections.size(); ++i) {
        out += "\r\n filename*" + QByteArray::number(i) + "*=";
        if (i == 0)
            out += "UTF-8''";
        out += sections[i];
        if (i + 1 < sections.size())
            out += ';';
    }
    return out;
}

QByteArray formatDate(const QDateTime& now) {
    const int offset = now.offsetFromUtc() / 60;
    const int absOffset = std::abs(offset);
    const QByteArray zone = QByteArray(offset < 0 ? "-" : "+") +
                            QByteArray::number(absOffset / 60).rightJustified(2, '0') +
                            QByteArray::number(absOffset % 60).rightJustified(2, '0');
    return QLocale::c().toString(now, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")).toLatin1() + zone;
}

QByteArray domainOf(const QString& raw) {
    const QString address = withoutControls(raw);
    const qsizetype at = address.lastIndexOf(u'@');
    const QString domain = at >= 0 ? address.mid(at + 1).trimmed() : QString();
    if (domain.isEmpty() || !isPlainAscii(domain) || domain.contains(u'>') || domain.contains(u' '))
        return "fennick.localhost";
    return domain.toLatin1();
}

// An address that is not plain ASCII cannot go out raw. Its local part goes
// as an encoded word, which readers show as typed, before the domain kept
// as it is, so that no server takes it for a local name and adds its own.
QByteArray encodedAddress(const QString& address) {
    const qsizetype at = address.lastIndexOf(u'@');
    const QString domain = at > 0 ? address.mid(at + 1) : QString();
    if (domain.isEmpty() || !isPlainAscii(domain))
        return OutgoingMessage::encodeHeaderText(address);
    return OutgoingMessage::encodeHeaderText(address.left(at)) + '@' + domain.toLatin1();
}

// "name <address>".
QByteArray mailbox(const Recipient& r) {
    const QString name = withoutControls(r.name).trimmed();
    const QString address = withoutControls(r.address).trimmed();
    QByteArray out;
    if (!name.isEmpty())
        out += (isPlainAscii(name) ? quoted(name.toLatin1()) : OutgoingMessage::encodeHeaderText(name)) + ' ';
    return out + (isPlainAscii(address) ? '<' + address.toLatin1() + '>' : encodedAddress(address));
}

QByteArray addressHeader(const QList<Recipient>& recipients) {
    QByteArray out;
    for (const Recipient& r : recipients) {
        if (!out.isEmpty())
            out += ",\r\n ";
        out += mailbox(r);
    }
    return out;
}

// The user's own address, bare as set when it is plain ASCII.
QByteArray fromHeader(const QString& sender) {
    const QString clean = withoutControls(sender).trimmed();
    if (isPlainAscii(clean))
        return clean.toLatin1();
    const QList<Recipient> parsed = ParseRecipients(clean);
    if (parsed.size() != 1)
        return OutgoingMessage::encodeHeaderText(clean);
    return parsed.front().name.isEmpty() ? encodedAddress(parsed.front().address) : mailbox(parsed.front());
}

} // namespace

namespace OutgoingMessage {

QByteArray percentEncoded(const QString& text) {
    QByteArray encoded;
    for (const char ch : text.toUtf8()) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
            c == '-' || c == '_')
            encoded += char(c);
        else
            encoded += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
    }
    return encoded;
}

QByteArray encodeHeaderText(const QString& text) {
    if (isPlainAscii(text))
        return text.toLatin1();
    QList<QByteArray> words;
    if (Iso2022Jp::encode(text)) {
        // Each word is self-contained: it starts and ends in ASCII (RFC 1468).
        const auto pieces = encodeInPieces(text, 42, [](const QString& s) { return *Iso2022Jp::encode(s); });
        for (const QByteArray& p : pieces)
            words.append("=?ISO-2022-JP?B?" + p.toBase64() + "?=");
    } else {
        const auto pieces = encodeInPieces(text, 45, [](const QString& s) { return s.toUtf8(); });
        for (const QByteArray& p : pieces)
            words.append("=?UTF-8?B?" + p.toBase64() + "?=");
    }
    return words.join("\r\n ");
}

Result<QByteArray> build(const OutgoingMail& mail, const QDateTime& now, bool eightBit) {
    struct Loaded {
        QString name;
        QByteArray mimeType;
        QByteArray content;
    };
    QList<Loaded> files;
    QMimeDatabase mimeTypes;
    for (const QString& path : mail.attachments) {
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
            return Result<QByteArray>::failure({.kind = Error::Kind::AttachmentUnreadable, .name = path});
        Loaded l{withoutControls(QFileInfo(path).fileName()),
                 mimeTypes.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toLatin1(),
                 file.readAll()};
        if (file.error() != QFileDevice::NoError)
            return Result<QByteArray>::failure({.kind = Error::Kind::AttachmentUnreadable, .name = path});
        if (l.mimeType.isEmpty())
            l.mimeType = "application/octet-stream";
        files.append(std::move(l));
    }

    QByteArray out;
    out += "From: " + fromHeader(mail.sender) + "\r\n";
    out += "To: " + addressHeader(ParseRecipients(mail.recipient)) + "\r\n";
    out += "Subject: " + encodeHeaderText(withoutControls(mail.subject)) + "\r\n";
    out += "Date: " + formatDate(now) + "\r\n";
    out += "Message-ID: <" + now.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + '.' +
           randomHex(8) + '@' + domainOf(mail.sender) + ">\r\n";
    out += "MIME-Version: 1.0\r\nX-Mailer: Fennick Ver 1.0\r\n";

    const BodyEncoding body = encodeBody(mail.body, eightBit);
    if (files.isEmpty()) {
        out += body.headers + "\r\n" + body.content;
        return out;
    }
    const QByteArray boundary = "=_fennick_" + randomHex(12);
    out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    out += "This is a multi-part message in MIME format.\r\n";
    out += "--" + boundary + "\r\n" + body.headers + "\r\n" + body.content;
    if (!out.endsWith("\r\n"))
        out += "\r\n";
    for (const Loaded& f : std::as_const(files)) {
        out += "--" + boundary + "\r\n";
        const QByteArray legacyName = isPlainAscii(f.name)
                                          ? quoted(f.name.toLatin1())
                                          : quoted(encodeHeaderText(f.name).replace("\r\n ", " "));
        out += "Content-Type: " + f.mimeType + "; name=" + legacyName + "\r\n";
        out += "Content-Disposition: attachment; ";
        out += isPlainAscii(f.name) ? "filename=" + legacyName : rfc2231FileName(f.name);
        out += "\r\nContent-Transfer-Encoding: base64\r\n\r\n";
        out += base64Lines(f.content);
    }
    out += "--" + boundary + "--\r\n";
    return out;
}

} // namespace OutgoingMessage
