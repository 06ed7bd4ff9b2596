#include "transport/smtpsession.h"

#include <algorithm>

#include "mime/recipients.h"
#include "transport/saslbearer.h"
#include "transport/saslpassword.h"

namespace {

using K = Error::Kind;

// Bytes of a reply that carries no mail, for its deadline.
constexpr qint64 kSmallReply = 4096;
// What EHLO says we are: a desktop has no name the server could look up,
// and this is what our mail has always said.
const QByteArray kClientName = "localhost";
// Challenges answered in one AUTH exchange: LOGIN takes two.
constexpr int kMaxChallenges = 3;

// An envelope address goes into one SMTP command line: a space, line break
// or other control character in it would end or split that command.
bool fitsEnvelope(const QString& address) {
    return std::none_of(address.cbegin(), address.cend(),
                        [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; });
}

bool hasEightBit(const QByteArray& bytes) {
    return std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return (c & 0x80) != 0; });
}

// The message as DATA carries it (RFC 5321 section 4.5.2): each line ended
// by CR LF (a lone CR or LF becomes one), a "." at the start of a line
// doubled, and the lone "." that ends it.
QByteArray dataContent(const QByteArray& message) {
    QByteArray out;
    out.reserve(message.size() + message.size() / 64 + 8);
    bool lineStart = true;
    for (qsizetype i = 0; i < message.size(); ++i) {
        const char c = message[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < message.size() && message[i + 1] == '\n')
                ++i;
            out += "\r\n";
            lineStart = true;
            continue;
        }
        if (lineStart && c == '.')
            out += '.';
        out += c;
        lineStart = false;
    }
    if (!lineStart)
        out += "\r\n";
    return out + ".\r\n";
}

} // namespace

SmtpSession::SmtpSession(Options options, CertificateTrust trust, TlsPolicy policy, QString server)
    : options_(std::move(options)), trust_(std::move(trust)),
      stream_(std::make_unique<MailSocket>(options_.timeouts, trust_)),
      reader_(*stream_, options_.timeouts.idleMillis), policy_(std::move(policy)),
      serverText_(server.trimmed()) {}

SmtpSession::SmtpSession(Options options, std::unique_ptr<MailStream> stream, TlsPolicy policy,
                         QString server)
    : options_(std::move(options)), stream_(std::move(stream)),
      reader_(*stream_, options_.timeouts.idleMillis), policy_(std::move(policy)),
      serverText_(server.trimmed()) {}

SmtpSession::~SmtpSession() {
    quit();
    stream_->close();
}

bool SmtpSession::end(Error why, bool sayQuit) {
    if (!ended_)
        ended_ = std::move(why);
    if (sayQuit)
        quit();
    stream_->close();
    reader_.discardBuffered();
    owed_.clear();
    ready_ = false;
    for (Mail& m : mails_)
        if (!m.done) {
            m.outcome = {.failure = *ended_, .connectionEnded = true};
            m.done = true;
        }
    return false;
}

void SmtpSession::quit() {
    // After a go-ahead, QUIT would be taken for the mail's content; a server
    // drops a mail unfinished when the connection ends.
    if (!stream_->isOpen() || owes(Owed::Data))
        return;
    command("QUIT", {Owed::Quit});
    while (!owed_.isEmpty() && readOwed()) {
    }
}

std::optional<SmtpReply> SmtpSession::reply(qint64 bytes) {
    Result<SmtpReply> r = SmtpReply::read(reader_, reader_.deadlineFor(kSmallReply + bytes));
    if (!r) {
        end(r.error());
        return std::nullopt;
    }
    // The server is closing the connection (RFC 5321 section 3.8).
    if (r->code == 421) {
        end(refused(*r));
        return std::nullopt;
    }
    return std::move(r).value();
}

std::optional<SmtpReply> SmtpSession::ask(const QByteArray& command) {
    stream_->write(command + "\r\n");
    return reply();
}

Error SmtpSession::refused(const SmtpReply& reply, const QByteArray& recipient) const {
    return {.kind = K::Refused, .name = QString::fromUtf8(recipient), .detail = reply.words()};
}

bool SmtpSession::setUp() {
    address_ = ServerAddress::parse(serverText_, kSmtpScheme);
    if (!address_)
        return end({.kind = K::BadServerName, .name = serverText_, .detail = QStringLiteral("SMTP")});
    service_ = TlsPolicy::service("smtp", *address_);
    if (!stream_->open(*address_, serverText_))
        return end(stream_->error());
    const std::optional<SmtpReply> greeting = reply();
    if (!greeting)
        return false;
    if (!greeting->positive())
        return end({.kind = K::ConnectionDeclined, .name = serverText_, .detail = greeting->words()}, true);
    if (!hello() || !startTls())
        return false;
    // Should the note not be written, the mail goes all the same; the next
    // connection is checked as a first one would be.
    if (stream_->isEncrypted())
        (void)policy_.rememberTls(service_);
    if (!logIn())
        return false;
    ready_ = true;
    return true;
}

bool SmtpSession::hello() {
    std::optional<SmtpReply> r = ask("EHLO " + kClientName);
    if (!r)
        return false;
    QList<QByteArray> keywords;
    if (r->positive()) {
        keywords = r->texts().mid(1);
    } else {
        // A server from before ESMTP (RFC 5321 section 3.2): no extensions.
        r = ask("HELO " + kClientName);
        if (!r)
            return false;
        if (!r->positive())
            return end({.kind = K::ConnectionDeclined, .name = serverText_, .detail = r->words()}, true);
    }
    startTlsOffered_ = pipelining_ = eightBitMime_ = sizeOffered_ = false;
    maxSize_ = 0;
    authMechanisms_.clear();
    for (const QByteArray& line : std::as_const(keywords)) {
        QList<QByteArray> words = line.simplified().split(' ');
        QByteArray keyword = words.takeFirst().toUpper();
        // "AUTH=PLAIN LOGIN" is how servers wrote it before RFC 4954.
        if (keyword.startsWith("AUTH=")) {
            words.prepend(keyword.mid(5));
            keyword = "AUTH";
        }
        startTlsOffered_ = startTlsOffered_ || keyword == "STARTTLS";
        pipelining_ = pipelining_ || keyword == "PIPELINING";
        eightBitMime_ = eightBitMime_ || keyword == "8BITMIME";
        if (keyword == "SIZE") {
            sizeOffered_ = true;
            maxSize_ = words.value(0).toLongLong();
        }
        if (keyword == "AUTH")
            authMechanisms_ += words;
    }
    return true;
}

bool SmtpSession::startTls() {
    if (stream_->isEncrypted())
        return true;
    if (!startTlsOffered_) {
        // From a server that gave TLS before: someone on the path may have removed the offer.
        if (const Status clear = policy_.acceptNoTls(service_, serverText_); !clear)
            return end(clear.error(), true);
        return true;
    }
    const std::optional<SmtpReply> r = ask("STARTTLS");
    if (!r)
        return false;
    if (r->code != 220) {
        if (const Status clear = policy_.acceptNoTls(service_, serverText_); !clear)
            return end(clear.error(), true);
        return end({.kind = K::StartTlsRefused, .name = serverText_, .detail = r->words()}, true);
    }
    // What came after the go-ahead came in clear and may be forged; so may
    // what EHLO said in clear (RFC 3207 section 4.2).
    reader_.discardBuffered();
    if (!stream_->startTls())
        return end(stream_->error());
    return hello();
}

bool SmtpSession::logIn() {
    if (options_.login.id.isEmpty() || authMechanisms_.isEmpty())
        return true;
    if (options_.login.bearer)
        return bearerLogin();
    // None of ours offered: the mail goes as it is, and a server that wants a
    // login says so in its own words.
    if (!SaslPassword::choose(authMechanisms_))
        return true;
    if (!stream_->isEncrypted())
        if (const Status agreed = policy_.allowClearLogin(service_, serverText_); !agreed)
            return end(agreed.error(), true);
    const std::optional<SmtpReply> r = passwordLogin();
    if (!r)
        return false;
    if (r->code != 235)
        return end({.kind = K::Login, .detail = r->words()}, true);
    return true;
}

std::optional<SmtpReply> SmtpSession::passwordLogin() {
    const QString& id = options_.login.id;
    const QString& password = options_.login.password;
    switch (*SaslPassword::choose(authMechanisms_)) {
    case SaslPassword::Mechanism::CramMd5:
        return authenticate("AUTH CRAM-MD5", [&](int round, const QByteArray& challenge) {
            return round == 0 ? std::optional(SaslPassword::cramMd5Answer(id, password,
                                                                          QByteArray::fromBase64(challenge)))
                              : std::nullopt;
        });
    case SaslPassword::Mechanism::Plain:
        return authenticate("AUTH PLAIN " + SaslPassword::plainMessage(id, password).toBase64(),
                            [](int, const QByteArray&) { return std::optional<QByteArray>(); });
    case SaslPassword::Mechanism::Login:
        return authenticate("AUTH LOGIN", [&](int round, const QByteArray&) {
            return round < 2 ? std::optional((round == 0 ? id : password).toUtf8()) : std::nullopt;
        });
    }
    return std::nullopt;
}

std::optional<SmtpReply> SmtpSession::authenticate(const QByteArray& command, const Answer& answer) {
    std::optional<SmtpReply> r = ask(command);
    for (int round = 0; r && r->code == 334; ++round) {
        const std::optional<QByteArray> a =
            round < kMaxChallenges ? answer(round, r->texts().value(0).trimmed()) : std::nullopt;
        // "*" gives up the exchange (RFC 4954 section 4); the server then refuses it.
        r = ask(a ? a->toBase64() : QByteArray("*"));
    }
    return r;
}

bool SmtpSession::bearerLogin() {
    // A token is as good as a password to whoever reads it, and the
    // provider's servers never take it in clear either.
    if (!stream_->isEncrypted())
        return end({.kind = K::TokenNeedsTls, .name = serverText_}, true);
    const std::optional<SaslBearer::Mechanism> mechanism = SaslBearer::choose(authMechanisms_);
    if (!mechanism)
        return end({.kind = K::NoTokenLogin, .name = serverText_, .detail = QStringLiteral("SMTP")}, true);
    Result<QString> token = options_.login.bearer->accessToken();
    for (int attempt = 1;; ++attempt) {
        if (!token)
            return end(token.error(), true);
        const QByteArray response = SaslBearer::initialResponse(*mechanism, options_.login.id, *token,
                                                                address_->host, address_->port);
        QString status;
        // A challenge is the server's error; answered, the server ends the exchange with its refusal.
        const std::optional<SmtpReply> r =
            authenticate("AUTH " + SaslBearer::name(*mechanism) + ' ' + response.toBase64(),
                         [&](int round, const QByteArray& challenge) -> std::optional<QByteArray> {
                             if (round > 0)
                                 return std::nullopt;
                             status = SaslBearer::challengeStatus(challenge);
                             return SaslBearer::errorAcknowledgement(*mechanism);
                         });
        if (!r)
            return false;
        if (r->code == 235)
            return true;
        if (attempt == 2)
            return end(
                {.kind = K::TokenRefused,
                 .name = serverText_,
                 .detail = r->words() + (status.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(status))},
                true);
        // Revoked, or expired before its time: once more with a new one.
        token = options_.login.bearer->renewedAccessToken();
    }
}

void SmtpSession::submit(const OutgoingMail& mail) {
    submit(mail, QDateTime::currentDateTime());
}

void SmtpSession::fail(Mail& mail, Error why) {
    mail.outcome.failure = std::move(why);
    mail.done = true;
}

void SmtpSession::submit(const OutgoingMail& mail, const QDateTime& now) {
    Mail& m = mails_.emplace_back(Mail{.serial = ++serial_});
    if (ended_)
        return (void)end(*ended_);
    const QList<Recipient> recipients = ParseRecipients(mail.recipient);
    if (recipients.isEmpty())
        return fail(m, {.kind = K::NoRecipient});
    for (const Recipient& r : recipients) {
        if (r.address.isEmpty() || !fitsEnvelope(r.address))
            return fail(m, {.kind = K::BadRecipient, .name = r.address});
        m.recipients.append(r.address.toUtf8());
    }
    const QString sender = mail.sender.trimmed();
    if (!fitsEnvelope(sender))
        return fail(m, {.kind = K::BadSender, .name = sender});
    m.from = sender.toUtf8();

    // A mail that cannot be built (an attachment gone) never reaches the
    // server; 8-bit content only once the server has said it takes it.
    Result<QByteArray> message = OutgoingMessage::build(mail, now, ready_ && eightBitMime_);
    if (message && !ready_) {
        if (!setUp())
            return;
        if (eightBitMime_)
            message = OutgoingMessage::build(mail, now, true);
    }
    if (!message)
        return fail(m, message.error());
    if (maxSize_ > 0 && message->size() > maxSize_)
        return fail(m, {.kind = K::TooLargeForServer, .number = maxSize_, .bytes = message->size()});
    if (sizeOffered_)
        m.parameters += " SIZE=" + QByteArray::number(message->size());
    if (eightBitMime_ && hasEightBit(*message))
        m.parameters += " BODY=8BITMIME";
    m.content = dataContent(*message);

    // The content of the mail before goes first, once the server has said
    // yes to its DATA; without PIPELINING every answer is in before a command.
    while (!owed_.isEmpty() && (!pipelining_ || owes(Owed::Data)))
        if (!readOwed())
            return;
    sendEnvelope(m);
}

void SmtpSession::command(const QByteArray& line, Owed owed) {
    stream_->write(line + "\r\n");
    owed_.append(owed);
}

bool SmtpSession::owes(Owed::Step step) const {
    return std::any_of(owed_.cbegin(), owed_.cend(), [step](const Owed& o) { return o.step == step; });
}

bool SmtpSession::settle() {
    while (!owed_.isEmpty())
        if (!readOwed())
            return false;
    return true;
}

void SmtpSession::sendEnvelope(Mail& m) {
    // Without PIPELINING each command waits for its answer, and a mail
    // refused on the way sends nothing more.
    command("MAIL FROM:<" + m.from + '>' + m.parameters, {Owed::MailFrom, m.serial});
    if (!pipelining_ && (!settle() || !m.transaction))
        return abandon(m);
    for (qsizetype i = 0; i < m.recipients.size(); ++i) {
        command("RCPT TO:<" + m.recipients[i] + '>', {Owed::RcptTo, m.serial, int(i)});
        if (!pipelining_ && !settle())
            return;
    }
    if (!pipelining_ && m.accepted == 0)
        return abandon(m);
    command("DATA", {Owed::Data, m.serial});
    if (!pipelining_)
        (void)settle();
}

SmtpSession::Mail* SmtpSession::mailOf(qint64 serial) {
    const auto it =
        std::find_if(mails_.begin(), mails_.end(), [serial](const Mail& m) { return m.serial == serial; });
    return it == mails_.end() ? nullptr : &*it;
}

void SmtpSession::abandon(Mail& m, const std::optional<SmtpReply>& reply) {
    if (m.done)
        return;
    const QList<Error> refusedRecipients = std::exchange(m.outcome.refusedRecipients, {});
    if (!m.outcome.failure)
        m.outcome.failure = m.accepted == 0 && !refusedRecipients.isEmpty() ? refusedRecipients.first()
                            : reply                                         ? refused(*reply)
                                                                            : Error{.kind = K::Refused};
    m.done = true;
    // The server still holds the sender (RFC 5321 section 4.1.1.5).
    if (m.transaction && stream_->isOpen())
        command("RSET", {Owed::Rset});
}

void SmtpSession::goAhead(Mail& m, const SmtpReply& r) {
    if (r.code != 354)
        return abandon(m, r);
    if (m.outcome.failure || m.accepted == 0) {
        // The server said yes to DATA for a mail it refused on the way:
        // the lone "." ends it without content (RFC 2920 section 3.1).
        command(".", {Owed::Content});
        return abandon(m);
    }
    stream_->write(m.content);
    owed_.append({Owed::Content, m.serial, 0, m.content.size()});
    m.content.clear();
}

bool SmtpSession::readOwed() {
    const Owed owed = owed_.takeFirst();
    if (owed.step == Owed::Content && !stream_->drain(reader_.deadlineFor(owed.bytes)))
        return end(stream_->error());
    const std::optional<SmtpReply> r = reply();
    if (!r)
        return false;
    Mail* m = mailOf(owed.serial);
    if (!m || m->done) {
        // A go-ahead for a mail already decided: the lone "." ends it.
        if (owed.step == Owed::Data && r->code == 354)
            command(".", {Owed::Content});
        return true;
    }
    switch (owed.step) {
    case Owed::MailFrom:
        if (r->positive())
            m->transaction = true;
        else
            m->outcome.failure = refused(*r);
        break;
    case Owed::RcptTo:
        if (r->positive())
            ++m->accepted;
        else
            m->outcome.refusedRecipients.append(refused(*r, m->recipients.value(owed.recipient)));
        break;
    case Owed::Data:
        goAhead(*m, *r);
        break;
    case Owed::Content:
        if (!r->positive())
            m->outcome = {.failure = refused(*r)};
        m->done = true;
        break;
    case Owed::Rset:
    case Owed::Quit:
        break;
    }
    return true;
}

MailOutcome SmtpSession::result() {
    Q_ASSERT(!mails_.empty());
    if (mails_.empty())
        return {.failure = ended_, .connectionEnded = true};
    while (!mails_.front().done && !owed_.isEmpty())
        if (!readOwed())
            break;
    Mail m = std::move(mails_.front());
    mails_.pop_front();
    if (!m.done) // nothing owed for it, yet undecided: the session ended under it
        return {.failure = ended_.value_or(Error{.kind = K::ConnectionLost, .name = serverText_}),
                .connectionEnded = true};
    return m.outcome;
}
