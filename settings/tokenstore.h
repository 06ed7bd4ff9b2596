#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

#include "settings/secretstore.h"
#include "text/result.h"

// A provider's OAuth 2.0 endpoints and the client registered with it, as
// used at the sign-in: tokens are renewed with the very client they were
// issued to.
struct OAuthClient {
    QString provider; // "google", "microsoft", "custom"
    QString authorizationUrl;
    QString tokenUrl;
    QString scope; // space-separated
    QString clientId;
    // Google gives desktop clients a "secret" that is none (RFC 8252 section
    // 8.5) but wants it sent all the same.
    QString clientSecret;

    friend bool operator==(const OAuthClient&, const OAuthClient&) = default;
};

struct OAuthTokens {
    QString refreshToken;
    QString accessToken;
    QDateTime expiresAt; // UTC; invalid when the provider did not say

    friend bool operator==(const OAuthTokens&, const OAuthTokens&) = default;
};

struct OAuthSignIn {
    QString user; // the login name the tokens were issued for
    OAuthClient client;
    OAuthTokens tokens;

    friend bool operator==(const OAuthSignIn&, const OAuthSignIn&) = default;
};

// The sign-in of an account that logs in with OAuth 2.0 tokens instead of
// its password, in the data folder beside the account file (which keeps its
// format). Readable by the user only and written whole through a temporary
// file, since the refresh token opens the mailbox. No file: the account
// logs in with its password, as it always has. Every change of the file
// holds a lock on "oauth2-signin.lock" beside it, across threads and copies
// of the program.
class TokenStore {
  public:
    static inline const QString kFileName = QStringLiteral("oauth2-signin");

    explicit TokenStore(QString path);
    // A sign-in whose refresh token goes to `secrets`, under `secretName`,
    // whenever the keyring runs at the time it is written; the file then
    // says so in its place.
    TokenStore(QString path, const SecretStore* secrets, QString secretName);

    // Nothing when there is no file, or none that holds a refresh token and
    // the client to renew it with.
    std::optional<OAuthSignIn> load() const;
    // A new sign-in: it takes the place of whatever the file holds.
    Status save(const OAuthSignIn& signIn) const;
    // The tokens of `renewedFrom` renewed: written only while the file still
    // holds `renewedFrom`, so that a sign-in or a return to the password made
    // while the renewal was on its way is never undone. False when the file
    // holds something else now and was left as it is.
    Result<bool> saveRenewal(const OAuthSignIn& renewedFrom, const OAuthSignIn& renewed) const;
    // Back to the password.
    Status remove() const;

  private:
    Status write(const OAuthSignIn& signIn) const;

    QString path_;
    const SecretStore* secrets_ = nullptr;
    QString secretName_;
};
