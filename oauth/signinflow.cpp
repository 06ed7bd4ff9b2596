#include "oauth/signinflow.h"

#include "oauth/loopbackredirect.h"
#include "oauth/pkce.h"

SignInFlow::SignInFlow(OAuthClient client, QString loginHint, QueryItems extraParameters,
                       std::shared_ptr<TokenEndpoint> endpoint, Options options)
    : client_(std::move(client)), loginHint_(std::move(loginHint)),
      extraParameters_(std::move(extraParameters)), endpoint_(std::move(endpoint)),
      options_(std::move(options)) {}

QUrl SignInFlow::authorizationUrl(const QString& redirectUri, const QString& state,
                                  const QString& verifier) const {
    QueryItems q{{QStringLiteral("response_type"), QStringLiteral("code")},
                 {QStringLiteral("client_id"), client_.clientId},
                 {QStringLiteral("redirect_uri"), redirectUri},
                 {QStringLiteral("scope"), client_.scope},
                 {QStringLiteral("state"), state},
                 {QStringLiteral("code_challenge"), Pkce::challenge(verifier)},
                 {QStringLiteral("code_challenge_method"), QStringLiteral("S256")}};
    if (!loginHint_.isEmpty())
        q.append({QStringLiteral("login_hint"), loginHint_});
    q += extraParameters_;
    const QByteArray base = client_.authorizationUrl.toUtf8();
    return QUrl::fromEncoded(base + (base.contains('?') ? '&' : '?') + FormEncoded(q));
}

Result<OAuthTokens> SignInFlow::run(const Browser& browse, const CancelToken& cancelled) const {
    using R = Result<OAuthTokens>;
    using K = Error::Kind;
    LoopbackRedirect redirect(options_.pages);
    if (const Status listening = redirect.listen(); !listening)
        return R::failure(listening.error());
    const QString verifier = Pkce::newVerifier();
    const QString state = Pkce::newState();
    browse(authorizationUrl(redirect.redirectUri(), state, verifier));
    const std::optional<QUrlQuery> answer = redirect.wait(state, QDeadlineTimer(options_.timeout), cancelled);
    if (!answer && cancelled.isCancelled())
        return R::failure({.kind = K::SignInCancelled});
    if (!answer)
        return R::failure(
            {.kind = K::SignInTimedOut,
             .number = std::chrono::duration_cast<std::chrono::minutes>(options_.timeout).count()});
    const QString error = answer->queryItemValue(QStringLiteral("error"), QUrl::FullyDecoded);
    if (error == QStringLiteral("access_denied"))
        return R::failure({.kind = K::SignInDenied});
    const QString code = answer->queryItemValue(QStringLiteral("code"), QUrl::FullyDecoded);
    if (!error.isEmpty() || code.isEmpty())
        return R::failure({.kind = K::SignInIncomplete, .detail = error});
    QueryItems form{{QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
                    {QStringLiteral("code"), code},
                    {QStringLiteral("redirect_uri"), redirect.redirectUri()},
                    {QStringLiteral("client_id"), client_.clientId},
                    {QStringLiteral("code_verifier"), verifier}};
    if (!client_.clientSecret.isEmpty())
        form.append({QStringLiteral("client_secret"), client_.clientSecret});
    const Result<HttpReply> reply = endpoint_->post(client_.tokenUrl, form);
    if (!reply)
        return R::failure(reply.error());
    const TokenAnswer tokens = TokenAnswer::read(*reply, options_.now());
    if (!tokens.tokens)
        return R::failure(tokens.error);
    // Without one, the account would have to sign in again within the hour.
    if (tokens.tokens->refreshToken.isEmpty())
        return R::failure({.kind = K::NoRefreshToken});
    return *tokens.tokens;
}
