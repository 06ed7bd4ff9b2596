#include "transport/pop3session.h"

#include <curl/curl.h>

namespace {

constexpr int kPop3Port = 110;

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

} // namespace

Pop3Session::Pop3Session() : Pop3Session(Options{}) {}

Pop3Session::Pop3Session(Options options) : options_(options) {}

Pop3Session::~Pop3Session() {
    close();
}

bool Pop3Session::fail(const QString& text) {
    error_ = text;
    return false;
}

bool Pop3Session::connect(const QString& server) {
    close();
    serverText_ = server.trimmed();
    server_ = ServerAddress::parse(server, kPop3Port);
    if (!server_)
        return fail(QStringLiteral("POP3サーバー名「%1」が正しくありません。").arg(server));
    // Reach the server and read its greeting without logging in; libcurl
    // logs in on the first real command, once the account is known.
    CurlSession probe(options_.timeouts);
    curl_easy_setopt(probe.handle(), CURLOPT_URL, server_->url("pop3").constData());
    curl_easy_setopt(probe.handle(), CURLOPT_CONNECT_ONLY, 1L);
    if (!probe.perform())
        return fail(probe.errorText(serverText_));
    greeting_ = probe.serverLines().value(0);
    for (const QByteArray& line : probe.serverLines())
        if (line.trimmed().toUpper() == "UIDL")
            serverHasUidl_ = true;
    curl_ = std::make_unique<CurlSession>(options_.timeouts);
    curl_easy_setopt(curl_->handle(), CURLOPT_URL, server_->url("pop3").constData());
    return true;
}

bool Pop3Session::runCommand(const QByteArray& path, const char* command, bool noBody, qint64 limit,
                             qint64 expected) {
    CURL* h = curl_->handle();
    const QByteArray url = server_->url("pop3") + path;
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, command);
    curl_easy_setopt(h, CURLOPT_NOBODY, noBody ? 1L : 0L);
    const bool ok = curl_->perform(limit, expected);
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
    return ok;
}

int Pop3Session::authenticate(const QString& id, const QString& password, bool apop) {
    if (!curl_) {
        fail(QStringLiteral("POP3サーバーに接続していません。"));
        return -1;
    }
    if (apop && !(greeting_.contains('<') && greeting_.contains('>'))) {
        fail(QStringLiteral("このPOP3サーバーはAPOPに対応していません（挨拶にタイムスタンプがありません）。"
                            "APOPを使わない設定にしてください。"));
        return -1;
    }
    CURL* h = curl_->handle();
    const QByteArray user = id.toUtf8();
    const QByteArray pass = password.toUtf8();
    curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(h, CURLOPT_PASSWORD, pass.constData());
    curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, apop ? "AUTH=+APOP" : nullptr);
    if (!runCommand(QByteArray(), "STAT", true)) {
        fail(curl_->errorText(serverText_));
        return -1;
    }
    int count = -1;
    for (const QByteArray& line : curl_->serverLines()) {
        if (!line.startsWith("+OK "))
            continue;
        bool ok = false;
        const int n = line.split(' ').value(1).toInt(&ok);
        if (ok)
            count = n;
    }
    if (count < 0) {
        fail(QStringLiteral("POP3サーバーの応答が読めません: %1")
                 .arg(QString::fromUtf8(curl_->serverLines().value(curl_->serverLines().size() - 1))));
        return -1;
    }
    if (count > 0 && !listMessages()) {
        return -1;
    }
    return count;
}

bool Pop3Session::listMessages() {
    if (!runCommand(QByteArray(), nullptr, false))
        return fail(curl_->errorText(serverText_));
    sizes_.clear();
    for (const auto& [n, size] : numberedLines(curl_->body()))
        sizes_.insert(n, size.toLongLong());
    if (serverHasUidl_ && !readUidls())
        return false;
    for (auto it = numberOfUidl_.cbegin(); it != numberOfUidl_.cend(); ++it)
        uidls_.insert(it.value(), it.key());
    return true;
}

bool Pop3Session::readUidls() {
    if (!runCommand(QByteArray(), "UIDL", false))
        return fail(curl_->errorText(serverText_));
    numberOfUidl_.clear();
    for (const auto& [n, uid] : numberedLines(curl_->body()))
        numberOfUidl_.insert(QString::fromLatin1(uid), n);
    return true;
}

bool Pop3Session::readyFor(int n) {
    if (!curl_)
        return fail(QStringLiteral("POP3サーバーに接続していません。"));
    if (!sizes_.contains(n))
        return fail(QStringLiteral("メッセージ %1 はサーバーにありません。").arg(n));
    return stillTheSameMessage(n);
}

qint64 Pop3Session::size(int n) const {
    return sizes_.value(n, -1);
}

bool Pop3Session::isTooLarge(int n) const {
    return sizes_.value(n, 0) > options_.maxMessageBytes;
}

bool Pop3Session::stillTheSameMessage(int n) {
    // A connection that was lost is opened again by the next command. Ask
    // for the UIDLs first, so that no command reaches another message.
    if (curl_->connectionStillOpen())
        return true;
    if (!serverHasUidl_ || !readUidls())
        return fail(QStringLiteral("サーバーとの接続が途中で切れました。もう一度受信してください。"));
    if (numberOfUidl_.value(uidls_.value(n), -1) != n)
        return fail(QStringLiteral("サーバー上のメールが変わりました。もう一度受信してください。"));
    return true;
}

QString Pop3Session::uidl(int n) const {
    return uidls_.value(n);
}

Result<QByteArray> Pop3Session::fetchRaw(int n) {
    using R = Result<QByteArray>;
    if (!readyFor(n))
        return R::failure(error_);
    const qint64 announced = sizes_.value(n);
    if (announced > options_.maxMessageBytes)
        return R::failure(QStringLiteral("メッセージ %1 は大きすぎるため受信できません（%2 バイト）。")
                              .arg(n)
                              .arg(announced));
    if (!runCommand(QByteArray::number(n), nullptr, false, options_.maxMessageBytes, announced)) {
        if (curl_->bodyLimitExceeded())
            return R::failure(QStringLiteral("メッセージ %1 は大きすぎるため受信できません。").arg(n));
        return R::failure(curl_->errorText(serverText_));
    }
    if (!curl_->connectionStillOpen())
        return R::failure(
            QStringLiteral("サーバー「%1」との接続が受信の途中で切れました。").arg(serverText_));
    return curl_->body();
}

Status Pop3Session::remove(int n) {
    if (!readyFor(n))
        return Status::failure(error_);
    if (!runCommand(QByteArray::number(n), "DELE", true))
        return Status::failure(curl_->errorText(serverText_));
    sizes_.remove(n);
    return {};
}

void Pop3Session::close() {
    if (curl_) {
        curl_->close(); // libcurl sends QUIT: the server now removes what was deleted
        curl_.reset();
    }
    sizes_.clear();
    uidls_.clear();
    numberOfUidl_.clear();
}
