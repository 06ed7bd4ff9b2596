#include "oauth/tokenendpoint.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <curl/curl.h>

QByteArray FormEncoded(const QueryItems& items) {
    QByteArray out;
    for (const auto& [key, value] : items) {
        if (!out.isEmpty())
            out += '&';
        out += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    return out;
}

CurlTokenEndpoint::CurlTokenEndpoint(CurlSession::Timeouts timeouts) : timeouts_(timeouts) {}

MailResult<HttpReply> CurlTokenEndpoint::post(const QString& url, const QueryItems& form) {
    using R = MailResult<HttpReply>;
    const QUrl target(url);
    const QString host = target.host();
    // Plain http would show the code and the tokens to the network; only a
    // server on this machine may do without TLS.
    const bool local = host == QStringLiteral("127.0.0.1") || host == QStringLiteral("::1") ||
                       host == QStringLiteral("localhost");
    if (!target.isValid() ||
        !(target.scheme() == QStringLiteral("https") || (target.scheme() == QStringLiteral("http") && local)))
        return R::failure({.kind = MailError::Kind::TokenServerNotHttps, .name = url});
    CurlSession curl(timeouts_);
    CURL* h = curl.handle();
    const QByteArray address = target.toEncoded();
    const QByteArray body = FormEncoded(form);
    curl_slist* headers = curl_slist_append(nullptr, "Accept: application/json");
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, long(body.size()));
    const bool done = curl.perform(1 << 20);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl.close();
    curl_slist_free_all(headers);
    if (!done)
        return R::failure(MailError{.kind = MailError::Kind::TokenServerUnreachable, .name = host}.because(
            curl.error(host)));
    return HttpReply{int(status), curl.body()};
}

TokenAnswer TokenAnswer::read(const HttpReply& reply, const QDateTime& now) {
    const QJsonObject o = QJsonDocument::fromJson(reply.body).object();
    const QString error = o.value(QStringLiteral("error")).toString();
    TokenAnswer answer;
    if (reply.status == 200 && error.isEmpty()) {
        OAuthTokens t;
        t.accessToken = o.value(QStringLiteral("access_token")).toString();
        t.refreshToken = o.value(QStringLiteral("refresh_token")).toString();
        // A number by the RFC; some providers send it as a string.
        const qint64 lifetime = o.value(QStringLiteral("expires_in")).toVariant().toLongLong();
        if (lifetime > 0)
            t.expiresAt = now.toUTC().addSecs(lifetime);
        if (!t.accessToken.isEmpty())
            answer.tokens = t;
        else
            answer.error = {.kind = MailError::Kind::NoAccessToken};
        return answer;
    }
    const QString description = o.value(QStringLiteral("error_description")).toString();
    const QString said = description.isEmpty() ? error : error + QStringLiteral(" (") + description + u')';
    // A provider in trouble says so with a 5xx, or with the codes RFC 6749
    // gives the authorization endpoint for it, which some token endpoints
    // send under a 400 too. The sign-in itself is still good.
    if (reply.status >= 500 || error == QStringLiteral("temporarily_unavailable") ||
        error == QStringLiteral("server_error")) {
        answer.error = {.kind = MailError::Kind::TokenServerBusy, .detail = said, .number = reply.status};
        return answer;
    }
    if (!error.isEmpty() && (reply.status == 400 || reply.status == 401)) {
        // Of the codes of RFC 6749 section 5.2 only these condemn the grant or
        // the client; invalid_request, invalid_scope and the like say the
        // request was wrong, which a new sign-in would not mend.
        answer.refused = error == QStringLiteral("invalid_grant") ||
                         error == QStringLiteral("invalid_client") ||
                         error == QStringLiteral("unauthorized_client");
        answer.error = {.kind = MailError::Kind::TokenNotIssued, .detail = said};
        return answer;
    }
    answer.error = {.kind = MailError::Kind::TokenServerUnreadable, .number = reply.status};
    return answer;
}
