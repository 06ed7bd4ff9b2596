#include "auth/rawmessage.h"

namespace {

QByteArray withCrLf(QByteArrayView raw) {
    QByteArray out;
    out.reserve(raw.size() + raw.size() / 32);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r'))
            out += '\r';
        out += raw[i];
    }
    return out;
}

} // namespace

QByteArray RawHeaderField::value() const {
    const qsizetype colon = raw.indexOf(':');
    QByteArray v = raw.mid(colon + 1);
    v.replace("\r\n", "");
    return v.trimmed();
}

RawMessage RawMessage::split(QByteArrayView rawView) {
    const QByteArray raw = withCrLf(rawView);
    RawMessage m;
    qsizetype pos = 0;
    while (pos < raw.size()) {
        qsizetype end = raw.indexOf("\r\n", pos);
        if (end < 0)
            end = raw.size();
        if (end == pos) { // the empty line before the body
            m.body = raw.mid(pos + 2);
            return m;
        }
        const bool continuation = raw[pos] == ' ' || raw[pos] == '\t';
        const QByteArray line = raw.mid(pos, qMin(end + 2, raw.size()) - pos);
        if (continuation && !m.fields.isEmpty()) {
            m.fields.last().raw += line;
        } else {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                m.fields.append({line.left(colon).trimmed(), line});
        }
        pos = end + 2;
    }
    return m;
}

QList<const RawHeaderField*> RawMessage::all(QByteArrayView name) const {
    QList<const RawHeaderField*> found;
    for (const RawHeaderField& f : fields) {
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            found.append(&f);
    }
    return found;
}
