#include "oauth/tokenendpoint.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "text/canceltoken.h"

QByteArray FormEncoded(const QueryItems& items) {
    QByteArray out;
    for (const auto& [key, value] : items) {
        if (!out.isEmpty())
            out += '&';
        out += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    return out;
}

namespace {

// A reply's failure as the transport words it: the host and the system's words.
Error failureOf(const QNetworkReply& reply, const QString& host) {
    using K = Error::Kind;
    const auto failed = [&](K kind) {
        return Error{.kind = kind, .name = host, .detail = reply.errorString()};
    };
    switch (reply.error()) {
    case QNetworkReply::HostNotFoundError:
        return failed(K::ServerNotFound);
    case QNetworkReply::ConnectionRefusedError:
        return failed(K::CannotConnect);
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // the transfer timeout aborts it
        return failed(K::Timeout);
    case QNetworkReply::SslHandshakeFailedError:
        return failed(K::Tls);
    case QNetworkReply::RemoteHostClosedError:
        return failed(K::ConnectionLost);
    default:
        return failed(K::ConnectionFailed);
    }
}

} // namespace

HttpsTokenEndpoint::HttpsTokenEndpoint(std::chrono::milliseconds timeout) : timeout_(timeout) {}

Result<HttpReply> HttpsTokenEndpoint::post(const QString& url, const QueryItems& form) {
    using R = Result<HttpReply>;
    const QUrl target(url);
    const QString host = target.host();
    // Plain http would show the code and the tokens to the network; only a
    // server on this machine may do without TLS.
    const bool local = host == QStringLiteral("127.0.0.1") || host == QStringLiteral("::1") ||
                       host == QStringLiteral("localhost");
    if (!target.isValid() ||
        !(target.scheme() == QStringLiteral("https") || (target.scheme() == QStringLiteral("http") && local)))
        return R::failure({.kind = Error::Kind::TokenServerNotHttps, .name = url});
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(target);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Accept", "application/json");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(int(timeout_.count()));
    const std::unique_ptr<QNetworkReply> reply(network.post(request, FormEncoded(form)));
    // A token answer is a few hundred bytes; a megabyte is no token endpoint.
    constexpr qint64 kMostBytes = 1 << 20;
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer slice;
    slice.callOnTimeout(&loop, &QEventLoop::quit);
    slice.start(CancelToken::kSlice);
    const CancelToken cancel = CancelToken::current();
    while (!reply->isFinished()) {
        if (cancel.isCancelled() || reply->bytesAvailable() > kMostBytes) {
            reply->abort();
            return R::failure(Error{.kind = Error::Kind::TokenServerUnreachable, .name = host}.because(
                {.kind = cancel.isCancelled() ? Error::Kind::Cancelled : Error::Kind::ReplyTooLarge,
                 .name = host,
                 .bytes = kMostBytes}));
        }
        loop.exec();
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // An HTTP error status is an answer to read; no answer at all is a failure.
    if (!status.isValid())
        return R::failure(Error{.kind = Error::Kind::TokenServerUnreachable, .name = host}.because(
            failureOf(*reply, host)));
    return HttpReply{status.toInt(), reply->read(kMostBytes)};
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
            answer.error = {.kind = Error::Kind::NoAccessToken};
        return answer;
    }
    const QString description = o.value(QStringLiteral("error_description")).toString();
    const QString said = description.isEmpty() ? error : error + QStringLiteral(" (") + description + u')';
    // A provider in trouble says so with a 5xx, or with the codes RFC 6749
    // gives the authorization endpoint for it, which some token endpoints
    // send under a 400 too. The sign-in itself is still good.
    if (reply.status >= 500 || error == QStringLiteral("temporarily_unavailable") ||
        error == QStringLiteral("server_error")) {
        answer.error = {.kind = Error::Kind::TokenServerBusy, .detail = said, .number = reply.status};
        return answer;
    }
    if (!error.isEmpty() && (reply.status == 400 || reply.status == 401)) {
        // Of the codes of RFC 6749 section 5.2 only these condemn the grant or
        // the client; invalid_request, invalid_scope and the like say the
        // request was wrong, which a new sign-in would not mend.
        answer.refused = error == QStringLiteral("invalid_grant") ||
                         error == QStringLiteral("invalid_client") ||
                         error == QStringLiteral("unauthorized_client");
        answer.error = {.kind = Error::Kind::TokenNotIssued, .detail = said};
        return answer;
    }
    answer.error = {.kind = Error::Kind::TokenServerUnreadable, .number = reply.status};
    return answer;
}
