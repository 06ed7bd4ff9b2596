#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "transport/tlspolicy.h"

// Reads the replies on each new SMTP connection in clear (greeting, EHLO,
// then the answer to STARTTLS when it was offered) and stops the transfer,
// before libcurl sends its next command, where going on would give away
// what must stay secret:
//  - the server offered STARTTLS and then refused it (libcurl's "when
//    offered" would carry on in clear);
//  - it offers no STARTTLS although it gave TLS before: someone on the path
//    may have removed the offer;
//  - it offers none, wants a login, and the user does not agree to send
//    the password in clear (asked here, on the sending thread, before
//    libcurl sends AUTH).
class SmtpTlsWatch {
  public:
    SmtpTlsWatch(TlsPolicy policy, QString service, QString serverText, bool login);

    // A new connection: its replies start again with the greeting.
    void reset();
    // False stops the transfer; refusal() then says why.
    bool see(const QByteArray& line);

    const std::optional<Error>& refusal() const { return refusal_; }
    // The server answered STARTTLS with 220 on this connection.
    bool startedTls() const { return startedTls_; }

  private:
    bool stop(Error why);
    bool checkNoTls();

    TlsPolicy policy_;
    QString service_;
    QString serverText_;
    bool login_;
    int replies_ = 0; // complete replies on this connection
    bool tlsOffered_ = false;
    bool authOffered_ = false;
    bool startedTls_ = false;
    std::optional<Error> refusal_;
};
