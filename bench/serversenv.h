#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A value of servers.env, which scripts/mailservers.sh writes into the
// servers' folder (ports, the mail domain, where the mail lives).
inline QString ServerSetting(const QString& serversDir, const QString& key) {
    QFile f(serversDir + QStringLiteral("/servers.env"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no servers.env in %s", qPrintable(serversDir));
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key.toLatin1() + '='))
            return QString::fromLatin1(line.mid(key.size() + 1).trimmed());
    return {};
}
