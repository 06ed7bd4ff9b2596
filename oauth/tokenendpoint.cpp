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

Result<HttpReply> CurlTokenEndpoint::post(const QString& url, const QueryItems& form) {
    const QUrl target(url);
    const QString host = target.host();
    // Plain http would show the code and the tokens to the network; only a
    // server on this machine may do without TLS.
    const bool local = host == QStringLiteral("127.0.0.1") || host == QStringLiteral("::1") ||
                       host == QStringLiteral("localhost");
    if (!target.isValid() ||
        !(target.scheme() == QStringLiteral("https") || (target.scheme() == QStringLiteral("http") && local)))
        return Result<HttpReply>::failure(
            QStringLiteral("認証サーバーの URL「%1」は https:// で始まっていなければなりません。").arg(url));
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
        return Result<HttpReply>::failure(
            QStringLiteral("認証サーバー (%1) "
                           "と通信できませんでした。ネットワークを確かめて、もう一度お試しください。\n%2")
                .arg(host, curl.errorText(host)));
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
            answer.error = QStringLiteral("認証サーバーの応答にアクセストークンがありません。");
        return answer;
    }
    if (!error.isEmpty() && (reply.status == 400 || reply.status == 401)) {
        const QString description = o.value(QStringLiteral("error_description")).toString();
        answer.refused = true;
        answer.error =
            QStringLiteral("認証サーバーがトークンを発行しませんでした: %1")
                .arg(description.isEmpty() ? error : error + QStringLiteral(" (") + description + u')');
        return answer;
    }
    answer.error =
        QStringLiteral("認証サーバーの応答が読めません (HTTP %1)。時間をおいてもう一度お試しください。")
            .arg(reply.status);
    return answer;
}
