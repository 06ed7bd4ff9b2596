#include "auth/rawmessage.h"

namespace {

// In runs from one bare line feed to the next: most mail has CR LF
// throughout and is copied in one.
QByteArray withCrLf(QByteArrayView raw) {
    QByteArray out;
    out.reserve(raw.size() + 64);
    qsizetype pos = 0;
    for (qsizetype lf = raw.indexOf('\n'); lf >= 0; lf = raw.indexOf('\n', lf + 1)) {
        if (lf > 0 && raw[lf - 1] == '\r')
            continue;
        out.append(raw.sliced(pos, lf - pos));
        out.append("\r\n");
        pos = lf + 1;
    }
    out.append(raw.sliced(pos));
    return out;
}

} // namespace

QByteArray RawHeaderField::value() const {
    const qsizetype colon = raw.indexOf(':');
    QByteArray v = raw.mid(colon + 1);
    v.replace("\r\n", "");
    return v.trimmed();
}

RawMessage RawMessage::splitHeaders(QByteArrayView raw) {
    qsizetype end = raw.indexOf("\r\n\r\n");
    const qsizetype lfEnd = (end < 0 ? raw : raw.first(end)).indexOf("\n\n");
    if (lfEnd >= 0)
        end = lfEnd;
    RawMessage m = split(end < 0 ? raw : raw.first(end));
    m.body.clear();
    return m;
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
