#pragma once

#include <QDateTime>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>

#include "oauth/loopbackredirect.h"
#include "oauth/oauthprovider.h"
#include "oauth/tokenendpoint.h"
#include "settings/tokenstore.h"
#include "text/canceltoken.h"

// Signing in with a provider through the user's browser: the authorization
// code flow (RFC 6749 section 4.1) with PKCE (RFC 7636, S256) and a loopback
// redirect (RFC 8252). Blocking, for a thread of its own: the listener waits
// for the browser a few minutes at most, and gives up at once when told.
class SignInFlow {
  public:
    struct Options {
        std::chrono::milliseconds timeout = std::chrono::minutes(5);
        std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
        LoopbackRedirect::Pages pages = {}; // what the browser shows when it comes back
    };
    // Shows the user the provider's page; called on the flow's thread.
    using Browser = std::function<void(const QUrl&)>;

    SignInFlow(OAuthClient client, QString loginHint, QueryItems extraParameters,
               std::shared_ptr<TokenEndpoint> endpoint, Options options);
    SignInFlow(OAuthClient client, QString loginHint, QueryItems extraParameters,
               std::shared_ptr<TokenEndpoint> endpoint)
        : SignInFlow(std::move(client), std::move(loginHint), std::move(extraParameters), std::move(endpoint),
                     Options{}) {}

    // The tokens issued, or why there are none.
    Result<OAuthTokens> run(const Browser& browse, const CancelToken& cancelled) const;

  private:
    QUrl authorizationUrl(const QString& redirectUri, const QString& state, const QString& verifier) const;

    OAuthClient client_;
    QString loginHint_;
    QueryItems extraParameters_;
    std::shared_ptr<TokenEndpoint> endpoint_;
    Options options_;
};
