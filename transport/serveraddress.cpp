#include "transport/serveraddress.h"

#include <QUrl>

std::optional<ServerAddress> ServerAddress::parse(const QString& text, int defaultPort) {
    const QString s = text.trimmed();
    if (s.isEmpty())
        return std::nullopt;
    ServerAddress a;
    a.port = defaultPort;
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
    } else if (s.count(u':') > 1) {
        a.host = s; // a bare IPv6 address
    } else {
        a.host = s;
    }
    if (!portText.isNull()) {
        bool ok = false;
        a.port = portText.toInt(&ok);
        if (!ok || a.port < 1 || a.port > 65535)
            return std::nullopt;
    }
    if (a.host.isEmpty())
        return std::nullopt;
    for (const QChar c : std::as_const(a.host))
        if (c.isSpace() || c == u'/' || c == u'?' || c == u'#' || c == u'@')
            return std::nullopt;
    return a;
}

QByteArray ServerAddress::url(const char* scheme) const {
    QByteArray name;
    if (host.contains(u':'))
        name = '[' + host.toLatin1() + ']'; // IPv6
    else if (name = QUrl::toAce(host); name.isEmpty())
        name = host.toUtf8();
    return QByteArray(scheme) + "://" + name + ':' + QByteArray::number(port) + '/';
}
