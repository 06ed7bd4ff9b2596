#include "text/error.h"

QString Error::debugText() const {
    QStringList particulars;
    for (const QString& s : {name, detail, subject, sender})
        if (!s.isEmpty())
            particulars << s;
    if (number != 0)
        particulars << QStringLiteral("#%1").arg(number);
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
