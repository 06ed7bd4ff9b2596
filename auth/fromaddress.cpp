#include "auth/fromaddress.h"

#include "mime/headertext.h"

FromAddress FromAddress::parse(QByteArrayView rawValue) {
    const QString decoded = HeaderText::decode(rawValue).trimmed();
    FromAddress from;
    const qsizetype open = decoded.lastIndexOf(QLatin1Char('<'));
    const qsizetype close = decoded.lastIndexOf(QLatin1Char('>'));
    if (open < 0 || close < open) {
        from.address = decoded;
        return from;
    }
    from.address = decoded.mid(open + 1, close - open - 1).trimmed();
    QString name = decoded.left(open).trimmed();
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2).replace(QStringLiteral("\\\""), QStringLiteral("\""));
    from.displayName = name;
    return from;
}

QString FromAddress::domain() const {
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    return at < 0 ? QString() : address.mid(at + 1).toLower();
}
