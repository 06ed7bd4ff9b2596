#include "text/error.h"

bool operator==(const Error& a, const Error& b) {
    const bool sameCause = a.cause && b.cause ? *a.cause == *b.cause : a.cause == b.cause;
    return a.kind == b.kind && a.name == b.name && a.path == b.path && a.detail == b.detail &&
           a.number == b.number && a.count == b.count && a.bytes == b.bytes &&
           a.systemError == b.systemError && a.certificateReasons == b.certificateReasons &&
           a.subject == b.subject && a.sender == b.sender && sameCause;
}

QString Error::debugText() const {
    QStringList particulars;
    for (const QString& s : {name, path, detail, subject, sender})
        if (!s.isEmpty())
            particulars << s;
    if (number != 0)
        particulars << QStringLiteral("#%1").arg(number);
    if (count != 0)
        particulars << QStringLiteral("%1 of them").arg(count);
    if (bytes != 0)
        particulars << QStringLiteral("%1 bytes").arg(bytes);
    if (systemError != 0)
        particulars << QStringLiteral("errno %1").arg(systemError);
    for (int reason : certificateReasons)
        particulars << QStringLiteral("certificate check %1").arg(reason);
    QString text = QString::fromLatin1(QMetaEnum::fromType<Kind>().valueToKey(int(kind))) + u'(' +
                   particulars.join(QStringLiteral(", ")) + u')';
    if (cause)
        text += QStringLiteral(" <- ") + cause->debugText();
    return text;
}
