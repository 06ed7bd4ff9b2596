#include "search/searchtext.h"

#include <QRegularExpression>

#include "store/mailrecord.h"
#include "text/shiftjis.h"
#include "text/text.h"

namespace {

// One code point for characters that stand for the same thing in Japanese
// mail. CP932 turns 0x8160 into U+FF5E and 0x817C into U+FF0D, JIS decoders
// into U+301C and U+2212; mailers pick any of the dashes.
char16_t unified(char16_t c) {
    switch (c) {
    case u'\u301C': // wave dash
    case u'\u223C': // tilde operator
        return u'~';
    case u'\u2010':
    case u'\u2011':
    case u'\u2012':
    case u'\u2013':
    case u'\u2014':
    case u'\u2015':
    case u'\u2212':
        return u'-';
    case u'\u2016':
        return u'\u2225'; // double vertical line / parallel to
    default:
        break;
    }
    if (c >= u'\u30A1' && c <= u'\u30F6')
        return char16_t(c - 0x60); // katakana to hiragana
    if (c == u'\u30FD' || c == u'\u30FE')
        return char16_t(c - 0x60);
    return c;
}

bool isAsciiOnly(QStringView text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// The field's text without the space padding, found on the bytes so that
// the padding of a 32000-byte body is never decoded.
QString field(QByteArrayView record, qsizetype offset, qsizetype width) {
    QByteArrayView bytes = record.sliced(offset, width);
    while (!bytes.isEmpty() && bytes.back() == ' ')
        bytes.chop(1);
    return TrimSpaces(CutAtNul(ShiftJis::decode(bytes)));
}

} // namespace

namespace SearchText {

QString fold(QStringView text) {
    // NFKC and case folding cost most of the time; plain ASCII needs neither.
    QString out = isAsciiOnly(text)
                      ? text.toString().toLower()
                      : text.toString().normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (QChar& c : out)
        c = QChar(unified(c.unicode()));
    return out;
}

QStringList words(const QString& query) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    QStringList out;
    for (const QString& word : fold(query).split(space, Qt::SkipEmptyParts))
        if (!out.contains(word))
            out.append(word);
    return out;
}

QString ofRecord(QByteArrayView recordBytes) {
    using R = MailRecord;
    const QString text = field(recordBytes, R::kSubjectOffset, R::kSubjectWidth) + u'\n' +
                         field(recordBytes, R::kPartyOffset, R::kPartyWidth) + u'\n' +
                         field(recordBytes, R::kDateOffset, R::kDateWidth) + u'\n' +
                         field(recordBytes, R::kBodyOffset, R::kBodyWidth);
    return fold(text);
}

bool holdsAll(const QString& folded, const QStringList& words) {
    for (const QString& word : words)
        if (!folded.contains(word))
            return false;
    return true;
}

} // namespace SearchText
