#include "transport/smtpsender.h"

#include <cstring>
#include <curl/curl.h>

#include "transport/serveraddress.h"

namespace {

constexpr int kSmtpPort = 25;

struct Upload {
    const QByteArray* data;
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

SmtpSender::SmtpSender(CurlSession::Timeouts timeouts) : timeouts_(timeouts) {}

Status SmtpSender::send(const QString& server, const OutgoingMail& mail, const QDateTime& now) const {
    const std::optional<ServerAddress> address = ServerAddress::parse(server, kSmtpPort);
    if (!address)
        return Status::failure(QStringLiteral("SMTPサーバー名「%1」が正しくありません。").arg(server));
    const QList<Recipient> recipients = ParseRecipients(mail.recipient);
    if (recipients.isEmpty())
        return Status::failure(QStringLiteral("宛先がありません。"));
    for (const Recipient& r : recipients)
        if (r.address.isEmpty() || r.address.contains(u' ') || r.address.contains(u'\r') ||
            r.address.contains(u'\n'))
            return Status::failure(QStringLiteral("宛先「%1」が正しくありません。").arg(r.address));
    const QString sender = mail.sender.trimmed();
    if (sender.contains(u'\r') || sender.contains(u'\n') || sender.contains(u' '))
        return Status::failure(QStringLiteral("差出人のアドレス「%1」が正しくありません。").arg(sender));

    const Result<QByteArray> message = OutgoingMessage::build(mail, now);
    if (!message)
        return Status::failure(message.error());

    CurlSession curl(timeouts_);
    CURL* h = curl.handle();
    const QByteArray url = address->url("smtp");
    const QByteArray from = '<' + sender.toUtf8() + '>';
    SList rcpt;
    for (const Recipient& r : recipients)
        rcpt.list = curl_slist_append(rcpt.list, ('<' + r.address.toUtf8() + '>').constData());
    Upload upload{&*message};
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, rcpt.list);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &readUpload);
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(message->size()));
    if (!curl.perform())
        return Status::failure(curl.errorText(server.trimmed()));
    return {};
}
