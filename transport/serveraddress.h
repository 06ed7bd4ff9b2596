#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A server name as the settings hold it: "host", "host:port", "[::1]:port".
// Without a port, the protocol's standard port applies.
struct ServerAddress {
    QString host;
    int port = 0;

    static std::optional<ServerAddress> parse(const QString& text, int defaultPort);
    // "scheme://host:port/" with an IPv6 host in brackets.
    QByteArray url(const char* scheme) const;
};
