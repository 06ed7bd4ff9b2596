#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// How a protocol may be written in a server field: its scheme in clear (TLS
// when the server offers it) and its scheme with TLS from the start, each
// with its standard port.
struct ServerScheme {
    const char* name = nullptr;    // "pop3"
    const char* tlsName = nullptr; // "pop3s"
    int port = 0;
    int tlsPort = 0;
};

inline constexpr ServerScheme kPop3Scheme{"pop3", "pop3s", 110, 995};
inline constexpr ServerScheme kSmtpScheme{"smtp", "smtps", 25, 465};

// A server name as the settings hold it: "host", "host:port", "[::1]:port",
// optionally behind the protocol's scheme ("pop3://host", "pop3s://host:
// 1995"). Without a port, the scheme's standard port applies; without a
// scheme, the TLS port means TLS from the start.
struct ServerAddress {
    QString host;
    int port = 0;
    bool tlsFromStart = false;

    static std::optional<ServerAddress> parse(const QString& text, const ServerScheme& scheme);
    // No scheme, only "host[:port]".
    static std::optional<ServerAddress> parse(const QString& text, int defaultPort);
    // "scheme://host:port/" with an IPv6 host in brackets.
    QByteArray url(const char* scheme) const;
};
