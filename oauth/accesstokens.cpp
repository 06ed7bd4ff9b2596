#include "oauth/accesstokens.h"

#include <mutex>

namespace {

// One renewal at a time: a check and a send may both find the token
// expired, and a provider that rotates refresh tokens must see them in turn.
std::mutex& renewals() {
    static std::mutex m;
    return m;
}

} // namespace

AccessTokens::AccessTokens(TokenStore store, std::shared_ptr<TokenEndpoint> endpoint, Clock now)
    : store_(std::move(store)), endpoint_(std::move(endpoint)), now_(std::move(now)) {}

std::shared_ptr<BearerTokenSource> AccessTokens::forAccount(const TokenStore& store) {
    if (!store.load())
        return nullptr;
    return std::make_shared<AccessTokens>(store, std::make_shared<HttpsTokenEndpoint>());
}

Result<QString> AccessTokens::accessToken() {
    return token(false);
}

Result<QString> AccessTokens::renewedAccessToken() {
    return token(true);
}

Result<QString> AccessTokens::token(bool refused) {
    using R = Result<QString>;
    const std::lock_guard lock(renewals());
    const TokenStore& store = store_;
    // A sign-in or a return to the password made while a renewal was on its
    // way wins over it: then the session goes by what the file holds now.
    for (;;) {
        const std::optional<OAuthSignIn> stored = store.load();
        if (!stored)
            return R::failure({.kind = Error::Kind::NotSignedIn});
        const OAuthTokens& t = stored->tokens;
        const bool lasting =
            !t.accessToken.isEmpty() && t.expiresAt.isValid() && now_().secsTo(t.expiresAt) > kMarginSeconds;
        // After a refusal, a token another session has renewed meanwhile will do.
        if (lasting && !(refused && t.accessToken == handedOut_)) {
            handedOut_ = t.accessToken;
            return t.accessToken;
        }
        const Result<OAuthSignIn> renewed = refresh(*stored);
        if (!renewed)
            return R::failure(renewed.error());
        // A rotated refresh token that is not kept would lock the account out.
        const Result<bool> kept = store.saveRenewal(*stored, *renewed);
        if (!kept)
            return R::failure(kept.error());
        if (*kept) {
            handedOut_ = renewed->tokens.accessToken;
            return handedOut_;
        }
    }
}

Result<OAuthSignIn> AccessTokens::refresh(const OAuthSignIn& stored) {
    using R = Result<OAuthSignIn>;
    QueryItems form{{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                    {QStringLiteral("refresh_token"), stored.tokens.refreshToken},
                    {QStringLiteral("client_id"), stored.client.clientId}};
    if (!stored.client.clientSecret.isEmpty())
        form.append({QStringLiteral("client_secret"), stored.client.clientSecret});
    const Result<HttpReply> reply = endpoint_->post(stored.client.tokenUrl, form);
    if (!reply)
        return R::failure(reply.error());
    const TokenAnswer answer = TokenAnswer::read(*reply, now_());
    if (!answer.tokens)
        return R::failure(answer.refused ? Error{.kind = Error::Kind::SignInExpired}.because(answer.error)
                                         : answer.error);
    OAuthSignIn renewed = stored;
    renewed.tokens.accessToken = answer.tokens->accessToken;
    renewed.tokens.expiresAt = answer.tokens->expiresAt;
    if (!answer.tokens->refreshToken.isEmpty())
        renewed.tokens.refreshToken = answer.tokens->refreshToken;
    return renewed;
}
