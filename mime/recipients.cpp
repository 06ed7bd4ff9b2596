#include "mime/recipients.h"

namespace {

QString stripQuotes(QString s) {
    s = s.trimmed();
    if (s.size() >= 2 && s.startsWith(u'"') && s.endsWith(u'"'))
        s = s.mid(1, s.size() - 2).trimmed();
    return s;
}

} // namespace

QList<Recipient> ParseRecipients(const QString& typed) {
    // Split at commas outside quotes and angle brackets.
    QStringList entries;
    QString current;
    bool quoted = false;
    int angle = 0;
    for (const QChar c : typed) {
        if (c == u'"')
            quoted = !quoted;
        else if (c == u'<' && !quoted)
            ++angle;
        else if (c == u'>' && !quoted && angle > 0)
            --angle;
        if ((c == u',' || c == u'，') && !quoted && angle == 0) {
            entries.append(current);
            current.clear();
            continue;
        }
        current += c;
    }
    entries.append(current);

    QList<Recipient> out;
    for (const QString& entry : std::as_const(entries)) {
        const QString e = entry.trimmed();
        if (e.isEmpty())
            continue;
        const qsizetype open = e.lastIndexOf(u'<');
        const qsizetype close = e.lastIndexOf(u'>');
        if (open >= 0 && close > open)
            out.append({stripQuotes(e.left(open)), e.mid(open + 1, close - open - 1).trimmed()});
        else
            out.append({QString(), e});
    }
    return out;
}
