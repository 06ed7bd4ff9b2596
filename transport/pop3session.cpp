#include "transport/pop3session.h"

#include <QCryptographicHash>
#include <algorithm>

#include "transport/saslpassword.h"

namespace {

// Replies that are lists of numbers and sizes or ids; anything larger is not a POP3 server.
constexpr qint64 kListLimit = 64 << 20;
// Bytes of a reply that carries no message, for its deadline.
constexpr qint64 kSmallReply = 4096;

using K = Error::Kind;

Error unreadable(const QByteArray& line) {
    return {.kind = K::Protocol, .detail = QString::fromUtf8(line.left(200))};
}

// A message's error: `n` and what befell it.
Error ofMessage(K kind, int n, const QByteArray& reply = {}) {
    return {.kind = kind, .detail = QString::fromUtf8(reply), .number = n};
}

// "1 2048\r\n2 512\r\n" (LIST) or "1 abc\r\n" (UIDL): each line a message
// number and one more field, or nothing when a line is not of that form.
// The fields are views of `body`, read in place: a mailbox of ten thousand
// messages is listed at every check.
std::optional<QList<QPair<int, QByteArrayView>>> numberedLines(const QByteArray& body) {
    QList<QPair<int, QByteArrayView>> out;
    const QByteArrayView all(body);
    for (qsizetype start = 0; start < all.size();) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        const QByteArrayView line = all.sliced(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty())
            continue;
        const qsizetype space = line.indexOf(' ');
        bool ok = false;
        const int n = line.first(space < 0 ? line.size() : space).toInt(&ok);
        if (space < 0 || !ok || n < 1)
            return std::nullopt;
        const QByteArrayView rest = line.sliced(space + 1);
        const qsizetype next = rest.indexOf(' ');
        out.append({n, next < 0 ? rest : rest.first(next)});
    }
    return out;
}

// RFC 1939 section 7: a unique-id is 1 to 70 characters from 0x21 to 0x7E.
bool isUidl(QByteArrayView id) {
    return !id.isEmpty() && id.size() <= 70 &&
           std::all_of(id.cbegin(), id.cend(), [](char c) { return c >= 0x21 && c <= 0x7E; });
}

// The "<...@...>" of a greeting that allows APOP, or nothing. Only the form
// of an RFC 822 msg-id is taken: the digest covers it, and nothing the
// server sent beyond it.
QByteArray apopTimestamp(const QByteArray& greeting) {
    const qsizetype open = greeting.indexOf('<');
    const qsizetype close = greeting.indexOf('>', open + 1);
    if (open < 0 || close < 0 || close - open + 1 > 256)
        return {};
    const QByteArray stamp = greeting.mid(open, close - open + 1);
    const QByteArray inside = stamp.mid(1, stamp.size() - 2);
    const bool printable = std::all_of(inside.cbegin(), inside.cend(),
                                       [](char c) { return c >= 0x21 && c <= 0x7E && c != '<'; });
    return printable && inside.contains('@') ? stamp : QByteArray();
}

} // namespace

Pop3Session::Pop3Session() : Pop3Session(Options{}) {}

Pop3Session::Pop3Session(Options options, CertificateTrust trust, TlsPolicy policy)
    : options_(options), trust_(std::move(trust)),
      stream_(std::make_unique<MailSocket>(options.timeouts, trust_)),
      reader_(*stream_, options.timeouts.idleMillis), policy_(std::move(policy)) {}

Pop3Session::Pop3Session(Options options, std::unique_ptr<MailStream> stream, TlsPolicy policy)
    : options_(options), stream_(std::move(stream)), reader_(*stream_, options.timeouts.idleMillis),
      policy_(std::move(policy)) {}

Pop3Session::~Pop3Session() {
    close();
}

bool Pop3Session::fail(Error error) {
    error_ = std::move(error);
    return false;
}

bool Pop3Session::lose(Error error) {
    stream_->close();
    inFlight_.clear();
    retrsInFlight_ = 0;
    retrBytesInFlight_ = 0;
    return fail(std::move(error));
}

Error Pop3Session::currentError() const {
    return error_.value_or(Error{.kind = K::NotConnected});
}

Status Pop3Session::connect(const QString& server) {
    return open(server) ? Status() : Status::failure(currentError());
}

bool Pop3Session::open(const QString& server) {
    committed_ = false;
    close();
    error_.reset();
    serverText_ = server.trimmed();
    const std::optional<ServerAddress> address = ServerAddress::parse(server, kPop3Scheme);
    if (!address)
        return fail({.kind = K::BadServerName, .name = server, .detail = QStringLiteral("POP3")});
    address_ = *address;
    service_ = TlsPolicy::service("pop3", *address);
    if (!stream_->open(*address, serverText_))
        return fail(stream_->error());
    std::optional<Reply> greeting = receive();
    if (!greeting)
        return false;
    if (!greeting->ok)
        return lose({.kind = K::Refused, .detail = QString::fromUtf8(greeting->line)});
    greeting_ = greeting->line;
    if (!stream_->isEncrypted() && policy_.requiresTls(service_)) {
        // STLS at once: the capabilities a CAPA in clear would give are
        // dropped after it anyway, so asking costs a round trip for nothing.
        if (!startTls())
            return false;
    } else {
        if (!readCapabilities())
            return false;
        if (!stream_->isEncrypted() && capabilities_.contains("STLS") && !startTls())
            return false;
    }
    if (stream_->isEncrypted()) {
        if (const Status kept = policy_.rememberTls(service_); !kept)
            return lose(kept.error());
    } else if (const Status clear = policy_.acceptNoTls(service_, serverText_); !clear) {
        return lose(clear.error());
    }
    return true;
}

bool Pop3Session::startTls() {
    // Offered TLS is taken; a failure is an error, never plain text.
    const std::optional<Reply> reply = command("STLS");
    if (!reply)
        return false;
    if (!reply->ok) {
        // From a server that gave TLS before, as much a warning as no offer at all.
        if (const Status clear = policy_.acceptNoTls(service_, serverText_); !clear)
            return lose(clear.error());
        return lose({.kind = K::StlsRefused, .name = serverText_, .detail = QString::fromUtf8(reply->line)});
    }
    // Lines sent after the answer to STLS came in clear and may be forged.
    reader_.discardBuffered();
    if (!stream_->startTls())
        return fail(stream_->error());
    // So may the capabilities seen in clear (RFC 2595).
    return readCapabilities();
}

bool Pop3Session::readCapabilities() {
    const std::optional<Reply> reply = command("CAPA", kListLimit);
    if (!reply)
        return false;
    capabilities_.clear();
    if (reply->ok) // an -ERR is a server from before CAPA: no capabilities
        for (const QByteArray& line : reply->body.split('\n'))
            if (const QByteArray c = line.trimmed().toUpper(); !c.isEmpty())
                capabilities_.append(c);
    pipelining_ = capabilities_.contains("PIPELINING");
    return true;
}

void Pop3Session::send(const QByteArray& command, int message, qint64 bodyLimit) {
    stream_->write(command + "\r\n");
    inFlight_.append({command, message, bodyLimit});
    if (command.startsWith("RETR ")) {
        ++retrsInFlight_;
        retrBytesInFlight_ += sizes_.value(message);
    }
}

std::optional<Pop3Session::Reply> Pop3Session::receive() {
    const Sent sent = inFlight_.isEmpty() ? Sent{} : inFlight_.takeFirst();
    if (sent.command.startsWith("RETR ")) {
        --retrsInFlight_;
        retrBytesInFlight_ -= sizes_.value(sent.message);
    }
    // The whole reply has a deadline that grows with what it carries: a
    // server that trickles it out ends in a timeout like a silent one.
    const qint64 expected = sent.message != 0     ? 2 * sizes_.value(sent.message)
                            : sent.bodyLimit >= 0 ? 64 * qint64(count_)
                                                  : 0;
    const qint64 deadline = reader_.deadlineFor(kSmallReply + expected);
    Reply reply;
    if (!reader_.readLine(reply.line, deadline)) {
        lose(reader_.error());
        return std::nullopt;
    }
    reply.ok = reply.line.startsWith("+OK");
    if (!reply.ok && !reply.line.startsWith("-ERR")) {
        lose(unreadable(reply.line));
        return std::nullopt;
    }
    // Room for the size LIST gave, and the dot-stuffing some servers leave out of it.
    if (reply.ok && sent.message != 0 && sent.bodyLimit >= 0)
        reply.body.reserve(std::min(sent.bodyLimit, sizes_.value(sent.message) * 65 / 64));
    if (reply.ok && sent.bodyLimit >= 0 && !readBody(sent.bodyLimit, deadline, reply.body)) {
        if (sent.message != 0)
            error_ = ofMessage(K::NotReceived, sent.message).because(currentError());
        return std::nullopt;
    }
    return reply;
}

bool Pop3Session::readBody(qint64 limit, qint64 deadline, QByteArray& body) {
    QByteArrayView line;
    qint64 size = 0;
    for (;;) {
        if (!reader_.readLine(line, deadline))
            return lose(Error{.kind = K::LostMidReply, .name = serverText_}.because(reader_.error()));
        if (line == ".")
            break;
        // RFC 1939: a line that starts with "." was sent with one more.
        const qsizetype skip = line.startsWith('.') ? 1 : 0;
        size += line.size() - skip + 2;
        if (size <= limit) {
            body.append(line.data() + skip, line.size() - skip);
            body.append("\r\n", 2);
        } else if (size > 2 * limit) {
            // LIST sizes are advisory, but a reply this far beyond them is not
            // worth reading to its end: give up the session.
            return lose({.kind = K::ReplyTooLarge, .bytes = limit});
        } else {
            body.clear(); // read on to the end, so the session stays usable
        }
    }
    if (size > limit)
        return fail({.kind = K::ReplyTooLarge, .bytes = limit});
    return true;
}

std::optional<Pop3Session::Reply> Pop3Session::command(const QByteArray& command, qint64 bodyLimit) {
    if (!drain())
        return std::nullopt;
    send(command, 0, bodyLimit);
    return receive();
}

bool Pop3Session::drain() {
    while (!inFlight_.isEmpty())
        if (!receive())
            return false;
    return true;
}

std::optional<QList<QByteArray>> Pop3Session::loginCommands(const QString& id, const QString& password,
                                                            bool apop) {
    const QByteArray user = id.toUtf8();
    const QByteArray pass = password.toUtf8();
    const QByteArray stamp = apopTimestamp(greeting_);
    const bool saslPlain = std::any_of(capabilities_.cbegin(), capabilities_.cend(), [](const QByteArray& c) {
        return c.startsWith("SASL ") && c.split(' ').contains("PLAIN");
    });
    if (apop || (!stream_->isEncrypted() && !stamp.isEmpty())) {
        if (stamp.isEmpty()) {
            fail({.kind = K::ApopUnsupported});
            return std::nullopt;
        }
        const QByteArray digest = QCryptographicHash::hash(stamp + pass, QCryptographicHash::Md5).toHex();
        return QList<QByteArray>{"APOP " + user + ' ' + digest};
    }
    if (stream_->isEncrypted() && saslPlain)
        return QList<QByteArray>{"AUTH PLAIN " + SaslPassword::plainMessage(id, password).toBase64()};
    return QList<QByteArray>{"USER " + user, "PASS " + pass};
}

bool Pop3Session::loginAccepted() {
    const std::optional<Reply> reply = receive();
    if (!reply)
        return false;
    if (!reply->ok)
        return fail({.kind = K::Login, .detail = QString::fromUtf8(reply->line)});
    return true;
}

bool Pop3Session::saslLine(QByteArray& line) {
    if (!reader_.readLine(line, reader_.deadlineFor(kSmallReply)))
        return lose(reader_.error());
    return true;
}

Pop3Session::Sasl Pop3Session::bearerExchange(SaslBearer::Mechanism mechanism, const QString& user,
                                              const QString& token, QString& refusal) {
    const QByteArray response =
        SaslBearer::initialResponse(mechanism, user, token, address_.host, address_.port).toBase64();
    const QByteArray auth = "AUTH " + SaslBearer::name(mechanism);
    // RFC 5034 section 4: an initial response that would make the command
    // longer than 255 octets (CR LF included) waits for the server's "+".
    const bool initial = auth.size() + 1 + response.size() + 2 <= 255;
    stream_->write(initial ? auth + ' ' + response + "\r\n" : auth + "\r\n");
    QByteArray line;
    if (!saslLine(line))
        return Sasl::Lost;
    if (!initial && line.startsWith('+') && !line.startsWith("+OK")) {
        stream_->write(response + "\r\n");
        if (!saslLine(line))
            return Sasl::Lost;
    }
    QString status;
    if (line.startsWith('+') && !line.startsWith("+OK")) {
        // A challenge now is the server's error; answered, the server ends
        // the exchange with its -ERR.
        status = SaslBearer::challengeStatus(line.mid(1));
        stream_->write(SaslBearer::errorAcknowledgement(mechanism).toBase64() + "\r\n");
        if (!saslLine(line))
            return Sasl::Lost;
    }
    if (line.startsWith("+OK"))
        return Sasl::Accepted;
    if (!line.startsWith("-ERR")) {
        lose(unreadable(line));
        return Sasl::Lost;
    }
    refusal = QString::fromUtf8(line) + (status.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(status));
    return Sasl::Refused;
}

bool Pop3Session::bearerLogin(const QString& user) {
    // A token is as good as a password to whoever reads it, and the
    // provider's servers never take it in clear either.
    if (!stream_->isEncrypted())
        return lose({.kind = K::TokenNeedsTls, .name = serverText_});
    QList<QByteArray> offered;
    for (const QByteArray& c : capabilities_)
        if (c.startsWith("SASL "))
            offered += c.split(' ');
    const std::optional<SaslBearer::Mechanism> mechanism = SaslBearer::choose(offered);
    if (!mechanism)
        return fail({.kind = K::NoTokenLogin, .name = serverText_, .detail = QStringLiteral("POP3")});
    Result<QString> token = options_.bearer->accessToken();
    for (int attempt = 1;; ++attempt) {
        if (!token)
            return fail(token.error());
        QString refusal;
        switch (bearerExchange(*mechanism, user, *token, refusal)) {
        case Sasl::Accepted:
            return true;
        case Sasl::Lost:
            return false;
        case Sasl::Refused:
            break;
        }
        if (attempt == 2)
            return fail({.kind = K::TokenRefused, .name = serverText_, .detail = refusal});
        // Revoked, or expired before its time: once more with a new one.
        token = options_.bearer->renewedAccessToken();
    }
}

Result<int> Pop3Session::authenticate(const QString& id, const QString& password, bool apop) {
    const int count = logIn(id, password, apop);
    return count >= 0 ? Result<int>(count) : Result<int>::failure(currentError());
}

int Pop3Session::logIn(const QString& id, const QString& password, bool apop) {
    if (!stream_->isOpen()) {
        fail(currentError());
        return -1;
    }
    std::optional<QList<QByteArray>> login;
    if (options_.bearer) {
        if (!drain() || !bearerLogin(id))
            return -1;
        login.emplace();
    } else {
        login = loginCommands(id, password, apop);
        if (!login || !drain())
            return -1;
        // In clear even APOP gives a listener the challenge and its answer to
        // guess the password from, with a challenge the listener may have chosen.
        if (!stream_->isEncrypted())
            if (const Status agreed = policy_.allowClearLogin(service_, serverText_); !agreed) {
                lose(agreed.error());
                return -1;
            }
    }
    // Where the server pipelines, the login, STAT, LIST and UIDL go out in
    // one go; after a refused login the rest only draws -ERRs.
    for (const QByteArray& c : *login) {
        send(c);
        if (!pipelining_ && !loginAccepted())
            return -1;
    }
    send("STAT");
    if (pipelining_) {
        send("LIST", 0, kListLimit);
        send("UIDL", 0, kListLimit);
        for (qsizetype i = 0; i < login->size(); ++i)
            if (!loginAccepted())
                return -1;
    }
    const std::optional<Reply> stat = receive();
    if (!stat)
        return -1;
    bool ok = false;
    const int count = stat->line.split(' ').value(1).toInt(&ok);
    if (!stat->ok || !ok || count < 0) {
        lose(unreadable(stat->line));
        return -1;
    }
    count_ = count;
    if (!pipelining_) {
        if (count == 0)
            return 0;
        send("LIST", 0, kListLimit);
    }
    if (!readListings())
        return -1;
    return count;
}

bool Pop3Session::readListings() {
    const std::optional<Reply> list = receive();
    if (!list)
        return false;
    if (!list->ok)
        return lose({.kind = K::Refused, .detail = QString::fromUtf8(list->line)});
    // At the start of a session the server lists messages 1 to the STAT
    // count, each once, with a size (RFC 1939). A list that says otherwise
    // is not to be acted on: nothing is fetched, nothing deleted.
    const auto listed = numberedLines(list->body);
    bool agrees = listed && listed->size() == count_;
    for (const auto& [n, size] : listed.value_or(QList<QPair<int, QByteArrayView>>())) {
        bool ok = false;
        const qint64 bytes = size.toLongLong(&ok);
        agrees = agrees && ok && bytes >= 0 && n <= count_ && !sizes_.contains(n);
        sizes_.insert(n, bytes);
    }
    if (!agrees) {
        sizes_.clear();
        return lose({.kind = K::ListMismatch});
    }
    if (!pipelining_)
        send("UIDL", 0, kListLimit);
    const std::optional<Reply> uidl = receive();
    if (!uidl)
        return false;
    // A server without UIDL answers -ERR. An id out of form or range is as
    // good as none: what is stored is known by its content, not by its id.
    if (uidl->ok)
        for (const auto& [n, id] : numberedLines(uidl->body).value_or(QList<QPair<int, QByteArrayView>>()))
            if (sizes_.contains(n) && isUidl(id) && !uidls_.contains(n))
                uidls_.insert(n, QString::fromLatin1(id));
    return true;
}

qint64 Pop3Session::size(int n) const {
    return sizes_.value(n, -1);
}

bool Pop3Session::isTooLarge(int n) const {
    return sizes_.value(n, 0) > options_.maxMessageBytes;
}

QString Pop3Session::uidl(int n) const {
    return uidls_.value(n);
}

bool Pop3Session::retrInFlight(int n) const {
    return std::any_of(inFlight_.cbegin(), inFlight_.cend(),
                       [n](const Sent& s) { return s.message == n && s.command.startsWith("RETR "); });
}

void Pop3Session::requestThrough(int n) {
    if (!retrInFlight(n)) {
        if (n < nextRetr_)
            drain(); // asked again, or out of order: start afresh from n
        nextRetr_ = n;
    }
    while (nextRetr_ <= count_) {
        const bool needed = nextRetr_ == n && !retrInFlight(n);
        const bool room = pipelining_ && retrsInFlight_ < options_.windowMessages &&
                          retrBytesInFlight_ < options_.windowBytes;
        if (!needed && !room)
            break;
        const bool wanted = nextRetr_ == n || !passedOver_.contains(nextRetr_);
        if (wanted && sizes_.contains(nextRetr_) && !isTooLarge(nextRetr_))
            send("RETR " + QByteArray::number(nextRetr_), nextRetr_, options_.maxMessageBytes);
        ++nextRetr_;
    }
}

Result<QByteArray> Pop3Session::fetchRaw(int n) {
    using R = Result<QByteArray>;
    if (!stream_->isOpen())
        return R::failure(currentError());
    if (!sizes_.contains(n))
        return R::failure(ofMessage(K::NotOnServer, n));
    if (isTooLarge(n))
        return R::failure({.kind = K::TooLarge, .number = n, .bytes = sizes_.value(n)});
    requestThrough(n);
    // Replies before ours belong to messages the caller passed over.
    while (!inFlight_.isEmpty() &&
           !(inFlight_.first().message == n && inFlight_.first().command.startsWith("RETR ")))
        if (!receive())
            return R::failure(currentError());
    const std::optional<Reply> reply = receive();
    if (!reply)
        return R::failure(currentError());
    if (!reply->ok)
        return R::failure(ofMessage(K::NotReceived, n, reply->line));
    return reply->body;
}

Status Pop3Session::remove(int n) {
    if (!stream_->isOpen())
        return Status::failure(currentError());
    if (!sizes_.contains(n))
        return Status::failure(ofMessage(K::NotOnServer, n));
    removals_.append(n);
    if (pipelining_)
        return {};
    return flushRemovals();
}

Status Pop3Session::flushRemovals() {
    if (removals_.isEmpty())
        return {};
    if (!drain())
        return Status::failure(currentError());
    return removalAnswers(sendRemovals());
}

QList<int> Pop3Session::sendRemovals() {
    const QList<int> batch = std::exchange(removals_, {});
    for (int n : batch)
        send("DELE " + QByteArray::number(n), n);
    return batch;
}

Status Pop3Session::removalAnswers(const QList<int>& batch) {
    std::optional<Error> firstRefusal;
    for (int n : batch) {
        const std::optional<Reply> reply = receive();
        if (!reply)
            return Status::failure(currentError());
        if (!reply->ok && !firstRefusal)
            firstRefusal = ofMessage(K::NotDeleted, n, reply->line);
        if (reply->ok)
            sizes_.remove(n);
    }
    if (firstRefusal) {
        error_ = firstRefusal;
        return Status::failure(*firstRefusal);
    }
    return {};
}

Status Pop3Session::flushRemovalsAndClose() {
    if (!pipelining_ || !stream_->isOpen() || removals_.isEmpty() || !drain()) {
        const Status flushed = flushRemovals();
        close();
        return flushed;
    }
    // The QUIT goes with the marks; a refused mark leaves only that message
    // on the server, as it would with the QUIT sent after the answers.
    committed_ = false;
    const QList<int> batch = sendRemovals();
    send("QUIT");
    const Status removed = removalAnswers(batch);
    readQuitAnswer();
    endSession();
    return removed;
}

void Pop3Session::readQuitAnswer() {
    // Only the QUIT's own answer commits: after a DELE that got none, no later answer is read.
    if (stream_->isOpen() && !inFlight_.isEmpty() && inFlight_.first().command == "QUIT") {
        const std::optional<Reply> reply = receive();
        committed_ = reply && reply->ok;
    }
}

void Pop3Session::close() {
    if (stream_->isOpen()) {
        committed_ = false;
        (void)flushRemovals(); // a refusal leaves the message on the server, unreported
        // QUIT: the server now removes what was deleted.
        if (drain()) {
            send("QUIT");
            readQuitAnswer();
        }
    }
    endSession();
}

void Pop3Session::endSession() {
    stream_->close();
    reader_.discardBuffered();
    inFlight_.clear();
    retrsInFlight_ = 0;
    retrBytesInFlight_ = 0;
    greeting_.clear();
    capabilities_.clear();
    pipelining_ = false;
    count_ = 0;
    sizes_.clear();
    uidls_.clear();
    nextRetr_ = 1;
    passedOver_.clear();
    removals_.clear();
}
