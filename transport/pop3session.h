#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>

#include "text/result.h"
#include "transport/bearertokensource.h"
#include "transport/certificatetrust.h"
#include "transport/linereader.h"
#include "transport/mailbox.h"
#include "transport/mailsocket.h"
#include "transport/saslbearer.h"
#include "transport/tlspolicy.h"

// One POP3 session (RFC 1939) over our own socket, in clear, with STLS
// (RFC 2595) when the server offers it, or with TLS from the start. A
// server once seen with TLS must offer it again (TlsPolicy); in clear, no
// password-bearing command leaves before the user agreed.
//
// Login: APOP when the account asks for it (a greeting without a timestamp
// is then an error, never a fall back); over TLS, SASL PLAIN (RFC 5034)
// when offered, else USER/PASS; in clear, APOP whenever the greeting allows
// it, and USER/PASS only when nothing better is there. An account signed in
// through its provider (Options::bearer) logs in with an OAuth 2.0 token
// instead, by SASL OAUTHBEARER or XOAUTH2, over TLS only; a refused token
// is renewed and tried once more.
//
// When the server announces PIPELINING (RFC 2449), fetchRaw(n) keeps a
// window of later RETRs in flight, bounded by count and by their LIST sizes,
// so that the server sends while the caller decodes and stores; remove(n)
// only queues, and the DELEs go out as one batch in flushRemovals() or
// close(), or with the QUIT behind them in flushRemovalsAndClose(). Without
// PIPELINING, every command waits for its answer.
class Pop3Session : public Mailbox {
  public:
    struct Options {
        MailSocket::Timeouts timeouts;
        qint64 maxMessageBytes = 64 << 20;
        // RETRs in flight: enough to keep a server busy across a round trip
        // of tens of milliseconds; what comes ahead waits in the socket.
        int windowMessages = 128;
        qint64 windowBytes = 4 << 20;
        // Set: the login is a bearer token's, and the password is not used.
        std::shared_ptr<BearerTokenSource> bearer;
    };

    Pop3Session();
    explicit Pop3Session(Options options, CertificateTrust trust = {}, TlsPolicy policy = {});
    // Over a stream of the caller's (tests play a server through one).
    Pop3Session(Options options, std::unique_ptr<MailStream> stream, TlsPolicy policy);
    ~Pop3Session() override;

    Status connect(const QString& server) override;
    Result<int> authenticate(const QString& id, const QString& password, bool apop) override;
    qint64 size(int n) const override; // -1 for a number the server did not list
    bool isTooLarge(int n) const override;
    Result<QByteArray> fetchRaw(int n) override;
    Status remove(int n) override;
    Status flushRemovals() override;
    void close() override;
    Status flushRemovalsAndClose() override;
    QString uidl(int n) const override;
    void passOver(const QSet<int>& numbers) override { passedOver_ = numbers; }
    bool removalsCommitted() const override { return committed_; }

  private:
    struct Reply {
        bool ok = false;
        QByteArray line; // "+OK ..." or "-ERR ..."
        QByteArray body; // of a multi-line reply, unstuffed, CR LF line ends
    };
    // A command sent whose reply is still to be read.
    struct Sent {
        QByteArray command;
        int message = 0;       // RETR and DELE
        qint64 bodyLimit = -1; // -1: single-line reply
    };

    bool fail(Error error);
    // Ends a connection that can no longer be trusted to be in step (no QUIT:
    // nothing is deleted).
    bool lose(Error error);
    // What the last failure was, or NotConnected when there was none.
    Error currentError() const;
    bool open(const QString& server);
    // The number of messages, or -1 (error_ says why).
    int logIn(const QString& id, const QString& password, bool apop);
    bool startTls();
    void send(const QByteArray& command, int message = 0, qint64 bodyLimit = -1);
    std::optional<Reply> receive();
    std::optional<Reply> command(const QByteArray& command, qint64 bodyLimit = -1);
    bool drain();
    // The queued DELEs sent; the batch that went.
    QList<int> sendRemovals();
    // The answers to the DELEs of `batch`: the first refusal, if any.
    Status removalAnswers(const QList<int>& batch);
    // The deletions are committed when the QUIT is answered +OK.
    void readQuitAnswer();
    // Drops the connection and what was known of the mailbox.
    void endSession();
    bool readBody(qint64 limit, qint64 deadline, QByteArray& body);
    bool readCapabilities();
    // The login the account and the server allow, or nothing (error_ says why).
    std::optional<QList<QByteArray>> loginCommands(const QString& id, const QString& password, bool apop);
    // Reads the reply to one login command; a refusal is given in the server's words.
    bool loginAccepted();
    enum class Sasl { Accepted, Refused, Lost };
    bool bearerLogin(const QString& user);
    // One AUTH exchange with `token`; a refusal in the server's words.
    Sasl bearerExchange(SaslBearer::Mechanism mechanism, const QString& user, const QString& token,
                        QString& refusal);
    // A line of a SASL exchange: "+ challenge", "+OK" or "-ERR".
    bool saslLine(QByteArray& line);
    // Reads the reply to LIST, in flight, and to UIDL (sent now unless it is in flight too).
    bool readListings();
    void requestThrough(int n);
    bool retrInFlight(int n) const;

    Options options_;
    CertificateTrust trust_; // before the stream, which refers to it
    std::unique_ptr<MailStream> stream_;
    LineReader reader_;
    TlsPolicy policy_;
    ServerAddress address_;
    QString service_; // "pop3 host:port"
    QString serverText_;
    QByteArray greeting_;
    QList<QByteArray> capabilities_;
    bool pipelining_ = false;
    int count_ = 0;
    QHash<int, qint64> sizes_;
    QHash<int, QString> uidls_;
    QList<Sent> inFlight_;
    int retrsInFlight_ = 0;
    qint64 retrBytesInFlight_ = 0;
    int nextRetr_ = 1;
    QSet<int> passedOver_; // not fetched ahead
    QList<int> removals_;  // DELEs not yet sent
    bool committed_ = false;
    std::optional<Error> error_;
};
