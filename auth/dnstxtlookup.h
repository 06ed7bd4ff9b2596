#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <chrono>
#include <optional>

// A DNS TXT lookup of our own over UDP (RFC 1035), blocking for at most its
// timeout: what DKIM needs of DNS, with a deadline Qt's lookup cannot be
// given, and a server and port that tests can point at loopback. Answers
// come whole or not at all (EDNS0 asks for 1232 bytes; a truncated answer
// is a failure, not a reason to try TCP).
class DnsTxtLookup {
  public:
    struct Server {
        QString address; // IPv4 or IPv6, numeric
        quint16 port = 53;
    };
    struct Answer {
        enum class Status { Found, NoSuchName, Failed };
        Status status = Status::Failed;
        QList<QByteArray> records; // each record's strings joined
    };

    // The first nameserver of a resolv.conf; none when it names none.
    static std::optional<Server> systemServer(const QString& resolvConf = QStringLiteral("/etc/resolv.conf"));

    DnsTxtLookup(Server server, std::chrono::milliseconds timeout);
    Answer lookup(QByteArrayView name) const;

  private:
    Server server_;
    std::chrono::milliseconds timeout_;
};
