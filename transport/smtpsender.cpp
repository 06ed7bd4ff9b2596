#include "transport/smtpsender.h"

#include <cstring>
#include <curl/curl.h>

#include "transport/smtpcertificateprobe.h"

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

// libcurl's STARTTLS "when offered" (CURLUSESSL_TRY) carries on in clear when
// the server, having offered STARTTLS, refuses it. This watches the replies
// on each new connection in clear (greeting, EHLO, then the answer to
// STARTTLS when it was offered) and stops the transfer before libcurl sends
// anything after such a refusal.
class StartTlsWatch {
  public:
    void reset() { *this = {}; }
    const QByteArray& refusal() const { return refusal_; }

    bool see(const QByteArray& line) {
        if (replies_ == 1 && line.mid(4).trimmed().toUpper() == "STARTTLS")
            offered_ = true;
        if (line.size() > 3 && line[3] == '-')
            return true; // more lines of the same reply follow
        if (++replies_ == 3 && offered_ && !line.startsWith("220")) {
            refusal_ = line;
            return false;
        }
        return true;
    }

  private:
    int replies_ = 0; // complete replies on this connection
    bool offered_ = false;
    QByteArray refusal_;
};

} // namespace

SmtpSender::SmtpSender(CurlSession::Timeouts timeouts) : options_{timeouts, {}} {}

SmtpSender::SmtpSender(Options options, CertificateTrust trust)
    : options_(std::move(options)), trust_(std::move(trust)) {}

Status SmtpSender::send(const QString& server, const OutgoingMail& mail, const QDateTime& now) const {
    return connect(server).send(mail, now);
}

SmtpConnection SmtpSender::connect(const QString& server) const {
    return SmtpConnection(options_, trust_, server);
}

struct SmtpConnection::State {
    State(SmtpSender::Options o, CertificateTrust t, QString s)
        : options(std::move(o)), trust(std::move(t)), server(s.trimmed()),
          address(ServerAddress::parse(server, kSmtpScheme)), curl(options.timeouts) {}

    void setUp();
    Status perform(const QByteArray& message);

    SmtpSender::Options options;
    CertificateTrust trust;
    QString server;
    std::optional<ServerAddress> address;
    CurlSession curl;
    QByteArray url;
    QByteArray from;
    SList recipients;
    StartTlsWatch watch;
    bool pinned = false;
};

void SmtpConnection::State::setUp() {
    CURL* h = curl.handle();
    url = address->url(address->tlsFromStart ? "smtps" : "smtp");
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    if (!address->tlsFromStart) {
        curl_easy_setopt(h, CURLOPT_USE_SSL, long(CURLUSESSL_TRY));
        curl.connectionOpened = [this] { watch.reset(); };
        curl.lineCheck = [this](const QByteArray& line) { return watch.see(line); };
    }
    if (!options.login.id.isEmpty()) {
        const QByteArray id = options.login.id.toUtf8();
        const QByteArray password = options.login.password.toUtf8();
        curl_easy_setopt(h, CURLOPT_USERNAME, id.constData()); // libcurl copies strings
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &readUpload);
}

Status SmtpConnection::State::perform(const QByteArray& message) {
    Upload upload{&message};
    CURL* h = curl.handle();
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
    if (curl.perform())
        return {};
    if (!watch.refusal().isEmpty())
        return Status::failure(
            QStringLiteral("サーバー「%1」は暗号化 (STARTTLS) を申し出ながら始めませんでした。(%2)")
                .arg(server, QString::fromUtf8(watch.refusal())));
    return Status::failure(curl.errorText(server));
}

SmtpConnection::SmtpConnection(SmtpSender::Options options, CertificateTrust trust, QString server)
    : d_(std::make_unique<State>(std::move(options), std::move(trust), std::move(server))) {
    if (d_->address)
        d_->setUp();
}

SmtpConnection::~SmtpConnection() = default;
SmtpConnection::SmtpConnection(SmtpConnection&&) noexcept = default;
SmtpConnection& SmtpConnection::operator=(SmtpConnection&&) noexcept = default;

Status SmtpConnection::send(const OutgoingMail& mail, const QDateTime& now) {
    if (!d_->address)
        return Status::failure(QStringLiteral("SMTPサーバー名「%1」が正しくありません。").arg(d_->server));
    const QList<Recipient> recipients = ParseRecipients(mail.recipient);
    if (recipients.isEmpty())
        return Status::failure(QStringLiteral("宛先がありません。"));
    for (const Recipient& r : recipients)
        if (r.address.isEmpty() || !fitsEnvelope(r.address))
            return Status::failure(QStringLiteral("宛先「%1」が正しくありません。").arg(r.address));
    const QString sender = mail.sender.trimmed();
    if (!fitsEnvelope(sender))
        return Status::failure(QStringLiteral("差出人のアドレス「%1」が正しくありません。").arg(sender));

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
        if (!key)
            return Status::failure(key.error());
        if (Status pinned = d_->curl.pinPublicKey(*key, d_->server); !pinned)
            return pinned;
        d_->pinned = true;
        sent = d_->perform(*message);
    }
    return sent;
}
