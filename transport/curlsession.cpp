#include "transport/curlsession.h"

#include <curl/curl.h>

namespace {

int onSocket(void* session, curl_socket_t /*socket*/, curlsocktype /*purpose*/) {
    const auto* s = static_cast<CurlSession*>(session);
    if (s->connectionOpened)
        s->connectionOpened();
    return CURL_SOCKOPT_OK;
}

} // namespace

CurlSession::CurlSession(Timeouts timeouts) {
    curl_ = curl_easy_init();
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &CurlSession::onHeader);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &CurlSession::onBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_, CURLOPT_SOCKOPTFUNCTION, &onSocket);
    curl_easy_setopt(curl_, CURLOPT_SOCKOPTDATA, this);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, long(timeouts.connectSeconds));
    // A server that stops sending ends the operation instead of freezing the
    // program: both while waiting for a reply line and inside a transfer.
    curl_easy_setopt(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(timeouts.idleSeconds));
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, long(timeouts.idleSeconds));
}

CurlSession::~CurlSession() {
    close();
}

void CurlSession::close() {
    if (curl_) {
        curl_easy_cleanup(curl_);
        curl_ = nullptr;
    }
}

Status CurlSession::pinPublicKey(const QByteArray& key, const QString& server) {
    const CURLcode pinned = curl_easy_setopt(curl_, CURLOPT_PINNEDPUBLICKEY, key.constData());
    if (pinned != CURLE_OK)
        return Status::failure({.kind = Error::Kind::KeyNotPinned,
                                .name = server,
                                .detail = QString::fromUtf8(curl_easy_strerror(pinned))});
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 0L);
    return {};
}

size_t CurlSession::onHeader(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<CurlSession*>(self);
    QByteArray line(data, qsizetype(size * count));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    s->lines_.append(line);
    if (s->lineCheck && !s->lineCheck(line))
        return 0; // makes libcurl stop the transfer
    return size * count;
}

size_t CurlSession::onBody(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<CurlSession*>(self);
    const qint64 n = qint64(size * count);
    if (s->body_.size() + n > s->limit_) {
        s->limitExceeded_ = true;
        return 0; // makes libcurl stop the transfer
    }
    s->body_.append(data, n);
    return size * count;
}

bool CurlSession::perform(qint64 bodyLimit, qint64 expectedBodySize) {
    body_.clear();
    lines_.clear();
    errorBuffer_[0] = 0;
    limit_ = bodyLimit;
    limitExceeded_ = false;
    // The size a server announces is only a hint: never trust it beyond the limit.
    if (expectedBodySize > 0)
        body_.reserve(qsizetype(std::min(expectedBodySize + 1024, bodyLimit)));
    if (!curl_) {
        result_ = CURLE_FAILED_INIT;
        return false;
    }
    result_ = curl_easy_perform(curl_);
    return result_ == CURLE_OK;
}

Error CurlSession::error(const QString& server) const {
    using K = Error::Kind;
    // The server's own words win: "550 5.1.1 <x@y>: Recipient address rejected: User unknown ..."
    for (qsizetype i = lines_.size() - 1; i >= 0; --i) {
        const QByteArray& line = lines_[i];
        const bool popError = line.startsWith("-ERR");
        const bool smtpError =
            line.size() >= 3 && (line[0] == '4' || line[0] == '5') && isdigit(line[1]) && isdigit(line[2]);
        if (popError || smtpError)
            return {.kind = result_ == CURLE_LOGIN_DENIED ? K::Login : K::Refused,
                    .detail = QString::fromUtf8(line)};
    }
    const QString detail =
        QString::fromUtf8(errorBuffer_[0] ? errorBuffer_ : curl_easy_strerror(CURLcode(result_)));
    const auto failed = [&](K kind) { return Error{.kind = kind, .name = server, .detail = detail}; };
    switch (result_) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return failed(K::ServerNotFound);
    case CURLE_COULDNT_CONNECT:
        return failed(K::CannotConnect);
    case CURLE_OPERATION_TIMEDOUT:
        return failed(K::Timeout);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
        return failed(K::Tls);
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return failed(K::ConnectionLost);
    default:
        return failed(K::ConnectionFailed);
    }
}
