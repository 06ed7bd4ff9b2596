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

AccessTokens::AccessTokens(QString storeFile, std::shared_ptr<TokenEndpoint> endpoint, Clock now)
    : storeFile_(std::move(storeFile)), endpoint_(std::move(endpoint)), now_(std::move(now)) {}

std::shared_ptr<BearerTokenSource> AccessTokens::forAccount(const QString& storeFile) {
    if (!TokenStore(storeFile).load())
        return nullptr;
    return std::make_shared<AccessTokens>(storeFile, std::make_shared<CurlTokenEndpoint>());
}

Result<QString> AccessTokens::accessToken() {
    return token(false);
}

Result<QString> AccessTokens::renewedAccessToken() {
    return token(true);
}

Result<QString> AccessTokens::token(bool refused) {
    const std::lock_guard lock(renewals());
    const std::optional<OAuthSignIn> stored = TokenStore(storeFile_).load();
    if (!stored)
        return Result<QString>::failure(QStringLiteral(
            "サインインの情報がありません。「ID/PASS」の画面の「OAuth2...」からサインインしてください。"));
    const OAuthTokens& t = stored->tokens;
    const bool lasting =
        !t.accessToken.isEmpty() && t.expiresAt.isValid() && now_().secsTo(t.expiresAt) > kMarginSeconds;
    // After a refusal, a token another session has renewed meanwhile will do.
    if (lasting && !(refused && t.accessToken == handedOut_)) {
        handedOut_ = t.accessToken;
        return t.accessToken;
    }
    return refresh(*stored);
}

Result<QString> AccessTokens::refresh(const OAuthSignIn& stored) {
    QueryItems form{{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                    {QStringLiteral("refresh_token"), stored.tokens.refreshToken},
                    {QStringLiteral("client_id"), stored.client.clientId}};
    if (!stored.client.clientSecret.isEmpty())
        form.append({QStringLiteral("client_secret"), stored.client.clientSecret});
    const Result<HttpReply> reply = endpoint_->post(stored.client.tokenUrl, form);
    if (!reply)
        return Result<QString>::failure(reply.error());
    const TokenAnswer answer = TokenAnswer::read(*reply, now_());
    if (!answer.tokens)
        return Result<QString>::failure(
            answer.refused
                ? answer.error +
                      QStringLiteral("\nサインインの期限が切れたか、取り消されました。"
                                     "「ID/PASS」の画面の「OAuth2...」からサインインし直してください。")
                : answer.error);
    OAuthSignIn renewed = stored;
    renewed.tokens.accessToken = answer.tokens->accessToken;
    renewed.tokens.expiresAt = answer.tokens->expiresAt;
    if (!answer.tokens->refreshToken.isEmpty())
        renewed.tokens.refreshToken = answer.tokens->refreshToken;
    // A rotated refresh token that is not kept would lock the account out.
    if (const Status saved = TokenStore(storeFile_).save(renewed); !saved)
        return Result<QString>::failure(saved.error());
    handedOut_ = renewed.tokens.accessToken;
    return handedOut_;
}
