#include "mime/headertext.h"

#include <QList>
#include <QMap>

#include "mime/charsets.h"

namespace {

QByteArray unfold(QByteArrayView raw) {
    QByteArray out;
    out.reserve(raw.size());
    for (char c : raw)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

bool isWhitespace(QByteArrayView bytes) {
    for (char c : bytes)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQ(QByteArrayView text) {
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=' && i + 2 < text.size() + 0 && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

struct EncodedWord {
    qsizetype begin = -1;
    qsizetype end = -1; // one past "?="
    QByteArray charset;
    QByteArray bytes;
};

// Finds the next well-formed "=?charset?B|Q?text?=" at or after `from`.
EncodedWord nextEncodedWord(const QByteArray& s, qsizetype from) {
    for (qsizetype start = s.indexOf("=?", from); start >= 0; start = s.indexOf("=?", start + 2)) {
        const qsizetype q1 = s.indexOf('?', start + 2);
        if (q1 < 0 || q1 + 2 >= s.size() || s[q1 + 2] != '?')
            continue;
        const char enc = char(s[q1 + 1] | 0x20);
        if (enc != 'b' && enc != 'q')
            continue;
        // The charset is checked before looking for the end: a run of
        // "=?a b?Q?" would otherwise search to the one far "?=" from each.
        const QByteArray charset = s.mid(start + 2, q1 - start - 2);
        if (charset.isEmpty() || charset.contains(' '))
            continue;
        const qsizetype textBegin = q1 + 3;
        const qsizetype close = s.indexOf("?=", textBegin);
        if (close < 0)
            return {};
        const QByteArrayView text(s.constData() + textBegin, close - textBegin);
        EncodedWord w;
        w.begin = start;
        w.end = close + 2;
        w.charset = charset.toLower();
        w.bytes = enc == 'b' ? QByteArray::fromBase64(text.toByteArray()) : decodeQ(text);
        return w;
    }
    return {};
}

QByteArrayView trimmedView(QByteArrayView v) {
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t'))
        v = v.sliced(1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t'))
        v.chop(1);
    return v;
}

// Splits "a; b=c; d="e;f"" at the semicolons outside quotes.
QList<QByteArray> splitParameters(QByteArrayView value) {
    QList<QByteArray> parts;
    QByteArray current;
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && quoted && i + 1 < value.size()) {
            current += c;
            current += value[++i];
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (c == ';' && !quoted) {
            parts.append(current);
            current.clear();
            continue;
        }
        current += c;
    }
    parts.append(current);
    return parts;
}

QByteArray unquote(QByteArrayView v) {
    v = trimmedView(v);
    if (v.size() < 2 || v.front() != '"' || v.back() != '"')
        return v.toByteArray();
    QByteArray out;
    for (qsizetype i = 1; i + 1 < v.size(); ++i) {
        if (v[i] == '\\' && i + 2 < v.size())
            ++i;
        out += v[i];
    }
    return out;
}

QByteArray percentDecode(QByteArrayView v) {
    QByteArray out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] == '%' && i + 2 < v.size() && hexValue(v[i + 1]) >= 0 && hexValue(v[i + 2]) >= 0) {
            out += char(hexValue(v[i + 1]) * 16 + hexValue(v[i + 2]));
            i += 2;
        } else {
            out += v[i];
        }
    }
    return out;
}

} // namespace

namespace HeaderText {

QString decode(QByteArrayView raw) {
    const QByteArray s = unfold(raw);
    QString out;
    qsizetype pos = 0;
    QByteArray pendingCharset;
    QByteArray pendingBytes;
    auto flush = [&]() {
        if (!pendingBytes.isEmpty() || !pendingCharset.isEmpty())
            out += Charsets::decode(pendingBytes, pendingCharset);
        pendingBytes.clear();
        pendingCharset.clear();
    };
    while (pos < s.size()) {
        EncodedWord w = nextEncodedWord(s, pos);
        if (w.begin < 0) {
            flush();
            out += Charsets::decodeUnlabelled(QByteArrayView(s).sliced(pos));
            break;
        }
        const QByteArrayView between = QByteArrayView(s).sliced(pos, w.begin - pos);
        const bool joinsPrevious = !pendingCharset.isEmpty() && isWhitespace(between);
        if (!joinsPrevious) {
            flush();
            out += Charsets::decodeUnlabelled(between);
        } else if (w.charset != pendingCharset) {
            flush(); // white space between encoded-words is not part of the text (RFC 2047 6.2)
        }
        pendingCharset = w.charset;
        pendingBytes += w.bytes;
        pos = w.end;
    }
    flush();
    return out;
}

QByteArray leadingToken(QByteArrayView headerValue) {
    const QList<QByteArray> parts = splitParameters(unfold(headerValue));
    return trimmedView(parts.value(0)).toByteArray().toLower();
}

QString parameter(QByteArrayView headerValue, QByteArrayView name) {
    const QByteArray wanted = name.toByteArray().toLower();
    const QList<QByteArray> parts = splitParameters(unfold(headerValue));
    QString plain;
    bool havePlain = false;
    QMap<int, QPair<bool, QByteArray>> pieces; // section -> (percent-encoded, value)
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray& part = parts[i];
        const qsizetype eq = part.indexOf('=');
        if (eq < 0)
            continue;
        QByteArray key = trimmedView(QByteArrayView(part).first(eq)).toByteArray().toLower();
        const QByteArray value = unquote(QByteArrayView(part).sliced(eq + 1));
        if (key == wanted) {
            plain = decode(value); // quoted RFC 2047 words or raw 8-bit, as old mailers send
            havePlain = true;
            continue;
        }
        if (!key.startsWith(wanted + '*'))
            continue;
        QByteArray rest = key.mid(wanted.size() + 1); // "", "0", "0*", ...
        bool encoded = false;
        if (rest.endsWith('*')) {
            encoded = true;
            rest.chop(1);
        }
        if (rest.isEmpty()) {
            pieces.insert(0, {true, value});
            continue;
        }
        bool ok = false;
        const int section = rest.toInt(&ok);
        if (ok && section >= 0 && section < 1000)
            pieces.insert(section, {encoded, value});
    }
    if (pieces.isEmpty())
        return havePlain ? plain : QString();

    // Sections are joined before percent-decoding: some mailers split a
    // "%XX" escape across two sections.
    QByteArray charset;
    QByteArray bytes;
    QByteArray pendingEncoded;
    bool first = true;
    for (auto it = pieces.cbegin(); it != pieces.cend(); ++it) {
        QByteArray value = it->second;
        if (it->first) {
            if (first) {
                // charset'language'text
                const qsizetype q1 = value.indexOf('\'');
                const qsizetype q2 = q1 >= 0 ? value.indexOf('\'', q1 + 1) : -1;
                if (q2 >= 0) {
                    charset = value.left(q1);
                    value = value.mid(q2 + 1);
                }
            }
            pendingEncoded += value;
        } else {
            bytes += percentDecode(pendingEncoded);
            pendingEncoded.clear();
            bytes += value;
        }
        first = false;
    }
    bytes += percentDecode(pendingEncoded);
    return Charsets::decode(bytes, charset);
}

} // namespace HeaderText
