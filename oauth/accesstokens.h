#pragma once

#include <QDateTime>
#include <functional>
#include <memory>

#include "oauth/tokenendpoint.h"
#include "settings/tokenstore.h"
#include "transport/bearertokensource.h"

// The access tokens of the account signed in through its provider, for the
// mail sessions: the stored one while it lasts, else a new one from the
// provider for the refresh token, stored for the next session unless the
// user signed in anew or went back to the password meanwhile. A refused
// grant asks the user to sign in again; any other failure keeps the sign-in.
class AccessTokens : public BearerTokenSource {
  public:
    using Clock = std::function<QDateTime()>;

    AccessTokens(
        TokenStore store, std::shared_ptr<TokenEndpoint> endpoint,
        Clock now = [] { return QDateTime::currentDateTimeUtc(); });

    // For the account whose sign-in `store` holds; none when it logs in
    // with its password.
    static std::shared_ptr<BearerTokenSource> forAccount(const TokenStore& store);

    Result<QString> accessToken() override;
    Result<QString> renewedAccessToken() override;

  private:
    // A token is renewed this long before it expires: it must outlast the
    // session's login, and the clocks may differ.
    static constexpr qint64 kMarginSeconds = 60;

    Result<QString> token(bool refused);
    // `stored` with the tokens the provider renewed it with; not yet kept.
    Result<OAuthSignIn> refresh(const OAuthSignIn& stored);

    TokenStore store_;
    std::shared_ptr<TokenEndpoint> endpoint_;
    Clock now_;
    QString handedOut_; // the token last given to the session
};
