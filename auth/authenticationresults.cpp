#include "auth/authenticationresults.h"

namespace {

// The value without its comments (nested, with quoted pairs), each comment
// a space; quoted strings are kept as they are.
QByteArray withoutComments(QByteArrayView v) {
    QByteArray out;
    int depth = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v[i];
        if (c == '\\' && (quoted || depth > 0) && i + 1 < v.size()) {
            if (depth == 0)
                out += v.sliced(i, 2).toByteArray();
            ++i;
        } else if (depth > 0) {
            if (c == '(')
                ++depth;
            else if (c == ')' && --depth == 0)
                out += ' ';
        } else if (c == '"') {
            quoted = !quoted;
            out += c;
        } else if (c == '(' && !quoted) {
            depth = 1;
        } else {
            out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
        }
    }
    return out;
}

// Splits at `separator` outside quoted strings.
QList<QByteArray> splitOutsideQuotes(const QByteArray& v, char separator) {
    QList<QByteArray> parts;
    QByteArray part;
    bool quoted = false;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v[i];
        if (c == '"')
            quoted = !quoted;
        if (c == '\\' && quoted && i + 1 < v.size()) {
            part += c;
            part += v[++i];
        } else if (c == separator && !quoted) {
            parts.append(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.append(part);
    return parts;
}

QByteArray unquoted(QByteArray v) {
    if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"')) {
        v = v.mid(1, v.size() - 2);
        v.replace("\\\"", "\"");
        v.replace("\\\\", "\\");
    }
    return v;
}

// "key = value" pairs separated by spaces: the spaces a sender may put
// around "=" (CFWS) are closed up first.
QList<QByteArray> pairs(const QByteArray& resinfo) {
    QByteArray closed;
    bool quoted = false;
    for (qsizetype i = 0; i < resinfo.size(); ++i) {
        const char c = resinfo[i];
        if (c == '"')
            quoted = !quoted;
        if (!quoted && c == ' ') {
            qsizetype next = i;
            while (next < resinfo.size() && resinfo[next] == ' ')
                ++next;
            const bool besideEquals =
                (next < resinfo.size() && (resinfo[next] == '=' || resinfo[next] == '/')) ||
                (!closed.isEmpty() && (closed.endsWith('=') || closed.endsWith('/')));
            closed += besideEquals ? QByteArray() : QByteArray(" ");
            i = next - 1;
            continue;
        }
        closed += c;
    }
    QList<QByteArray> out;
    for (const QByteArray& p : splitOutsideQuotes(closed, ' ')) {
        if (!p.isEmpty())
            out.append(p);
    }
    return out;
}

std::optional<AuthMethodResult> methodResult(const QByteArray& resinfo) {
    const QList<QByteArray> ps = pairs(resinfo);
    if (ps.isEmpty())
        return std::nullopt;
    const qsizetype eq = ps[0].indexOf('=');
    if (eq <= 0)
        return std::nullopt;
    AuthMethodResult r;
    r.method = ps[0].left(eq).toLower();
    r.method = r.method.left(r.method.indexOf('/') < 0 ? r.method.size() : r.method.indexOf('/'));
    r.result = unquoted(ps[0].mid(eq + 1)).toLower();
    for (qsizetype i = 1; i < ps.size(); ++i) {
        const qsizetype e = ps[i].indexOf('=');
        if (e > 0)
            r.properties.insert(ps[i].left(e).toLower(), unquoted(ps[i].mid(e + 1)));
    }
    return r;
}

} // namespace

std::optional<AuthenticationResults> AuthenticationResults::parse(QByteArrayView value) {
    const QList<QByteArray> parts = splitOutsideQuotes(withoutComments(value), ';');
    AuthenticationResults ar;
    qsizetype first = 0;
    const QList<QByteArray> head = pairs(parts[0]);
    if (head.isEmpty())
        return std::nullopt;
    if (head[0].contains('=')) {
        // Microsoft 365 writes its results without an authserv-id.
    } else {
        ar.authservId = head[0].toLower();
        first = 1;
        // "none" after the id (and an optional version) says no method ran.
        bool noResult = false;
        for (qsizetype i = 1; i < head.size(); ++i) {
            bool isVersion = false;
            head[i].toInt(&isVersion);
            noResult = head[i].toLower() == "none";
            if (!isVersion && !noResult)
                return std::nullopt;
        }
        // An id alone is no verdict: it has "none" or results after a ";".
        if (parts.size() == 1 && !noResult)
            return std::nullopt;
    }
    for (qsizetype i = first; i < parts.size(); ++i) {
        const QByteArray part = parts[i].trimmed();
        if (part.isEmpty() || (i == 1 && part.toLower() == "none"))
            continue;
        std::optional<AuthMethodResult> r = methodResult(parts[i]);
        if (!r)
            return std::nullopt;
        ar.results.append(*r);
    }
    return ar;
}

const AuthMethodResult* AuthenticationResults::best(QByteArrayView method) const {
    const AuthMethodResult* found = nullptr;
    for (const AuthMethodResult& r : results) {
        if (r.method != method)
            continue;
        if (r.result == "pass")
            return &r;
        if (!found)
            found = &r;
    }
    return found;
}
