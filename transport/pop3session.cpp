#include "transport/pop3session.h"

#include <QCryptographicHash>
#include <algorithm>

namespace {

// Replies that are lists of numbers and sizes or ids; anything larger is not a POP3 server.
constexpr qint64 kListLimit = 64 << 20;

// "1 2048\r\n2 512\r\n" (LIST) or "1 abc\r\n" (UIDL)
QList<QPair<int, QByteArray>> numberedLines(const QByteArray& body) {
    QList<QPair<int, QByteArray>> out;
    for (const QByteArray& line : body.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.size() < 2)
            continue;
        bool ok = false;
        const int n = fields[0].toInt(&ok);
        if (ok && n > 0)
            out.append({n, fields[1]});
    }
    return out;
}

// The "<...@...>" of a greeting that allows APOP, or nothing.
QByteArray apopTimestamp(const QByteArray& greeting) {
    const qsizetype open = greeting.indexOf('<');
    const qsizetype close = greeting.indexOf('>', open + 1);
    if (open < 0 || close < 0)
        return {};
    const QByteArray stamp = greeting.mid(open, close - open + 1);
    return stamp.contains('@') ? stamp : QByteArray();
}

} // namespace

Pop3Session::Pop3Session() : Pop3Session(Options{}) {}

Pop3Session::Pop3Session(Options options, CertificateTrust trust)
    : options_(options), trust_(std::move(trust)), socket_(options.timeouts, trust_) {}

Pop3Session::~Pop3Session() {
    close();
}

bool Pop3Session::fail(const QString& text) {
    error_ = text;
    return false;
}

bool Pop3Session::lose(const QString& text) {
    socket_.close();
    inFlight_.clear();
    retrsInFlight_ = 0;
    retrBytesInFlight_ = 0;
    return fail(text);
}

QString Pop3Session::notConnected() const {
    return error_.isEmpty() ? QStringLiteral("POP3サーバーに接続していません。") : error_;
}

bool Pop3Session::connect(const QString& server) {
    committed_ = false;
    close();
    error_.clear();
    serverText_ = server.trimmed();
    const std::optional<ServerAddress> address = ServerAddress::parse(server, kPop3Scheme);
    if (!address)
        return fail(QStringLiteral("POP3サーバー名「%1」が正しくありません。").arg(server));
    if (!socket_.open(*address, serverText_))
        return fail(socket_.error());
    std::optional<Reply> greeting = receive();
    if (!greeting)
        return false;
    if (!greeting->ok)
        return lose(QString::fromUtf8(greeting->line));
    greeting_ = greeting->line;
    if (!readCapabilities())
        return false;
    if (!socket_.isEncrypted() && capabilities_.contains("STLS")) {
        // Offered TLS is taken; a failure is an error, never plain text.
        const std::optional<Reply> reply = command("STLS");
        if (!reply)
            return false;
        if (!reply->ok)
            return lose(QStringLiteral("サーバー「%1」が暗号化 (TLS) を始めませんでした: %2")
                            .arg(serverText_, QString::fromUtf8(reply->line)));
        if (!socket_.startTls())
            return fail(socket_.error());
        // The capabilities seen in clear may have been forged (RFC 2595).
        if (!readCapabilities())
            return false;
    }
    return true;
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
    socket_.write(command + "\r\n");
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
    Reply reply;
    if (!socket_.readLine(reply.line)) {
        lose(socket_.error());
        return std::nullopt;
    }
    reply.ok = reply.line.startsWith("+OK");
    if (!reply.ok && !reply.line.startsWith("-ERR")) {
        lose(QStringLiteral("POP3サーバーの応答が読めません: %1")
                 .arg(QString::fromUtf8(reply.line.left(200))));
        return std::nullopt;
    }
    if (reply.ok && sent.bodyLimit >= 0 && !readBody(sent.bodyLimit, reply.body)) {
        if (sent.message != 0)
            error_ = QStringLiteral("メッセージ %1 を受信できませんでした。%2").arg(sent.message).arg(error_);
        return std::nullopt;
    }
    return reply;
}

bool Pop3Session::readBody(qint64 limit, QByteArray& body) {
    QByteArray line;
    qint64 size = 0;
    for (;;) {
        if (!socket_.readLine(line))
            return lose(QStringLiteral("サーバー「%1」との接続が受信の途中で切れました。(%2)")
                            .arg(serverText_, socket_.error()));
        if (line == ".")
            break;
        // RFC 1939: a line that starts with "." was sent with one more.
        const qsizetype skip = line.startsWith('.') ? 1 : 0;
        size += line.size() - skip + 2;
        if (size <= limit) {
            body.append(line.constData() + skip, line.size() - skip);
            body.append("\r\n", 2);
        } else if (size > 2 * limit) {
            // LIST sizes are advisory, but a reply this far beyond them is not
            // worth reading to its end: give up the session.
            return lose(
                QStringLiteral("大きすぎるため受信できません（%1 バイトを超えています）。").arg(limit));
        } else {
            body.clear(); // read on to the end, so the session stays usable
        }
    }
    if (size > limit)
        return fail(QStringLiteral("大きすぎるため受信できません（%1 バイトを超えています）。").arg(limit));
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
    if (apop || (!socket_.isEncrypted() && !stamp.isEmpty())) {
        if (stamp.isEmpty()) {
            fail(QStringLiteral(
                "このPOP3サーバーはAPOPに対応していません（挨拶にタイムスタンプがありません）。"
                "APOPを使わない設定にしてください。"));
            return std::nullopt;
        }
        const QByteArray digest = QCryptographicHash::hash(stamp + pass, QCryptographicHash::Md5).toHex();
        return QList<QByteArray>{"APOP " + user + ' ' + digest};
    }
    if (socket_.isEncrypted() && saslPlain)
        return QList<QByteArray>{"AUTH PLAIN " + ('\0' + user + '\0' + pass).toBase64()};
    return QList<QByteArray>{"USER " + user, "PASS " + pass};
}

bool Pop3Session::loginAccepted() {
    const std::optional<Reply> reply = receive();
    if (!reply)
        return false;
    if (!reply->ok)
        return fail(QString::fromUtf8(reply->line));
    return true;
}

int Pop3Session::authenticate(const QString& id, const QString& password, bool apop) {
    if (!socket_.isOpen()) {
        fail(notConnected());
        return -1;
    }
    const std::optional<QList<QByteArray>> login = loginCommands(id, password, apop);
    if (!login || !drain())
        return -1;
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
        fail(QStringLiteral("POP3サーバーの応答が読めません: %1").arg(QString::fromUtf8(stat->line)));
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
        return fail(QString::fromUtf8(list->line));
    for (const auto& [n, size] : numberedLines(list->body))
        sizes_.insert(n, size.toLongLong());
    if (!pipelining_)
        send("UIDL", 0, kListLimit);
    const std::optional<Reply> uidl = receive();
    if (!uidl)
        return false;
    if (uidl->ok) // a server without UIDL answers -ERR
        for (const auto& [n, id] : numberedLines(uidl->body))
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
        if (sizes_.contains(nextRetr_) && !isTooLarge(nextRetr_))
            send("RETR " + QByteArray::number(nextRetr_), nextRetr_, options_.maxMessageBytes);
        ++nextRetr_;
    }
}

Result<QByteArray> Pop3Session::fetchRaw(int n) {
    using R = Result<QByteArray>;
    if (!socket_.isOpen())
        return R::failure(notConnected());
    if (!sizes_.contains(n))
        return R::failure(QStringLiteral("メッセージ %1 はサーバーにありません。").arg(n));
    if (isTooLarge(n))
        return R::failure(QStringLiteral("メッセージ %1 は大きすぎるため受信できません（%2 バイト）。")
                              .arg(n)
                              .arg(sizes_.value(n)));
    requestThrough(n);
    // Replies before ours belong to messages the caller passed over.
    while (!inFlight_.isEmpty() &&
           !(inFlight_.first().message == n && inFlight_.first().command.startsWith("RETR ")))
        if (!receive())
            return R::failure(error_);
    const std::optional<Reply> reply = receive();
    if (!reply)
        return R::failure(error_);
    if (!reply->ok)
        return R::failure(QStringLiteral("メッセージ %1 を受信できませんでした: %2")
                              .arg(n)
                              .arg(QString::fromUtf8(reply->line)));
    return reply->body;
}

Status Pop3Session::remove(int n) {
    if (!socket_.isOpen())
        return Status::failure(notConnected());
    if (!sizes_.contains(n))
        return Status::failure(QStringLiteral("メッセージ %1 はサーバーにありません。").arg(n));
    removals_.append(n);
    if (pipelining_)
        return {};
    return flushRemovals();
}

Status Pop3Session::flushRemovals() {
    if (removals_.isEmpty())
        return {};
    const QList<int> batch = std::exchange(removals_, {});
    if (!drain())
        return Status::failure(error_);
    for (int n : batch)
        send("DELE " + QByteArray::number(n), n);
    QString firstRefusal;
    for (int n : batch) {
        const std::optional<Reply> reply = receive();
        if (!reply)
            return Status::failure(error_);
        if (!reply->ok && firstRefusal.isEmpty())
            firstRefusal = QStringLiteral("メッセージ %1 を削除できませんでした: %2")
                               .arg(n)
                               .arg(QString::fromUtf8(reply->line));
        if (reply->ok)
            sizes_.remove(n);
    }
    if (!firstRefusal.isEmpty()) {
        error_ = firstRefusal;
        return Status::failure(firstRefusal);
    }
    return {};
}

void Pop3Session::close() {
    committed_ = false;
    if (socket_.isOpen()) {
        if (const Status flushed = flushRemovals(); !flushed)
            error_ = flushed.error();
        // QUIT: the server now removes what was deleted.
        if (drain()) {
            send("QUIT");
            const std::optional<Reply> reply = receive();
            committed_ = reply && reply->ok;
        }
    }
    socket_.close();
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
    removals_.clear();
}
