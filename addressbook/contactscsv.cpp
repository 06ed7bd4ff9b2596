#include "addressbook/contactscsv.h"

#include <QStringDecoder>

#include "text/shiftjis.h"

namespace {

// UTF-8 when the bytes are valid UTF-8; Windows' Japanese exports are Shift-JIS.
QString decoded(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? ShiftJis::decode(bytes) : text;
}

QString normalised(const QString& header) {
    QString h = header.trimmed().toLower();
    h.remove(u' ');
    h.remove(u'-');
    h.remove(u'_');
    return h;
}

// Column names as the clients write them, normalised (lower case, no spaces, hyphens or underscores).
const QStringList kAddressColumns = {
    QStringLiteral("emailaddress"),   QStringLiteral("email1value"),
    QStringLiteral("primaryemail"),   QStringLiteral("email"),
    QStringLiteral("mail"),           QStringLiteral("電子メールアドレス"),
    QStringLiteral("メールアドレス"), QStringLiteral("eメールアドレス"),
    QStringLiteral("メール"),
};
const QStringList kNameColumns = {
    QStringLiteral("displayname"), QStringLiteral("name"), QStringLiteral("fullname"),
    QStringLiteral("表示名"),      QStringLiteral("名前"), QStringLiteral("氏名"),
};
const QStringList kGivenColumns = {QStringLiteral("firstname"), QStringLiteral("givenname"),
                                   QStringLiteral("名")};
const QStringList kFamilyColumns = {QStringLiteral("lastname"), QStringLiteral("familyname"),
                                    QStringLiteral("姓")};

bool isLatin(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x3000)
            return false;
    return true;
}

qsizetype columnOf(const QStringList& header, const QStringList& names) {
    for (const QString& name : names)
        for (qsizetype i = 0; i < header.size(); ++i)
            if (normalised(header[i]) == name)
                return i;
    return -1;
}

} // namespace

namespace ContactsCsv {

QList<QStringList> parseRows(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool rowHasContent = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            rowHasContent = true;
        } else if (c == u',') {
            row.append(field);
            field.clear();
            rowHasContent = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            if (rowHasContent || !field.isEmpty()) {
                row.append(field);
                rows.append(row);
            }
            row.clear();
            field.clear();
            rowHasContent = false;
        } else {
            field += c;
            rowHasContent = true;
        }
    }
    if (rowHasContent || !field.isEmpty()) {
        row.append(field);
        rows.append(row);
    }
    return rows;
}

Result<QList<AddressEntry>> read(QByteArrayView bytes) {
    const QList<QStringList> rows = parseRows(decoded(bytes));
    if (rows.isEmpty())
        return Result<QList<AddressEntry>>::failure({.kind = Error::Kind::CsvEmpty});
    const QStringList& header = rows.first();
    const qsizetype address = columnOf(header, kAddressColumns);
    if (address < 0)
        return Result<QList<AddressEntry>>::failure({.kind = Error::Kind::CsvWithoutAddress});
    const qsizetype name = columnOf(header, kNameColumns);
    const qsizetype given = columnOf(header, kGivenColumns);
    const qsizetype family = columnOf(header, kFamilyColumns);
    const bool japaneseHeader = family >= 0 && header[family].trimmed() == QStringLiteral("姓");

    QList<AddressEntry> entries;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        const QString mail = row.value(address).trimmed();
        if (mail.isEmpty())
            continue;
        QString display = name >= 0 ? row.value(name).trimmed() : QString();
        if (display.isEmpty()) {
            const QString g = given >= 0 ? row.value(given).trimmed() : QString();
            const QString f = family >= 0 ? row.value(family).trimmed() : QString();
            // Japanese names put the family name first, whichever language the header is in.
            const bool familyFirst = japaneseHeader || !isLatin(f + g);
            display = familyFirst ? f + u' ' + g : g + u' ' + f;
            display = display.trimmed();
        }
        entries.append({display, mail});
    }
    return entries;
}

} // namespace ContactsCsv
