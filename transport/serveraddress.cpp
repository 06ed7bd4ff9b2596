#include "transport/serveraddress.h"

#include <QUrl>

namespace {

// Removes "scheme://" from the front of `s` when it is there.
bool takeScheme(QString& s, const char* scheme) {
    if (!scheme)
        return false;
    const QString prefix = QString::fromLatin1(scheme) + QStringLiteral("://");
    if (!s.startsWith(prefix, Qt::CaseInsensitive))
        return false;
    s = s.mid(prefix.size());
    if (s.endsWith(u'/'))
        s.chop(1);
    return true;
}

} // namespace

std::optional<ServerAddress> ServerAddress::parse(const QString& text, const ServerScheme& scheme) {
    QString s = text.trimmed();
    ServerAddress a;
    bool schemeGiven = true;
    if (takeScheme(s, scheme.tlsName))
        a.tlsFromStart = true;
    else if (!takeScheme(s, scheme.name))
        schemeGiven = false;
    if (s.isEmpty())
        return std::nullopt;
    a.port = a.tlsFromStart ? scheme.tlsPort : scheme.port;
    QString portText;
    if (s.startsWith(u'[')) {
        const qsizetype close = s.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        a.host = s.mid(1, close - 1);
        const QString rest = s.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return std::nullopt;
            portText = rest.mid(1);
        }
    } else if (s.count(u':') == 1) {
        const qsizetype colon = s.indexOf(u':');
        a.host = s.left(colon);
        portText = s.mid(colon + 1);
    } else {
        a.host = s; // a bare name, or a bare IPv6 address
    }
    if (!portText.isNull()) {
        bool ok = false;
        a.port = portText.toInt(&ok);
        if (!ok || a.port < 1 || a.port > 65535)
            return std::nullopt;
    }
    if (!schemeGiven && scheme.tlsPort != 0 && a.port == scheme.tlsPort)
        a.tlsFromStart = true;
    if (a.host.isEmpty())
        return std::nullopt;
    for (const QChar c : std::as_const(a.host))
        if (c.isSpace() || c == u'/' || c == u'?' || c == u'#' || c == u'@')
            return std::nullopt;
    return a;
}

std::optional<ServerAddress> ServerAddress::parse(const QString& text, int defaultPort) {
    return parse(text, ServerScheme{nullptr, nullptr, defaultPort, 0});
}

QByteArray ServerAddress::url(const char* scheme) const {
    QByteArray name;
    if (host.contains(u':'))
        name = '[' + host.toLatin1() + ']'; // IPv6
    else if (name = QUrl::toAce(host); name.isEmpty())
        name = host.toUtf8();
    return QByteArray(scheme) + "://" + name + ':' + QByteArray::number(port) + '/';
}
