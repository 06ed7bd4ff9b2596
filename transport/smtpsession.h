#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "transport/bearertokensource.h"
#include "transport/certificatetrust.h"
#include "transport/linereader.h"
#include "transport/mailsender.h"
#include "transport/mailsocket.h"
#include "transport/serveraddress.h"
#include "transport/smtpreply.h"
#include "transport/tlspolicy.h"

// The account to log in with (iniIdPass.ini's ID and password).
struct SmtpLogin {
    QString id; // empty: never log in
    QString password;
    // Set: the login is the signed-in account's OAuth 2.0 token
    // (OAUTHBEARER or XOAUTH2), over TLS only, and the password is not used.
    std::shared_ptr<BearerTokenSource> bearer = nullptr;
};

// One SMTP session (RFC 5321) over our own socket, opened with the first
// mail and kept for the next ones; QUIT when it goes. The server field may
// be "host", "host:port", "smtp://host[:port]" (port 25, STARTTLS whenever
// the server offers it) or "smtps://host[:port]" and port 465 (TLS from the
// start). Offered TLS is taken, and a refusal or a failed handshake is an
// error, never plain text; a server once seen with TLS must offer it again
// (TlsPolicy). The certificate is put to the trust inside the connection.
//
// Login, when the server offers AUTH and an ID is given: CRAM-MD5 when
// offered, else PLAIN, else LOGIN; in clear only once the user agreed (the
// TLS policy asks before AUTH leaves). No AUTH offered: the mail goes
// without a login and without a question. A token (OAUTHBEARER, XOAUTH2)
// never goes in clear; one the server refuses is renewed and tried once more.
//
// Each mail's envelope gets the bare addresses (the To header keeps the
// names) and its size where the server takes SIZE (RFC 1870): a mail over
// the server's limit never leaves. Where the server pipelines (RFC 2920),
// MAIL, RCPT and DATA go out together, and a mail's content goes together
// with the next mail's envelope, so that a send-to-all costs one round trip
// a mail. A recipient the server refuses is named in the outcome while the
// others get the mail; a mail refused after MAIL is followed by RSET, and
// the next mail goes on. A failure carries the server's own reply.
//
// Some failures end the session for good (MailOutcome::connectionEnded):
// every mail after them fails in the same words without a word to the
// server: it hung up or stopped answering, the user refused a login in clear
// or a certificate, the login was refused, the job was cancelled.
class SmtpSession : public MailConnection {
  public:
    struct Options {
        MailSocket::Timeouts timeouts;
        SmtpLogin login;
    };

    SmtpSession(Options options, CertificateTrust trust, TlsPolicy policy, QString server);
    // Over a stream of the caller's (tests play a server through one).
    SmtpSession(Options options, std::unique_ptr<MailStream> stream, TlsPolicy policy, QString server);
    ~SmtpSession() override;
    SmtpSession(const SmtpSession&) = delete;
    SmtpSession& operator=(const SmtpSession&) = delete;

    void submit(const OutgoingMail& mail) override;
    // With the Date the mail carries.
    void submit(const OutgoingMail& mail, const QDateTime& now);
    MailOutcome result() override;

  private:
    // A mail handed over, until its outcome is asked for.
    struct Mail {
        qint64 serial = 0;
        QByteArray from = {}; // bare addresses
        QList<QByteArray> recipients = {};
        QByteArray parameters = {}; // of MAIL FROM: " SIZE=…", " BODY=8BITMIME"
        QByteArray content = {};    // as DATA carries it, up to its "."
        int accepted = 0;           // recipients the server took
        bool transaction = false;   // the server took MAIL: a mail that goes no further is reset
        bool done = false;
        MailOutcome outcome = {};
    };
    // A reply the server owes, in the order the commands went.
    struct Owed {
        enum Step { MailFrom, RcptTo, Data, Content, Rset, Quit } step;
        qint64 serial = 0;
        int recipient = 0;
        qint64 bytes = 0; // of the content
    };
    // Answers a challenge (its base64 text) of the `round`th 334; none cancels the exchange.
    using Answer = std::function<std::optional<QByteArray>(int round, const QByteArray& challenge)>;

    bool setUp();
    bool hello();
    bool startTls();
    bool logIn();
    bool bearerLogin();
    // One AUTH exchange; its final reply.
    std::optional<SmtpReply> authenticate(const QByteArray& command, const Answer& answer);
    std::optional<SmtpReply> passwordLogin();

    // Ends the session for good: every mail still waiting fails with `why`
    // (the first reason given); QUIT first where the server is waiting for a command.
    bool end(Error why, bool sayQuit = false);
    void quit();
    // The next reply; none when the session ended meanwhile.
    std::optional<SmtpReply> reply(qint64 bytes = 0);
    std::optional<SmtpReply> ask(const QByteArray& command);
    void command(const QByteArray& line, Owed owed);
    // Reads the reply owed first and acts on it; false when the session ended.
    bool readOwed();
    bool owes(Owed::Step step) const;
    // Reads every reply owed.
    bool settle();
    void sendEnvelope(Mail& mail);
    void goAhead(Mail& mail, const SmtpReply& reply);
    // The mail goes no further: it fails with its first refusal, and an open transaction is reset.
    void abandon(Mail& mail, const std::optional<SmtpReply>& reply = std::nullopt);
    Mail* mailOf(qint64 serial);
    void fail(Mail& mail, Error why);
    Error refused(const SmtpReply& reply, const QByteArray& recipient = {}) const;

    Options options_;
    CertificateTrust trust_; // before the stream, which refers to it
    std::unique_ptr<MailStream> stream_;
    LineReader reader_;
    TlsPolicy policy_;
    QString serverText_;
    std::optional<ServerAddress> address_;
    QString service_; // "smtp host:port"
    bool ready_ = false;
    std::optional<Error> ended_;
    // What EHLO announced.
    bool startTlsOffered_ = false;
    bool pipelining_ = false;
    bool eightBitMime_ = false;
    bool sizeOffered_ = false;
    qint64 maxSize_ = 0; // 0: no limit given
    QList<QByteArray> authMechanisms_;

    std::deque<Mail> mails_;
    QList<Owed> owed_;
    qint64 serial_ = 0;
};
