#pragma once

#include <QString>
#include <functional>

#include "text/result.h"
#include "transport/serveraddress.h"

// What we know of each server's TLS, kept for good in a small file beside
// the trusted certificates (one "service state" line each, readable by the
// user only; a service is "pop3 host:port" or "smtp host:port"):
//  - "tls": the server once gave us TLS. From then on it must, and a
//    connection that offers none is refused: someone on the path may have
//    removed the offer (RFC 3207 section 6, RFC 2595 section 2.2).
//  - "clear": the user agreed to log in without TLS to a server that never
//    offered it.
// A server that never offered TLS gets no password until the user agreed,
// asked once, before the first password-bearing command leaves. A "No" is
// not kept: the next check asks again.
class TlsPolicy {
  public:
    // Asked on the thread of the connection, with the error a "No" gives (a
    // ClearLoginDeclined); true lets the login go out in clear.
    using Question = std::function<bool(const Error& ifDeclined)>;

    static inline const QString kFileName = QStringLiteral("server-tls");

    // Remembers nothing and asks nobody: a login in clear is refused.
    TlsPolicy() = default;
    // Without a file nothing is remembered, but the question is still asked.
    TlsPolicy(QString file, Question ask);

    // "pop3 mail.example.jp:110": the host in lower case, the port as used.
    static QString service(const char* protocol, const ServerAddress& address);

    // The connection to `service` is encrypted: TLS is required of it from now on.
    Status rememberTls(const QString& service) const;
    // Whether `service` has given us TLS before.
    bool requiresTls(const QString& service) const;
    // The server offers no TLS: fails (TlsWithdrawn) when it did before.
    Status acceptNoTls(const QString& service, const QString& serverText) const;
    // Before a password leaves in clear: fails unless the user agrees (now,
    // or at an earlier connection).
    Status allowClearLogin(const QString& service, const QString& serverText) const;

  private:
    QString stateOf(const QString& service) const;
    Status remember(const QString& service, const QString& state) const;

    QString file_;
    Question ask_;
};
