#include "auth/dkimcanonical.h"

namespace {

bool isWsp(char c) {
    return c == ' ' || c == '\t';
}

// Runs of spaces and tabs as one space, none at the end of the line.
QByteArray squeezed(QByteArrayView line) {
    QByteArray out;
    out.reserve(line.size());
    bool space = false;
    for (char c : line) {
        if (isWsp(c)) {
            space = true;
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

} // namespace

namespace DkimCanonical {

QByteArray header(QByteArrayView field, Form form) {
    if (form == Form::Simple)
        return field.toByteArray();
    const qsizetype colon = field.indexOf(':');
    QByteArray value = field.sliced(colon + 1).toByteArray();
    value.replace("\r\n", "");
    return field.first(colon).trimmed().toByteArray().toLower() + ':' + squeezed(value).trimmed() + "\r\n";
}

QByteArray body(QByteArrayView body, Form form) {
    QByteArray out;
    if (form == Form::Simple) {
        out = body.toByteArray();
    } else {
        out.reserve(body.size());
        qsizetype pos = 0;
        while (pos < body.size()) {
            qsizetype end = body.indexOf("\r\n", pos);
            const bool lastWithoutEnd = end < 0;
            if (lastWithoutEnd)
                end = body.size();
            out += squeezed(body.sliced(pos, end - pos));
            out += "\r\n";
            pos = end + 2;
        }
    }
    // Both forms end in exactly one CR LF; relaxed makes an empty body empty.
    if (!out.endsWith("\r\n"))
        out += "\r\n";
    while (out.endsWith("\r\n\r\n"))
        out.chop(2);
    if (form == Form::Relaxed && out == "\r\n")
        out.clear();
    return out;
}

} // namespace DkimCanonical
