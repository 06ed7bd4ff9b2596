#include "transport/smtpsender.h"

#include <cstring>
#include <curl/curl.h>

#include "transport/smtpcertificateprobe.h"
#include "transport/smtptlswatch.h"

namespace {

// An envelope address goes into one SMTP command line: a space, line break
// or other control character in it would end or split that command.
bool fitsEnvelope(const QString& address) {
    for (const QChar c : address)
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return false;
    return true;
}

struct Upload {
    const QByteArray* data = nullptr;
    qsizetype offset = 0;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    const qsizetype room = qsizetype(size * count);
    const qsizetype n = std::min(room, upload->data->size() - upload->offset);
    memcpy(buffer, upload->data->constData() + upload->offset, size_t(n));
    upload->offset += n;
    return size_t(n);
}

struct SList {
    curl_slist* list = nullptr;
    ~SList() { curl_slist_free_all(list); }
};

} // namespace

SmtpSender::SmtpSender(CurlSession::Timeouts timeouts) : options_{timeouts, {}} {}

SmtpSender::SmtpSender(Options options, CertificateTrust trust, TlsPolicy policy)
    : options_(std::move(options)), trust_(std::move(trust)), policy_(std::move(policy)) {}

Status SmtpSender::send(const QString& server, const OutgoingMail& mail, const QDateTime& now) const {
    return connect(server).send(mail, now);
}

SmtpConnection SmtpSender::connect(const QString& server) const {
    return SmtpConnection(options_, trust_, policy_, server);
}

std::unique_ptr<MailConnection> SmtpSender::open(const QString& server) const {
    return std::make_unique<SmtpConnection>(connect(server));
}

struct SmtpConnection::State {
    State(SmtpSender::Options o, CertificateTrust t, TlsPolicy p, QString s)
        : options(std::move(o)), trust(std::move(t)), policy(std::move(p)), server(s.trimmed()),
          address(ServerAddress::parse(server, kSmtpScheme)),
          service(address ? TlsPolicy::service("smtp", *address) : QString()),
          watch(policy, service, server, !options.login.id.isEmpty() && !options.login.bearer),
          curl(options.timeouts) {}

    void setUp();
    Status useToken(bool renewed);
    Status perform(const QByteArray& message);
    Status endForGood(Status why) {
        closedWith = why;
        return why;
    }

    SmtpSender::Options options;
    CertificateTrust trust;
    TlsPolicy policy;
    QString server;
    std::optional<ServerAddress> address;
    QString service;
    SmtpTlsWatch watch;
    CurlSession curl;
    QByteArray url;
    QByteArray from;
    SList recipients;
    bool pinned = false;
    std::optional<Status> closedWith;
};

void SmtpConnection::State::setUp() {
    CURL* h = curl.handle();
    url = address->url(address->tlsFromStart ? "smtps" : "smtp");
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    if (!address->tlsFromStart) {
        // A server that gave TLS before must give it again; libcurl then
        // refuses one that offers no STARTTLS by itself, and the watch says
        // why. A token is never sent in clear.
        const bool required = policy.requiresTls(service) || options.login.bearer;
        curl_easy_setopt(h, CURLOPT_USE_SSL, long(required ? CURLUSESSL_ALL : CURLUSESSL_TRY));
        curl.connectionOpened = [this] { watch.reset(); };
        curl.lineCheck = [this](const QByteArray& line) { return watch.see(line); };
    }
    if (!options.login.id.isEmpty()) {
        const QByteArray id = options.login.id.toUtf8();
        const QByteArray password = options.login.password.toUtf8();
        curl_easy_setopt(h, CURLOPT_USERNAME, id.constData()); // libcurl copies strings
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    }
    // With a token, only the mechanisms that carry it (libcurl would try
    // CRAM-MD5 first, with no password).
    if (options.login.bearer)
        curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, "AUTH=OAUTHBEARER;AUTH=XOAUTH2");
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &readUpload);
}

Status SmtpConnection::State::perform(const QByteArray& message) {
    Upload upload{&message};
    CURL* h = curl.handle();
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
    if (curl.perform()) {
        // The transfer went through TLS (its handshake and certificate
        // passed): from now on this server must give TLS. Should the note
        // not be written, the mail has gone all the same, and the next
        // connection is only checked as a first one would be.
        if (address->tlsFromStart || watch.startedTls())
            (void)policy.rememberTls(service);
        return {};
    }
    if (watch.refusal())
        return endForGood(Status::failure(*watch.refusal()));
    if (curl.lastResult() == CURLE_USE_SSL_FAILED)
        if (Status downgraded = policy.acceptNoTls(service, server); !downgraded)
            return endForGood(downgraded);
    return Status::failure(curl.error(server));
}

Status SmtpConnection::State::useToken(bool renewed) {
    const Result<QString> token =
        renewed ? options.login.bearer->renewedAccessToken() : options.login.bearer->accessToken();
    if (!token)
        return Status::failure(token.error());
    curl_easy_setopt(curl.handle(), CURLOPT_XOAUTH2_BEARER, token->toUtf8().constData());
    return {};
}

SmtpConnection::SmtpConnection(SmtpSender::Options options, CertificateTrust trust, TlsPolicy policy,
                               QString server)
    : d_(std::make_unique<State>(std::move(options), std::move(trust), std::move(policy),
                                 std::move(server))) {
    if (d_->address)
        d_->setUp();
}

SmtpConnection::~SmtpConnection() = default;
SmtpConnection::SmtpConnection(SmtpConnection&&) noexcept = default;
SmtpConnection& SmtpConnection::operator=(SmtpConnection&&) noexcept = default;

Status SmtpConnection::send(const OutgoingMail& mail) {
    return send(mail, QDateTime::currentDateTime());
}

bool SmtpConnection::closed() const {
    return d_->closedWith.has_value();
}

Status SmtpConnection::send(const OutgoingMail& mail, const QDateTime& now) {
    using K = Error::Kind;
    if (d_->closedWith)
        return *d_->closedWith;
    if (!d_->address)
        return d_->endForGood(Status::failure(
            {.kind = K::BadServerName, .name = d_->server, .detail = QStringLiteral("SMTP")}));
    const QList<Recipient> recipients = ParseRecipients(mail.recipient);
    if (recipients.isEmpty())
        return Status::failure({.kind = K::NoRecipient});
    for (const Recipient& r : recipients)
        if (r.address.isEmpty() || !fitsEnvelope(r.address))
            return Status::failure({.kind = K::BadRecipient, .name = r.address});
    const QString sender = mail.sender.trimmed();
    if (!fitsEnvelope(sender))
        return Status::failure({.kind = K::BadSender, .name = sender});

    const Result<QByteArray> message = OutgoingMessage::build(mail, now);
    if (!message)
        return Status::failure(message.error());

    CURL* h = d_->curl.handle();
    d_->from = '<' + sender.toUtf8() + '>';
    SList rcpt;
    for (const Recipient& r : recipients)
        rcpt.list = curl_slist_append(rcpt.list, ('<' + r.address.toUtf8() + '>').constData());
    std::swap(d_->recipients.list, rcpt.list); // libcurl keeps the pointer
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, d_->from.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, d_->recipients.list);

    const bool bearer = d_->options.login.bearer != nullptr;
    if (bearer)
        if (Status token = d_->useToken(false); !token)
            return token;
    Status sent = d_->perform(*message);
    // libcurl refused the certificate during the handshake, before anything
    // else was sent. It gives no certificate after a failed verification
    // (CURLOPT_CERTINFO is only filled once a handshake passes, and without
    // verification it would go on to log in to an unchecked server), so a
    // connection of our own shows the certificate to the trust, which may
    // ask the user; the mail then goes again, pinned to the key accepted.
    //
    // libcurl's pinning compares the SHA-256 of the server's public key and
    // fails the handshake on any other key; only the holder of the private
    // key can complete it, so this is as strict as comparing the certificate,
    // while the store and host name checks, which it replaces, would refuse it.
    if (!sent && !d_->pinned && d_->curl.lastResult() == CURLE_PEER_FAILED_VERIFICATION) {
        const Result<QByteArray> key = AcceptedSmtpKey(
            *d_->address, d_->server, d_->trust,
            {d_->options.timeouts.connectSeconds * 1000, d_->options.timeouts.idleSeconds * 1000});
        if (!key) // refused by the user, or the server is out of reach even for that
            return d_->endForGood(Status::failure(key.error()));
        if (Status pinned = d_->curl.pinPublicKey(*key, d_->server); !pinned)
            return d_->endForGood(pinned);
        d_->pinned = true;
        sent = d_->perform(*message);
    }
    // A refused token may have been revoked or expired early: once more with a new one.
    if (!sent && bearer && d_->curl.lastResult() == CURLE_LOGIN_DENIED) {
        if (Status token = d_->useToken(true); !token)
            return token;
        sent = d_->perform(*message);
        if (!sent && d_->curl.lastResult() == CURLE_LOGIN_DENIED)
            return Status::failure(Error{.kind = K::TokenRefused}.because(sent.error()));
    }
    return sent;
}
