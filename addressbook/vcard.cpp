#include "addressbook/vcard.h"

#include "text/shiftjis.h"

namespace {

QString escaped(QString value) {
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u',', QStringLiteral("\\,"));
    value.replace(u';', QStringLiteral("\\;"));
    value.replace(u'\n', QStringLiteral("\\n"));
    return value;
}

QString unescaped(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            out += (next == u'n' || next == u'N') ? QChar(u'\n') : next;
        } else {
            out += value[i];
        }
    }
    return out;
}

// "Name <addr>" and the business-card form "Card<addr>" carry the address between the brackets.
QString bareAddress(const QString& address) {
    const qsizetype open = address.lastIndexOf(u'<');
    const qsizetype close = address.lastIndexOf(u'>');
    if (open >= 0 && close > open)
        return address.mid(open + 1, close - open - 1).trimmed();
    return address;
}

// RFC 2425 5.8.1: a line that begins with a space or a tab continues the one before.
// vCard 2.1 quoted-printable values instead end a line with "=" to continue.
QList<QByteArray> unfoldedLines(QByteArrayView bytes) {
    QList<QByteArray> lines;
    bool softBreak = false;
    for (QByteArray line : QByteArray(bytes.data(), bytes.size()).split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!lines.isEmpty() && softBreak) {
            lines.last().chop(1);
            lines.last() += line;
        } else if (!lines.isEmpty() && (line.startsWith(' ') || line.startsWith('\t'))) {
            lines.last() += line.mid(1);
        } else {
            lines.append(line);
        }
        softBreak = lines.last().endsWith('=') && lines.last().toUpper().contains("QUOTED-PRINTABLE");
    }
    return lines;
}

QByteArray quotedPrintableDecoded(const QByteArray& value) {
    QByteArray out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '=' && i + 2 < value.size()) {
            bool ok = false;
            const int byte = value.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out += char(byte);
                i += 2;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

struct Property {
    QByteArray name;   // upper case, group prefix removed
    QByteArray params; // upper case, ";"-separated
    QString value;     // decoded, still escaped
};

Property parse(const QByteArray& line) {
    Property p;
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return p;
    QByteArray head = line.left(colon).toUpper();
    QByteArray raw = line.mid(colon + 1);
    const qsizetype semicolon = head.indexOf(';');
    p.params = semicolon < 0 ? QByteArray() : head.mid(semicolon + 1);
    p.name = semicolon < 0 ? head : head.left(semicolon);
    if (const qsizetype dot = p.name.lastIndexOf('.'); dot >= 0)
        p.name = p.name.mid(dot + 1); // "item1.EMAIL" from Apple's exports
    if (p.params.contains("QUOTED-PRINTABLE"))
        raw = quotedPrintableDecoded(raw);
    if (p.params.contains("CHARSET=SHIFT_JIS") || p.params.contains("CHARSET=SHIFT-JIS") ||
        p.params.contains("CHARSET=CP932"))
        p.value = ShiftJis::decode(raw);
    else
        p.value = QString::fromUtf8(raw);
    return p;
}

// N is family;given;additional;prefix;suffix. Japanese cards put the family name first.
QString nameFromParts(const QString& n) {
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < n.size(); ++i) {
        if (n[i] == u'\\' && i + 1 < n.size()) {
            current += n[i];
            current += n[++i];
        } else if (n[i] == u';') {
            parts.append(current);
            current.clear();
        } else {
            current += n[i];
        }
    }
    parts.append(current);
    const QString family = unescaped(parts.value(0)).trimmed();
    const QString given = unescaped(parts.value(1)).trimmed();
    if (family.isEmpty() || given.isEmpty())
        return family + given;
    const bool latin = family.at(0).unicode() < 0x3000 && given.at(0).unicode() < 0x3000;
    return latin ? given + u' ' + family : family + u' ' + given;
}

} // namespace

namespace VCard {

QByteArray write(const QList<AddressEntry>& entries) {
    QByteArray out;
    for (const AddressEntry& e : entries) {
        const QString address = bareAddress(e.address);
        const QString name = e.name.isEmpty() ? address : e.name;
        QString card = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n");
        card += QStringLiteral("FN:") + escaped(name) + QStringLiteral("\r\n");
        card += QStringLiteral("N:") + escaped(name) + QStringLiteral(";;;;\r\n");
        if (!address.isEmpty())
            card += QStringLiteral("EMAIL;TYPE=INTERNET:") + escaped(address) + QStringLiteral("\r\n");
        card += QStringLiteral("END:VCARD\r\n");
        out += card.toUtf8();
    }
    return out;
}

QList<AddressEntry> read(QByteArrayView bytes) {
    QList<AddressEntry> entries;
    QString fn, n, email;
    bool preferred = false;
    for (const QByteArray& line : unfoldedLines(bytes)) {
        const Property p = parse(line);
        if (p.name == "BEGIN") {
            fn.clear(), n.clear(), email.clear();
            preferred = false;
        } else if (p.name == "FN") {
            fn = unescaped(p.value).trimmed();
        } else if (p.name == "N") {
            n = nameFromParts(p.value);
        } else if (p.name == "EMAIL") {
            const bool pref = p.params.contains("PREF");
            if (email.isEmpty() || (pref && !preferred)) {
                email = unescaped(p.value).trimmed();
                preferred = pref;
            }
        } else if (p.name == "END" && !email.isEmpty()) {
            entries.append({fn.isEmpty() ? n : fn, email});
        }
    }
    return entries;
}

} // namespace VCard
