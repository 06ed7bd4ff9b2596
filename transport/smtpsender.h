#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>

#include "mime/outgoingmail.h"
#include "transport/bearertokensource.h"
#include "transport/certificatetrust.h"
#include "transport/curlsession.h"
#include "transport/mailsender.h"
#include "transport/serveraddress.h"
#include "transport/tlspolicy.h"

inline constexpr ServerScheme kSmtpScheme{"smtp", "smtps", 25, 465};

class SmtpConnection;

// The account to log in with (iniIdPass.ini's ID and password).
struct SmtpLogin {
    QString id; // empty: never log in
    QString password;
    // Set: the login is the signed-in account's OAuth 2.0 token
    // (OAUTHBEARER or XOAUTH2), over TLS only, and the password is not used.
    std::shared_ptr<BearerTokenSource> bearer = nullptr;
};

// Sends mail through an SMTP server over libcurl. The server field may be
// "host", "host:port", "smtp://host[:port]" (port 25; STARTTLS whenever the
// server offers it, as on the submission port 587) or "smtps://host[:port]"
// and port 465 (TLS from the start). Once the server has offered TLS, a
// failed handshake, a refused STARTTLS or a certificate that may not be used
// is an error, never a fall back to plain text. The TLS policy remembers
// each server that gave TLS and refuses it when it later offers none.
//
// When the server offers AUTH and an ID is given, the sender logs in:
// libcurl picks DIGEST-MD5 or CRAM-MD5 before PLAIN and LOGIN. Without TLS
// the login goes out only once the user agreed (the TLS policy asks).
// No AUTH offered: the mail goes without logging in. A token never goes
// in clear; one the server refuses is renewed and tried once more.
//
// The envelope gets each bare recipient address; the To header keeps the
// names. A failure carries the server's own reply.
class SmtpSender : public MailSender {
  public:
    struct Options {
        CurlSession::Timeouts timeouts;
        SmtpLogin login;
    };

    explicit SmtpSender(CurlSession::Timeouts timeouts = {});
    SmtpSender(Options options, CertificateTrust trust, TlsPolicy policy = {});

    // One mail over a connection of its own.
    Status send(const QString& server, const OutgoingMail& mail,
                const QDateTime& now = QDateTime::currentDateTime()) const;

    // A connection for several mails in turn (a send-to-all): opened with
    // the first mail and kept for the next ones.
    SmtpConnection connect(const QString& server) const;
    std::unique_ptr<MailConnection> open(const QString& server) const override;

  private:
    Options options_;
    CertificateTrust trust_;
    TlsPolicy policy_;
};

// Mails to one server over one connection, kept open between them. A mail
// the server refuses costs the connection (libcurl closes it after a failed
// transfer); the next mail opens a new one. The connection ends (QUIT) when
// this object goes.
//
// Some failures end it for good (closed()): every later mail fails at once
// in the same words, without asking the user again, since it would fail
// the same way: the user refused a login in clear or a certificate, the
// server's TLS is not to be trusted, the server name is no name.
class SmtpConnection : public MailConnection {
  public:
    SmtpConnection(SmtpSender::Options options, CertificateTrust trust, TlsPolicy policy, QString server);
    ~SmtpConnection() override;
    SmtpConnection(SmtpConnection&&) noexcept;
    SmtpConnection& operator=(SmtpConnection&&) noexcept;

    Status send(const OutgoingMail& mail) override;
    Status send(const OutgoingMail& mail, const QDateTime& now);
    bool closed() const override;

  private:
    struct State;
    std::unique_ptr<State> d_;
};
