#include "tests/support/qtprinters.h"

#include <QStringDecoder>
#include <ostream>

namespace {

QString hexEscape(uint code) {
    return QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
}

// Line ends and other control characters are escaped, so that a CR LF
// against an LF shows; so are the quotes around the text.
QString shown(QChar c) {
    switch (c.unicode()) {
    case u'\n':
        return QStringLiteral("\\n");
    case u'\r':
        return QStringLiteral("\\r");
    case u'\t':
        return QStringLiteral("\\t");
    case u'"':
        return QStringLiteral("\\\"");
    case u'\\':
        return QStringLiteral("\\\\");
    default:
        return c.unicode() < 0x20 || c.unicode() == 0x7f ? hexEscape(c.unicode()) : QString(c);
    }
}

void printQuoted(const QString& shownText, std::ostream* out) {
    *out << '"' << shownText.toStdString() << '"';
}

} // namespace

void PrintTo(const QString& text, std::ostream* out) {
    QString s;
    for (const QChar c : text)
        s += shown(c);
    printQuoted(s, out);
}

void PrintTo(const QByteArray& bytes, std::ostream* out) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        PrintTo(text, out);
        return;
    }
    QString s;
    for (const char byte : bytes) {
        const auto code = static_cast<uchar>(byte);
        s += code < 0x80 ? shown(QLatin1Char(byte)) : hexEscape(code);
    }
    printQuoted(s, out);
}

void PrintTo(Error::Kind kind, std::ostream* out) {
    *out << QMetaEnum::fromType<Error::Kind>().valueToKey(int(kind));
}

void PrintTo(const Error& error, std::ostream* out) {
    *out << error;
}

std::ostream& operator<<(std::ostream& out, const Error& error) {
    return out << error.debugText().toStdString();
}
